#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Configures and builds Hollowmere in ./build: everything (game, pack tool, generated pack,
# tests, benchmarks), or only the targets given, e.g. `build.sh hollowmere hollowmere_pack`.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then
  cmake --build build --target "$@"
else
  cmake --build build
fi
