#!/usr/bin/python3
"""Writes the fuzzers' seed corpora from the fixture fonts and sample inputs.

    make_seeds.py <tests/data folder> <output folder>

Makes <output>/<fuzzer>/ for each fuzzer (font-file, text, command-line, packer, layout, glyph-cache). Run by the
build (target vennicor_fuzz_seeds); the fuzzers then grow their own corpora beside them.
"""

import os
import shutil
import struct
import sys


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def font_seeds(data, out):
    folder = os.path.join(out, "font-file")
    fonts = os.path.join(data, "fonts")
    for sub in (fonts, os.path.join(fonts, "installed"), os.path.join(fonts, "hostile")):
        for name in sorted(os.listdir(sub)):
            path = os.path.join(sub, name)
            if os.path.isfile(path) and name.lower().endswith((".ttf", ".otf", ".ttc", ".bdf", ".pfb")):
                os.makedirs(folder, exist_ok=True)
                shutil.copyfile(path, os.path.join(folder, name.encode("ascii", "replace").decode()))


def floats(*values):
    return b"".join(struct.pack("<f", v) for v in values)


def text_seeds(out):
    folder = os.path.join(out, "text")
    inf, nan = float("inf"), float("nan")
    headers = {
        "plain": floats(2, 12, 0, 0, 0, 1, 1, 0),
        "turned": floats(10, 10, 0.7, 3, 4, 1.5, 0.5, 0.25),
        "nan": floats(nan, nan, nan, nan, nan, nan, nan, nan),
        "infinite": floats(inf, -inf, inf, -inf, inf, inf, -inf, inf),
        "huge": floats(3e38, -3e38, 1e30, 1e38, -1e38, 1e38, 1e-38, 0),
        "flipped": floats(0, 0, -3.1, 0, 0, -1, -1, 1),
    }
    texts = {
        "ascii": "AVAV Wave To. kerning",
        "lines": "one\ntwo\r\nthree\ttab\x00null",
        "latin": "\u00e9\u00e8\u00c5 \u00df\u00fe",
        "cjk": "\u4e2d\u6587 \U0001F600 \ufffd",
        "controls": "\x01\x1f\x7f\u0085\u009f A",
    }
    for hname, header in headers.items():
        for tname, text in texts.items():
            # effects (1 byte), previous character (2 bytes), UTF-8 flag (1 byte), then text
            write(folder, f"{hname}-{tname}-utf16", header + b"\x00" + b"A\x00" + b"\x00" +
                  text.encode("utf-16-le", "surrogatepass"))
            write(folder, f"{hname}-{tname}-utf8", header + b"\x03" + b"\x00\x00" + b"\x01" +
                  text.encode("utf-8"))
    write(folder, "lone-surrogates", headers["plain"] + b"\x00\x00\x00\x00" + b"\x00\xd8A\x00\x00\xdc")
    write(folder, "bad-utf8", headers["plain"] + b"\x00\x00\x00\x01" + b"\xff\xc0\x80\xe2\x82")


def layout_seeds(out):
    folder = os.path.join(out, "layout")
    inf, nan = float("inf"), float("nan")
    # MaxWidth, LineSpacing, LetterSpacing, TabWidth; MaxLines; alignment, direction; fallbacks
    headers = {
        "plain": floats(0, 1, 0, 0) + struct.pack("<i", 0) + bytes([0, 0, 0]),
        "wrapped": floats(60, 1.2, 0.5, 24) + struct.pack("<i", 3) + bytes([3, 0, 1]),
        "centred-rtl": floats(90, 1, -1, 0) + struct.pack("<i", 0) + bytes([1, 2, 1]),
        "nan": floats(nan, nan, nan, nan) + struct.pack("<i", -5) + bytes([7, 9, 0]),
        "infinite": floats(inf, -inf, inf, inf) + struct.pack("<i", 2**31 - 1) + bytes([2, 1, 1]),
        "huge": floats(1e-30, 3e38, -3e38, 1e-40) + struct.pack("<i", 1) + bytes([3, 0, 1]),
    }
    spans = {
        "none": bytes([0]),
        "some": bytes([2]) + struct.pack("<iiB", 0, 3, 200) + struct.pack("<iiB", -4, 2**31 - 1, 9),
    }
    texts = {
        "ascii": "AVAV Wave\tTo. kerning and wrapping words",
        "lines": "one\ntwo\r\nthree\u2028four\n\n",
        "bidi": "abc \u05e9\u05dc\u05d5\u05dd 123 \u0645\u0631\u062d\u0628\u0627 def",
        "marks": "a" + "\u0301" * 40 + " b\u0302\u0303",
        "emoji": "\U0001F600 \u4e2d\u4e8c\u4e8d \u03a9\u03a9",
        "controls": "\x01\x1f\x7f\u0085 \u200b\u2060A",
    }
    for hname, header in headers.items():
        for sname, span in spans.items():
            for tname, text in texts.items():
                write(folder, f"{hname}-{sname}-{tname}",
                      header + span + floats(10, 5) + text.encode("utf-8"))


def command_line_seeds(out):
    folder = os.path.join(out, "command-line")
    lines = [
        [],
        ["--help"],
        ["-f", "DejaVu Serif", "--style", "bold", "-s", "48", "-c", "navy", "Hello, world"],
        ["-f", "./MyFont.ttf", "-t", "Line one", "-t", "Line two", "--align", "center", "-o", "l.png"],
        ["-r", "30", "--scale", "2", "-b", "transparent", "--atlas", "atlas.png", "Turned"],
        ["--origin", "1.5,-2", "--position", "1e38,1e38", "--image-size", "100x20", "--margin", "0"],
        ["--flip", "both", "-c", "#11223344", "-b", "1,2,3,4", "--text-file", "-"],
        ["--scale", "nan", "-s", "inf", "--rotation", "-0", "--size=12"],
        ["--", "-f", "text"],
    ]
    for i, words in enumerate(lines):
        write(folder, f"line-{i}", b"\x00".join(w.encode() for w in words))


def packer_seeds(out):
    folder = os.path.join(out, "packer")
    write(folder, "small-area", bytes([64, 64]) + bytes([1, 10, 10] * 20))
    write(folder, "integrations", bytes([100, 50]) + bytes([0, 5, 10, 20, 1, 30, 4, 0, 0, 90, 49]) * 6)
    write(folder, "strips", bytes([32, 200]) + bytes([2, 32, 1] * 60))
    write(folder, "mixed", bytes(range(256)))


def markup_seeds(out):
    folder = os.path.join(out, "markup")
    write(folder, "styled", b"\x20Press [b]A[/b] to [color=#ff8000]jump[/color] [img=3 16x16]!")
    write(folder, "nested", b"\x41[i][u][s][sup]x[/sup][/s][/u][/i] [[ [size=20]big[/size]")
    write(folder, "shaping", b"\x10[feature=-liga]office[/feature] [lang=sr]\xd0\xb1[/lang] [font=small]s[/font]")
    write(folder, "broken", b"\x01[b][i]x[/b] [color=#12] [blink] [tag=99999999999] [img=1 x]")


def main():
    data, out = sys.argv[1], sys.argv[2]
    font_seeds(data, out)
    text_seeds(out)
    layout_seeds(out)
    command_line_seeds(out)
    packer_seeds(out)
    markup_seeds(out)
    # The glyph cache fuzzer writes its seeds itself (the library makes the files); this folder
    # only has to exist, holding one input that is no cache file.
    write(os.path.join(out, "glyph-cache"), "not-a-cache", b"\x00VNGLYPHS")


if __name__ == "__main__":
    main()
