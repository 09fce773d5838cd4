#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Takes the simulation's math functions afresh from Debian's musl source package into
# third_party/musl-math/ (or only checks that the files there are that source's, with "check").
# They are kept in the tree rather than fetched at build time: the game's simulation must give
# the same bits for as long as its simulation version stands, so a new upstream release comes
# in only by this script, with the pinned fingerprints renewed in the same commit.
# The one local change: the tables' headers drop musl's internal <features.h>, whose `hidden`
# the folder's own libm.h gives.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dest="$top/third_party/musl-math"
version=1.2.3
files=(sin.c cos.c __sin.c __cos.c __rem_pio2.c __rem_pio2_large.c sinf.c cosf.c __sindf.c
       __cosdf.c __rem_pio2f.c atan2.c atan.c atan2f.c atanf.c acos.c pow.c pow_data.c pow_data.h
       exp_data.c exp_data.h __math_oflow.c __math_uflow.c __math_invalid.c __math_divzero.c
       __math_xflow.c scalbn.c)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq "musl=$version-1" >/dev/null 2>&1) ||
  { echo "import-musl-math: apt-get source musl=$version-1 failed (install-windows-deps.sh adds the deb-src entry it needs)" >&2; exit 1; }
src="$work/musl-$version"
mkdir -p "$work/out"
for f in "${files[@]}"; do
  sed 's/^#include <features.h>$//' "$src/src/math/$f" >"$work/out/$f"
done
cp "$src/COPYRIGHT" "$work/out/COPYRIGHT"

if [ "${1:-}" = check ]; then
  status=0
  for f in "${files[@]}" COPYRIGHT; do
    cmp -s "$work/out/$f" "$dest/$f" || { echo "import-musl-math: $f differs from musl $version" >&2; status=1; }
  done
  [ $status -eq 0 ] && echo "import-musl-math: the ${#files[@]} files are musl $version's"
  exit $status
fi
mkdir -p "$dest"
cp "$work/out/"* "$dest/"
echo "import-musl-math: ${#files[@]} files of musl $version in $dest"
