# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Runs a command (sim_check, natively, under Wine or under Node.js) and compares what it
prints with the golden lines, naming the first line that differs.
Usage: compare_golden.py GOLDEN COMMAND...   (HOLLOWMERE_UPDATE_GOLDEN=1 writes GOLDEN instead)"""

import os
import subprocess
import sys


def main():
    golden, command = sys.argv[1], sys.argv[2:]
    run = subprocess.run(command, capture_output=True, text=True, timeout=1200)
    got = [line.rstrip("\r") for line in run.stdout.splitlines()]
    if run.returncode != 0:
        print("%s exited with status %d: %s" % (command[0], run.returncode, run.stderr.strip()))
        return 1
    if os.environ.get("HOLLOWMERE_UPDATE_GOLDEN") == "1":
        with open(golden, "w") as f:
            f.write("\n".join(got) + "\n")
        print("wrote %d lines to %s" % (len(got), golden))
        return 0
    with open(golden) as f:
        want = f.read().splitlines()
    for i, (w, g) in enumerate(zip(want, got)):
        if w != g:
            print("line %d differs from the golden one:\n  golden: %s\n  got:    %s" % (i + 1, w, g))
            return 1
    if len(want) != len(got):
        print("%d lines where the golden file has %d" % (len(got), len(want)))
        return 1
    print("all %d lines as golden (%s)" % (len(got), " ".join(command)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
