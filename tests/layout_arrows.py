#!/usr/bin/env python3
"""Fails on any arrow between the libraries under src/ that the layout table does not allow.

Every folder is a library for its logic (fvt_<folder>) and one for its windows
(fvt_<folder>_ui); widgets and app hold windows only. Checked:
  - each library links directly only libraries of its own folder or of the folders its row
    allows, and logic never links windows, nor (through anything it links) Qt Widgets;
  - each source and header includes from other libraries only what its library links directly.

Usage: layout_arrows.py <targets file written by tests/layout.cmake> <src folder>
"""

import os
import re
import sys

# folder: (folders its logic may use, folders its windows may use); None where it has no such
# part. The windows of a folder may also use its own logic and whatever that logic may use.
EVERYTHING = {"core", "link", "dbase", "taxformat", "settings", "widgets", "taxfile", "check",
              "bands", "report"}
TABLE = {
    "core": (set(), None),
    "link": ({"core"}, None),
    "dbase": ({"core"}, None),
    "taxformat": ({"core", "dbase"}, None),
    "settings": ({"core"}, {"widgets", "taxformat"}),
    "widgets": (None, {"core"}),
    "taxfile": ({"core", "dbase", "link", "settings", "taxformat"}, {"widgets"}),
    "check": ({"core", "dbase", "taxformat"}, {"widgets"}),
    "bands": ({"core"}, None),
    "report": ({"core", "dbase", "bands", "settings", "taxformat"}, {"widgets"}),
    "app": (None, EVERYTHING),
}
WINDOW_QT = {"Qt6::Widgets", "Qt6::PrintSupport"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"', re.M)


class Target:
    def __init__(self, line):
        self.name, self.folder, links, sources = line.split("|")
        self.links = links.split()
        self.sources = {os.path.basename(s) for s in sources.split()}
        self.windows = self.name.endswith("_ui") or TABLE[self.folder][0] is None

    def allowed_folders(self):
        logic, windows = TABLE[self.folder]
        if not self.windows:
            return logic | {self.folder}
        return (logic or set()) | windows | {self.folder}


def main(targets_file, src):
    with open(targets_file, encoding="utf-8") as f:
        targets = {t.name: t for t in (Target(l) for l in f.read().splitlines() if l)}
    problems = []
    for folder in sorted(os.listdir(src)):
        if os.path.isdir(os.path.join(src, folder)) and folder not in TABLE:
            problems.append(f"src/{folder}: a folder the layout table does not name")

    # Links: direct ones against the table, and no widgets below the windows.
    for t in targets.values():
        for link in t.links:
            other = targets.get(link)
            if other is None:
                continue
            if other.folder not in t.allowed_folders() or (other.windows and not t.windows):
                problems.append(f"{t.name} links {link}: not an arrow of the table")

    def closure(name, seen):
        for link in targets[name].links:
            if link not in seen:
                seen.add(link)
                if link in targets:
                    closure(link, seen)
        return seen

    for t in targets.values():
        if not t.windows and WINDOW_QT & closure(t.name, set()):
            problems.append(f"{t.name}: logic that pulls in Qt Widgets")

    # Includes: a file belongs to the library that builds its .cpp, a header without a .cpp to
    # its folder's logic (else its only library). What no library builds in this configuration
    # (another platform's code, windows without the GUI, the program's main) is left out.
    def owner(folder, file):
        stem = os.path.splitext(file)[0]
        for t in targets.values():
            if t.folder == folder and (stem + ".cpp") in t.sources:
                return t
        if os.path.isfile(os.path.join(src, folder, stem + ".cpp")):
            return None
        for name in (f"fvt_{folder}", f"fvt_{folder}_ui"):
            if name in targets:
                return targets[name]
        return None

    for folder in sorted(TABLE):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        for file in sorted(os.listdir(path)):
            if not file.endswith((".cpp", ".h")):
                continue
            includer = owner(folder, file)
            if includer is None:
                continue
            with open(os.path.join(path, file), encoding="utf-8") as f:
                text = f.read()
            for inc_folder, inc_file in INCLUDE.findall(text):
                if inc_folder not in TABLE:
                    continue
                if not os.path.isfile(os.path.join(src, inc_folder, inc_file)):
                    problems.append(f"src/{folder}/{file}: includes {inc_folder}/{inc_file}, "
                                    "which is not there")
                    continue
                included = owner(inc_folder, inc_file)
                if included is None or included is includer:
                    continue
                if included.name not in includer.links:
                    problems.append(f"src/{folder}/{file} ({includer.name}) includes "
                                    f"{inc_folder}/{inc_file} but does not link {included.name}")

    for p in problems:
        print(p)
    print(f"{len(targets)} libraries checked, {len(problems)} wrong arrows")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
