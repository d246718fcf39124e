#!/usr/bin/env python3
"""Counts non-blank, non-comment lines of the C, C++ and Python files of the
repository (build folders left out) and prints the tests' share: tests/,
fuzz/ and python/tests/ against everything else."""

import os
import sys

C_SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hpp", ".inc")
TEST_ROOTS = ("tests/", "fuzz/", "python/tests/")


def code_lines(path):
    python = path.endswith(".py")
    count = 0
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as source:
        for line in source:
            text = line.strip()
            if in_block:
                in_block = "*/" not in text
                continue
            if not text:
                continue
            if python and text.startswith("#"):
                continue
            if not python and text.startswith("//"):
                continue
            if not python and text.startswith("/*"):
                in_block = "*/" not in text
                continue
            count += 1
    return count


def main(root):
    tests = other = 0
    for folder, dirs, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        dirs[:] = [d for d in dirs if not d.startswith((".", "build")) and d not in ("bench-out", "demo-out")]
        for name in files:
            if not (name.endswith(C_SUFFIXES) or name.endswith(".py")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.normpath(os.path.join(relative, name)).replace(os.sep, "/")
            lines = code_lines(path)
            if rel.startswith(TEST_ROOTS):
                tests += lines
            else:
                other += lines
    print("tests %d, other %d, ratio %.3f" % (tests, other, tests / other if other else 0.0))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
