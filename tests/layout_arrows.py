#!/usr/bin/env python3
"""Fails on any arrow between the libraries, tools and tests that the layout table does not allow.

Every folder under src/ is a library for its logic (fvt_<folder>) and one for its windows
(fvt_<folder>_ui); widgets and app hold windows only. Checked:
  - each library links directly only libraries of its own folder or of the folders its row
    allows, and logic never links windows, nor (through anything it links) Qt Widgets;
  - each source and header includes from other libraries only what its library links directly;
  - each tool and test includes from src/ only what it links (directly or through what it
    links), and a tool takes nothing from tests/: no include from there, no target made there.

Usage: layout_arrows.py <targets file written by tests/layout.cmake> <project folder>
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
AREAS = {"tools", "tests"}
WINDOW_QT = {"Qt6::Widgets", "Qt6::PrintSupport"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
FOLDER_INCLUDE = re.compile(r'^([^/]+)/(.+)$')


class Target:
    def __init__(self, line):
        self.name, self.folder, links, sources = line.split("|")
        self.links = links.split()
        self.paths = sources.split()
        self.sources = {os.path.basename(s) for s in self.paths}
        self.windows = self.folder in AREAS or self.name.endswith("_ui") or \
            TABLE[self.folder][0] is None

    def allowed_folders(self):
        logic, windows = TABLE[self.folder]
        if not self.windows:
            return logic | {self.folder}
        return (logic or set()) | windows | {self.folder}


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


class Layout:
    def __init__(self, targets, root):
        self.targets = targets
        self.root = root
        self.src = os.path.join(root, "src")
        self.problems = []

    def closure(self, name, seen=None):
        seen = set() if seen is None else seen
        for link in self.targets[name].links:
            if link not in seen:
                seen.add(link)
                if link in self.targets:
                    self.closure(link, seen)
        return seen

    # A file belongs to the library that builds its .cpp, a header without a .cpp to its
    # folder's logic (else its only library). What no library builds in this configuration
    # (another platform's code, windows without the GUI, the program's main) is left out.
    def owner(self, folder, file):
        stem = os.path.splitext(file)[0]
        for t in self.targets.values():
            if t.folder == folder and (stem + ".cpp") in t.sources:
                return t
        if os.path.isfile(os.path.join(self.src, folder, stem + ".cpp")):
            return None
        for name in (f"fvt_{folder}", f"fvt_{folder}_ui"):
            if name in self.targets:
                return self.targets[name]
        return None

    def check_links(self):
        for t in self.targets.values():
            if t.folder in AREAS:
                continue
            for link in t.links:
                other = self.targets.get(link)
                if other is None:
                    continue
                if other.folder in AREAS or other.folder not in t.allowed_folders() or \
                        (other.windows and not t.windows):
                    self.problems.append(f"{t.name} links {link}: not an arrow of the table")
            if not t.windows and WINDOW_QT & self.closure(t.name):
                self.problems.append(f"{t.name}: logic that pulls in Qt Widgets")

    def check_src_includes(self):
        for folder in sorted(os.listdir(self.src)):
            path = os.path.join(self.src, folder)
            if not os.path.isdir(path):
                continue
            if folder not in TABLE:
                self.problems.append(f"src/{folder}: a folder the layout table does not name")
                continue
            for file in sorted(os.listdir(path)):
                if not file.endswith((".cpp", ".h")):
                    continue
                includer = self.owner(folder, file)
                if includer is not None:
                    self.check_file(os.path.join(path, file), includer, set(includer.links))

    # The includes of one file against the libraries `linked`; returns the files it includes
    # from outside src/, resolved.
    def check_file(self, path, includer, linked):
        shown = os.path.relpath(path, self.root)
        local = []
        for inc in INCLUDE.findall(read(path)):
            m = FOLDER_INCLUDE.match(inc)
            if m and m.group(1) in TABLE:
                folder, file = m.groups()
                if not os.path.isfile(os.path.join(self.src, folder, file)):
                    self.problems.append(f"{shown}: includes {inc}, which is not there")
                    continue
                included = self.owner(folder, file)
                if included is not None and included is not includer and \
                        included.name not in linked:
                    self.problems.append(f"{shown} ({includer.name}) includes {inc} but does "
                                         f"not link {included.name}")
                continue
            for base in (os.path.dirname(path), os.path.join(self.root, "tests"),
                         os.path.join(self.root, "tools")):
                candidate = os.path.normpath(os.path.join(base, inc))
                if os.path.isfile(candidate):
                    local.append(candidate)
                    break
        return local

    # A tool or a test: its sources and every header of tools/ or tests/ they include.
    def check_area_target(self, t):
        linked = self.closure(t.name)
        tests = os.path.join(self.root, "tests") + os.sep
        for link in t.links:
            other = self.targets.get(link)
            if t.folder == "tools" and other is not None and other.folder == "tests":
                self.problems.append(f"{t.name} links {link}, a target of the tests")
        pending = [p for p in t.paths if os.path.isfile(p) and p.endswith((".cpp", ".h"))]
        seen = set(pending)
        while pending:
            path = pending.pop()
            if t.folder == "tools" and path.startswith(tests):
                self.problems.append(f"{t.name} takes {os.path.relpath(path, self.root)} "
                                     "from the tests")
                continue
            for found in self.check_file(path, t, linked):
                if found not in seen:
                    seen.add(found)
                    pending.append(found)

    # Targets only another platform builds are not in the targets file: no source of tools/
    # includes a file of tests/, and the tools' build files name no folder of tests/ and no
    # target the tests make.
    def check_tool_sources(self):
        tools = os.path.join(self.root, "tools")
        tests = os.path.join(self.root, "tests")
        for folder, _, files in os.walk(tools):
            for file in files:
                if not file.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(folder, file)
                for inc in INCLUDE.findall(read(path)):
                    if any(os.path.isfile(os.path.join(base, inc)) for base in (folder, tools)):
                        continue
                    if os.path.isfile(os.path.join(tests, inc)) or \
                            os.path.normpath(os.path.join(folder, inc)).startswith(tests + os.sep):
                        self.problems.append(f"{os.path.relpath(path, self.root)} includes "
                                             f"{inc} from the tests")

    def check_tool_build_files(self):
        made = set()
        for folder, _, files in os.walk(os.path.join(self.root, "tests")):
            for file in files:
                if file == "CMakeLists.txt" or file.endswith(".cmake"):
                    made |= set(re.findall(r'add_(?:library|executable)\(\s*([\w.-]+)',
                                           read(os.path.join(folder, file))))
        for folder, _, files in os.walk(os.path.join(self.root, "tools")):
            for file in files:
                if not (file == "CMakeLists.txt" or file.endswith(".cmake")):
                    continue
                path = os.path.join(folder, file)
                text = read(path)
                words = set(re.findall(r'[\w.-]+', text))
                for name in sorted(made & words):
                    self.problems.append(f"{os.path.relpath(path, self.root)} uses {name}, a "
                                         "target of the tests")
                if re.search(r'[/}]tests/', text):
                    self.problems.append(f"{os.path.relpath(path, self.root)} reaches into tests/")


def main(targets_file, root):
    targets = {t.name: t for t in (Target(l) for l in read(targets_file).splitlines() if l)}
    layout = Layout(targets, root)
    layout.check_links()
    layout.check_src_includes()
    for t in targets.values():
        if t.folder in AREAS:
            layout.check_area_target(t)
    layout.check_tool_sources()
    layout.check_tool_build_files()
    for p in layout.problems:
        print(p)
    print(f"{len(targets)} targets checked, {len(layout.problems)} wrong arrows")
    return 1 if layout.problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
