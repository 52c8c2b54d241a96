#!/usr/bin/env python3
"""Checks that the source folders include one another only downwards.

Each folder of src/ may include its own headers and those of the folders
below it in LAYERS; only the desktop folders (shell/, document/ and every
ui/ folder) may include Qt. Prints every include that breaks the order and
exits 1 when there is one.

    tools/check-layers.py [SRC_DIR]
"""
import os
import re
import sys

# Each folder with the folders it may use (besides itself).
LAYERS = {
    "platform": [],
    "core": ["platform"],
    "library": ["core", "platform"],
    "engine": ["library", "core", "platform"],
    "learning": ["engine", "library", "core", "platform"],
    "imaging": ["core", "platform"],
    "formats": ["platform"],
    "input": ["formats", "platform"],
    "app": ["learning", "engine", "library", "core", "imaging", "formats", "input", "platform"],
    "cli": ["app", "learning", "engine", "library", "core", "imaging", "formats", "input", "platform"],
    "training": ["app", "learning", "engine", "library", "core", "imaging", "formats", "input", "platform"],
}
DESKTOP = {"shell", "document"}
PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')
QT_INCLUDE = re.compile(r"^\s*#\s*include\s+<Q")


def allowed(folder, target):
    if folder in DESKTOP or folder.endswith("/ui"):
        return True
    top = folder.split("/")[0]
    return target == top or target in LAYERS.get(top, [])


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    faults = []
    for dirpath, _, files in os.walk(src):
        folder = os.path.relpath(dirpath, src)
        desktop = folder.split("/")[0] in DESKTOP or folder.endswith("/ui") or "/ui/" in folder
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(dirpath, name)
            for number, line in enumerate(open(path, encoding="utf-8"), 1):
                match = PROJECT_INCLUDE.match(line)
                if match and not allowed(folder, match.group(1)):
                    faults.append(f"{path}:{number}: {folder}/ includes {match.group(1)}/")
                if QT_INCLUDE.match(line) and not desktop:
                    faults.append(f"{path}:{number}: Qt included outside the desktop folders")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
