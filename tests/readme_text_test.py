#!/usr/bin/env python3
"""The instruction of each platform from its one source (cmake/readme_text.py): Windows-1251
with CRLF only; the Linux one speaks of "/" folders and keeps no Windows path; the Windows one
keeps "A:\\"; a mark the script does not know fails.

Usage: readme_text_test.py <readme_text.py> <source> <the build's Readme.txt>
"""

import os
import subprocess
import sys
import tempfile


def variant(script, source, platform, folder):
    out = os.path.join(folder, platform + ".txt")
    subprocess.run([sys.executable, script, platform, source, out], check=True)
    return open(out, "rb").read()


def main(script, source, built):
    problems = []
    with tempfile.TemporaryDirectory() as folder:
        texts = {p: variant(script, source, p, folder) for p in ("linux", "windows")}
        bad = os.path.join(folder, "bad.in")
        with open(bad, "w", encoding="utf-8") as f:
            f.write("[macos] text\n")
        if subprocess.run([sys.executable, script, "linux", bad, bad + ".txt"],
                          stderr=subprocess.DEVNULL).returncode == 0:
            problems.append("an unknown platform mark was taken")
    if open(built, "rb").read() != texts["linux"]:
        problems.append(f"{built} is not the Linux instruction")
    for platform, data in texts.items():
        if data.replace(b"\r\n", b"").count(b"\n") or data.replace(b"\r\n", b"").count(b"\r"):
            problems.append(f"{platform}: a line end other than CRLF")
        text = data.decode("cp1251")
        if "[linux]" in text or "[windows]" in text or "##" in text:
            problems.append(f"{platform}: a mark or note of the source is left")
    linux, windows = (texts[p].decode("cp1251") for p in ("linux", "windows"))
    for needle in ("пристрій A:\\", "«\\»", "реєстрі"):
        if needle not in windows:
            problems.append(f"windows: {needle!r} missing")
        if needle in linux:
            problems.append(f"linux: {needle!r} left")
    for needle in ("/media/usb/", "«/»", "~/.config/KVOR/4vt.conf", "--wine-prefix"):
        if needle not in linux:
            problems.append(f"linux: {needle!r} missing")
        if needle in windows:
            problems.append(f"windows: {needle!r} present")
    for p in problems:
        print("FAIL:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
