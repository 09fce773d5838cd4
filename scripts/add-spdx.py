#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Gives every file that `reuse lint` finds without a licence the tree's two SPDX lines at its
top (after a shebang, an XML declaration or a doctype), in its own comment syntax, followed by
the file's own header. Files with no room for a comment are named, for .reuse/dep5.

    scripts/add-spdx.py        (then look at the change, and commit it)"""

import os
import re
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TAG = "SPDX-" + "License-Identifier"  # split, so that reuse does not read this file's code as a tag
OWNER = "SPDX-FileCopyrightText: 2026 The Hollowmere developers"


def comment_style(path):
    name = os.path.basename(path)
    ext = name.rsplit(".", 1)[-1] if "." in name else ""
    if ext in ("cpp", "h", "js"):
        return "// ", ""
    if ext == "c":
        return "/* ", " */"
    if ext in ("py", "sh", "cmake", "desktop") or name in ("CMakeLists.txt", "run", "hollowmere.in"):
        return "# ", ""
    if ext == "nsi":
        return "; ", ""
    if re.search(r"\.[1-8]\.in$", name):
        return '.\\" ', ""
    if ext in ("html", "md") or name.endswith(".xml.in"):
        return "<!-- ", " -->"
    return None


def unlicensed():
    out = subprocess.run(["reuse", "--root", TOP, "lint"], capture_output=True, text=True, cwd=TOP).stdout
    files, listing = [], False
    for line in out.splitlines():
        if line.startswith("# "):
            listing = line.startswith("# MISSING")
        elif listing and line.startswith("* "):
            files.append(os.path.relpath(os.path.join(TOP, line[2:]), TOP))
    return files


def main():
    left = []
    for path in unlicensed():
        style = comment_style(path)
        full = os.path.join(TOP, path)
        try:
            with open(full, encoding="utf-8") as f:
                text = f.read()
        except (UnicodeDecodeError, OSError):
            style = None
        if style is None:
            left.append(path)
            continue
        # AppStream metadata is under the licence its metadata_license names.
        licence = "CC0-1.0" if path.endswith(".metainfo.xml.in") else "GPL-3.0-or-later"
        begin, end = style
        block = "%s%s%s\n%s%s: %s%s\n" % (begin, OWNER, end, begin, TAG, licence, end)
        lines = text.splitlines(keepends=True)
        head = []
        if lines and re.match(r"#!|<\?xml|<!doctype", lines[0], re.IGNORECASE):
            head = [lines.pop(0)]
        gap = "" if begin.startswith(".") else "\n"  # a blank line in roff is a blank line of output
        with open(full, "w", encoding="utf-8") as f:
            f.write("".join(head) + block + gap + "".join(lines))
        print("add-spdx: " + path)
    for path in left:
        print("add-spdx: %s holds no comment: name it in .reuse/dep5" % path, file=sys.stderr)
    return 1 if left else 0


if __name__ == "__main__":
    sys.exit(main())
