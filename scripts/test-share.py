#!/usr/bin/env python3
"""Prints the share of test lines among all code lines of the repository.

Code lines: the non-blank lines of the C++, Python, shell and CMake files git tracks.
Test lines: those of everything under tests/ and server/tests/, and of the scripts that
only the tests use. The folders of each side are listed with their counts."""
import re
import subprocess
import sys
from collections import Counter
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
CODE = re.compile(r"(\.(c|cpp|h|hpp|inc|py|sh|cmake)|/CMakeLists\.txt|^CMakeLists\.txt|^\.ci/run)$")
TEST_ONLY = ("tests/", "server/tests/", "scripts/test.sh", "scripts/wine-run.sh",
             "scripts/test-share.py")


def main():
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True,
                           check=True).stdout.split()
    lines = Counter()
    for name in filter(CODE.search, files):
        with open(ROOT / name, errors="replace") as f:
            count = sum(1 for line in f if line.strip())
        side = "test" if name.startswith(TEST_ONLY) else "product"
        parts = name.split("/")
        folder = "/".join(parts[:2]) if name.startswith(("tests/", "server/tests/")) else parts[0]
        lines[(side, folder if len(parts) > 1 else ".")] += count
    for side in ("product", "test"):
        for (s, folder), count in sorted(lines.items(), key=lambda kv: -kv[1]):
            if s == side:
                print(f"{side:8} {folder:24} {count:6}")
    tests = sum(c for (s, _), c in lines.items() if s == "test")
    total = sum(lines.values())
    print(f"tests: {tests} of {total} code lines = {100 * tests / total:.1f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main())
