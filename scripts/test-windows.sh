#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Windows stage of the test command: builds the release and the unit tests for Windows
# (scripts/build-windows.sh --tests), runs the unit tests under Wine in a prefix of their own,
# then the end-to-end test of the installer and the zip (tests/windows/test_wine.py), and says
# how long the stage took.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${HOLLOWMERE_WINDOWS_BUILD:-$top/build-windows}"
began=$(date +%s)

"$top/scripts/build-windows.sh" --tests
"$top/scripts/build.sh" wm_close hollowmere-replay >/dev/null
version="$(cat "$out/game/version.txt")"

prefix="$(mktemp -d)"
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
(
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot --init >/dev/null 2>&1
  # A test that fails is run once more: Wine now and then fails to start a process at all
  # (exit status 1 in no time, not a line printed), which says nothing about the test. A test
  # that fails twice fails the stage; ctest's output shows every second run.
  cd "$out/game" && ctest --output-on-failure -j2 --timeout 300 --repeat until-pass:2
)

HOLLOWMERE_SETUP="$out/hollowmere-$version-setup.exe" HOLLOWMERE_ZIP="$out/hollowmere-$version-windows.zip" \
  WM_CLOSE_BIN="$top/build/tests/wm_close" HOLLOWMERE_REPLAY_BIN="$top/build/tools/hollowmere-replay" \
  HOLLOWMERE_BUILD="$out" \
  /usr/bin/python3 "$top/tests/windows/test_wine.py"

echo "test-windows: the Windows stage took $(($(date +%s) - began)) s"
