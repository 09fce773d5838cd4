#!/usr/bin/env bash
# Exec to the first lit picture: the game against Chromium B.S.U., median of five runs each,
# alternating, under a private Xvfb. Installs the peer (Debian's chromium-bsu) if it is missing.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/install-peer.sh"
cmake -S "$top" -B "$top/build-perf" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOLLOWMERE_TESTS=OFF >/dev/null
cmake --build "$top/build-perf"
python3 "$top/bench/perf_table.py" "$top/build-perf" race
