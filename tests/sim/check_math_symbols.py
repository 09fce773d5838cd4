# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Fails when an object of the simulation (src/core, src/world, src/combat) calls a math function
of the C library that the systems round their own ways, instead of the game's own
(core/game_math.h): such a call would make the same game differ between machines.
Usage: check_math_symbols.py NM OBJECT..."""

import re
import subprocess
import sys

ROUNDED_BY_LIBM = {"sin", "cos", "tan", "sincos", "asin", "acos", "atan", "atan2", "sinh", "cosh",
                   "tanh", "asinh", "acosh", "atanh", "exp", "exp2", "exp10", "expm1", "log", "log2",
                   "log10", "log1p", "logb", "pow", "pow10", "cbrt", "hypot", "erf", "erfc", "tgamma",
                   "lgamma", "j0", "j1", "y0", "y1"}
SIMULATION = re.compile(r"/src/(core|world|combat)/")


def rounded_by_libm(symbol):
    name = re.sub(r"^__(.*)_finite$", r"\1", symbol)
    return name in ROUNDED_BY_LIBM or (name[-1:] in ("f", "l") and name[:-1] in ROUNDED_BY_LIBM)


def main():
    nm, objects = sys.argv[1], [o for o in sys.argv[2:] if SIMULATION.search(o)]
    if not objects:
        print("check_math_symbols: no objects of the simulation given", file=sys.stderr)
        return 1
    faults = 0
    for obj in objects:
        out = subprocess.run([nm, "-u", obj], capture_output=True, text=True, check=True).stdout
        for symbol in sorted({line.split()[-1] for line in out.splitlines() if line.strip()}):
            if rounded_by_libm(symbol):
                print("%s calls the C library's %s: use the game's own (core/game_math.h)" % (obj, symbol))
                faults += 1
    print("%d objects of the simulation checked, %d calls of the C library's rounded math"
          % (len(objects), faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
