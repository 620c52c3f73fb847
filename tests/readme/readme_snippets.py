#!/usr/bin/env python3
"""The README's C++ code, as programs.

    readme_snippets.py extract README.md OUT_DIR
        Writes every ```cpp block of README.md as OUT_DIR/readme_snippet_N.cpp and prints one
        line a block for CMake: "N|BACKENDS|PICTURE", BACKENDS being the optional backends it
        needs (opengl, sdl, direct3d11, layout) joined by "+" and PICTURE the PNG it saves (empty if none).
        A block with its own main() stays as it is; any other block is a list of statements:
        its #include and using-directive lines stay at file level and the rest becomes the
        body of main(). A block whose first line is the comment `// readme: not a program`
        is skipped.

    readme_snippets.py check PICTURE
        Fails unless PICTURE exists and shows something whatever it is viewed on: composited
        over white and over black it must have more than one colour either way (white text
        on a transparent picture is blank over white).
"""
import os
import re
import sys

SKIP_MARKER = "// readme: not a program"


def blocks(readme):
    found = []
    current = None
    for line in readme.splitlines():
        if current is None:
            if line.strip() == "```cpp":
                current = []
        elif line.strip() == "```":
            found.append("\n".join(current) + "\n")
            current = None
        else:
            current.append(line)
    return found


def as_program(code):
    if re.search(r"\bint\s+main\s*\(", code):
        return code
    top = []
    body = []
    for line in code.splitlines():
        if line.startswith("#include") or re.match(r"using namespace [\w:]+;", line):
            top.append(line)
        else:
            body.append("  " + line if line else "")
    # main with its parameters: on Windows SDL.h renames main to SDL_main, which SDL2main
    # calls with them.
    return ("\n".join(top) + "\n\nint main(int /*argc*/, char** /*argv*/) {\n" + "\n".join(body) +
            "\n  return 0;\n}\n")


def extract(readme_path, out_dir):
    with open(readme_path, encoding="utf-8") as f:
        readme = f.read()
    os.makedirs(out_dir, exist_ok=True)
    for number, code in enumerate(blocks(readme), start=1):
        if code.lstrip().startswith(SKIP_MARKER):
            continue
        backends = [name for name in ("opengl", "sdl", "direct3d11") if f'"graphics/{name}/' in code]
        if '"font/layout/' in code:
            backends.append("layout")
        picture = re.search(r'(?:SaveBackBuffer|SavePng)\(\s*"([^"]+\.png)"', code)
        path = os.path.join(out_dir, f"readme_snippet_{number}.cpp")
        program = f"// README.md, C++ block {number}.\n" + as_program(code)
        # Rewritten only when changed, so that a reconfigure does not rebuild every snippet.
        if not os.path.exists(path) or open(path, encoding="utf-8").read() != program:
            with open(path, "w", encoding="utf-8") as f:
                f.write(program)
        print("|".join([str(number), "+".join(backends), picture.group(1) if picture else ""]))


def check(picture):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
    from png_stats import read_png

    if not os.path.exists(picture):
        sys.exit(f"{picture} was not written")
    width, height, pixels = read_png(picture)
    for name, background in (("white", 255), ("black", 0)):
        seen = set()
        for r, g, b, a in pixels:
            over = tuple((c * a + background * (255 - a) + 127) // 255 for c in (r, g, b))
            seen.add(over)
            if len(seen) > 1:
                break
        print(f"{picture}: {width} x {height}, over {name}: {len(seen)}+ colours")
        if len(seen) < 2:
            sys.exit(f"{picture} is blank over {name}")


if __name__ == "__main__":
    if sys.argv[1] == "extract":
        extract(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "check":
        check(sys.argv[2])
    else:
        sys.exit(__doc__)
