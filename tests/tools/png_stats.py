#!/usr/bin/env python3
"""Prints facts about an 8-bit RGB or RGBA PNG, for shell tests:

    width height colours alpha_min alpha_max

`colours` is the number of distinct pixel values, capped at 1000 (a picture of one colour is
blank). Only the standard library is used, so the tests need no imaging package."""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path} is not a PNG")
    pos = 8
    idat = b""
    width = height = colour_type = None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour_type not in (2, 6) or interlace != 0:
                raise ValueError(f"{path}: only 8-bit RGB or RGBA, not interlaced")
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    channels = 4 if colour_type == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + predictor) & 255
        rows.append(bytes(line))
        previous = line
    pixels = []
    for line in rows:
        for x in range(width):
            pixel = line[x * channels:(x + 1) * channels]
            pixels.append(pixel if channels == 4 else pixel + b"\xff")
    return width, height, pixels


def main():
    width, height, pixels = read_png(sys.argv[1])
    colours = set()
    for pixel in pixels:
        if len(colours) >= 1000:
            break
        colours.add(pixel)
    alphas = [pixel[3] for pixel in pixels]
    print(width, height, len(colours), min(alphas), max(alphas))


if __name__ == "__main__":
    main()
