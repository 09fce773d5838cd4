#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds with optimisation and prints the table of performance figures (bench/perf_table.py);
# "perf-table.sh race" prints only the start-up race against the peer game.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/install-peer.sh"
cmake -S "$top" -B "$top/build-perf" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOLLOWMERE_TESTS=OFF >/dev/null
cmake --build "$top/build-perf"
python3 "$top/bench/perf_table.py" "$top/build-perf" "$@"
