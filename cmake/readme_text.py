#!/usr/bin/env python3
"""Writes one platform's instruction Readme.txt from its one source.

Usage: readme_text.py linux|windows SOURCE OUTPUT

A source line that begins with "[linux] " or "[windows] " is kept, without that mark, only for
its platform; a line that begins with "##" is a note of the source and is dropped. The output is
Windows-1251 with CRLF line ends, as the program reads it; a character without a Windows-1251
byte fails the build.
"""

import sys

MARKS = ("linux", "windows")


def main(platform, source, output):
    if platform not in MARKS:
        sys.exit(f"readme_text.py: no platform {platform!r}; one of {', '.join(MARKS)}")
    kept = []
    with open(source, encoding="utf-8") as f:
        for number, line in enumerate(f.read().splitlines(), 1):
            if line.startswith("##"):
                continue
            if line.startswith("["):
                mark, _, rest = line[1:].partition("] ")
                if mark not in MARKS:
                    sys.exit(f"{source}:{number}: unknown platform mark [{mark}]")
                if mark != platform:
                    continue
                line = rest
            kept.append(line.rstrip())
    text = "\r\n".join(kept) + "\r\n"
    try:
        data = text.encode("cp1251")
    except UnicodeEncodeError as e:
        line = text[: e.start].count("\r\n") + 1
        sys.exit(f"{source}: output line {line}: {text[e.start]!r} has no Windows-1251 byte")
    with open(output, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
