#!/usr/bin/env python3
"""Fails on any function in src/ longer than the limit, from its signature's first line through
its closing brace, and lists them.

Counted: free functions, member functions defined out of class and inline in a class or struct;
a lambda counts toward the function it is written in. A class, struct, enum or namespace body,
or a brace initializer, is not a function.

Usage: function_length.py <src folder> [limit]
"""

import pathlib
import re
import sys

SCOPE = re.compile(r"\b(class|struct|union|enum|namespace|extern)\b")
LABEL = re.compile(r"\b(public|protected|private|signals|Q_SIGNALS|Q_SLOTS|slots)\s*:(?!:)")
MACRO = re.compile(r"^(Q_[A-Z_]+(\s*\([^()]*\))?\s*)+")
QUALIFIERS = re.compile(r"(\s*(const|noexcept(\s*\([^()]*\))?|override|final|mutable|&&?|->[^()]*))+$")
INIT_LIST = re.compile(r"\)\s*(noexcept\s*)?:(?!:)")
NAME = re.compile(r"(operator\s*\(\s*\)|operator\s*[^\s(]+|~?[A-Za-z_][\w:]*(<[^()]*>)?)\s*\(")


def blank_out(text):
    """The text with comments, literals and preprocessor lines turned to spaces, lines kept."""
    out = list(text)
    i, n = 0, len(text)

    def clear(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            clear(i, j)
            i = j
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            clear(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            clear(i, j)
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            delim = text[i + 2:text.find("(", i + 2)]
            j = text.find(")" + delim + '"', i)
            j = n if j < 0 else j + len(delim) + 2
            clear(i + 1, j)
            i = j
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isdigit()):
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            clear(i + 1, j)
            i = j + 1
        else:
            i += 1
    return "".join(out)


def strip_template(head):
    while head.startswith("template"):
        k = head.find("<")
        depth = 0
        for j in range(k, len(head)):
            depth += {"<": 1, ">": -1}.get(head[j], 0)
            if depth == 0:
                head = head[j + 1:].lstrip()
                break
        else:
            break
    return head


def kind_of(head):
    head = strip_template(MACRO.sub("", head.strip()))
    tail = QUALIFIERS.sub("", head)
    if tail.endswith(")"):
        return "function"
    if INIT_LIST.search(head) and (tail.endswith(")") or tail.endswith("}")):
        return "function"
    return "scope" if SCOPE.search(head) else "init"


def scope_name(head):
    match = re.search(r"\b(?:class|struct|union)\s+([A-Za-z_]\w*)", head)
    return match.group(1) if match else ""


def functions(text):
    """(name, first line, last line) of every function outside a function body."""
    code = blank_out(text)
    found = []
    stack = []  # (kind, name, start of the header that opened it)
    head_start = 0
    for i, c in enumerate(code):
        inside = stack and stack[-1][0] in ("function", "block", "init")
        if c == "{":
            if inside:
                stack.append(("block" if stack[-1][0] != "init" else "init", "", None))
                continue
            head = code[head_start:i]
            kind = kind_of(head)
            if kind == "function":
                match = NAME.search(strip_template(MACRO.sub("", head.strip())))
                name = match.group(1) if match else head.strip().split("\n")[0]
                outer = [s[1] for s in stack if s[0] == "scope" and s[1]]
                if "::" not in name and outer:
                    name = "::".join(outer[-1:] + [name])
                stack.append((kind, name, head_start))
            else:
                stack.append((kind, scope_name(head) if kind == "scope" else "", head_start))
                if kind == "scope":
                    head_start = i + 1
        elif c == "}" and stack:
            kind, name, start = stack.pop()
            if kind == "function":
                first = code.count("\n", 0, start + len(code[start:]) - len(code[start:].lstrip()))
                found.append((name, first + 1, code.count("\n", 0, i) + 1))
            if kind in ("function", "scope") and not (stack and stack[-1][0] != "scope"):
                head_start = i + 1
        elif c == ";" and not inside:
            head_start = i + 1
        elif c == ":" and not inside:
            label = LABEL.search(code, head_start, i + 1)
            if label and label.end() == i + 1:
                head_start = i + 1
    return found


def main():
    root = pathlib.Path(sys.argv[1])
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    long_ones = []
    counted = 0
    for path in sorted(p for p in root.rglob("*") if p.suffix in (".cpp", ".h")):
        for name, first, last in functions(path.read_text(encoding="utf-8")):
            counted += 1
            length = last - first + 1
            if length > limit:
                long_ones.append(f"{path}:{first}: {name} is {length} lines")
    if counted == 0:
        print(f"no function found under {root}")
        return 1
    for line in long_ones:
        print(line)
    if long_ones:
        print(f"{len(long_ones)} functions longer than {limit} lines")
    return 1 if long_ones else 0


if __name__ == "__main__":
    sys.exit(main())
