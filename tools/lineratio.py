#!/usr/bin/env python3
"""Counts the C++ lines (.cpp/.h) that are neither blank nor comment: the tests (tests/ and
fuzz/) against the code (everything else but bench/ and build folders), and their ratio.

    tools/lineratio.py [source folder, default the project]"""

import os
import re
import sys

TEST_FOLDERS = ("tests", "fuzz")
LEFT_OUT = ("bench",)
COMMENT = re.compile(r"/\*.*?\*/|//[^\n]*|\"(?:\\.|[^\"\\\n])*\"|'(?:\\.|[^'\\\n])*'", re.S)


def code_lines(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    # Strings and characters are kept (a "//" inside one is no comment); comments are cut out.
    text = COMMENT.sub(lambda m: "" if m.group(0).startswith("/") else m.group(0), text)
    return sum(1 for line in text.splitlines() if line.strip())


def count(root):
    tests = code = 0
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        top = rel.split(os.sep)[0]
        if rel == ".":
            dirs[:] = [d for d in dirs if not d.startswith((".", "build")) and d not in LEFT_OUT]
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            lines = code_lines(os.path.join(folder, name))
            if top in TEST_FOLDERS:
                tests += lines
            else:
                code += lines
    return tests, code


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(
        os.path.abspath(__file__)))
    tests, code = count(root)
    print("tests %d lines, code %d lines, ratio %.2f" % (tests, code, tests / code if code else 0))


if __name__ == "__main__":
    main()
