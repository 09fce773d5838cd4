#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# A second build of the test suite with ASan and UBSan (leak checking on, except for tests
# that open SDL or GL, whose libraries keep allocations of their own) with the end-to-end test
# of watching replays, and the audio thread tests under ThreadSanitizer.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

asan="$top/build-asan"
cmake -S "$top" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOLLOWMERE_BENCH=OFF \
  -DHOLLOWMERE_SANITIZE=address,undefined >/dev/null
cmake --build "$asan"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$asan" && ctest --output-on-failure -j2 -L unit --timeout 600)
# Watching replays runs the game's frame loop on a second record: the end-to-end test of it under
# the sanitizers too (the preloaded clock helper comes before ASan's runtime, hence the option).
HOLLOWMERE_BIN="$asan/hollowmere" WM_CLOSE_BIN="$asan/tests/wm_close" TIME_WARP_LIB="$asan/tests/libtime_warp.so" \
  HOLLOWMERE_BUILD="$asan" HOLLOWMERE_SOURCE="$top" ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 \
  /usr/bin/python3 "$top/tests/e2e/test_watch.py"

tsan="$top/build-tsan"
cmake -S "$top" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOLLOWMERE_BENCH=OFF \
  -DHOLLOWMERE_SANITIZE=thread >/dev/null
threaded=$(cd "$top/tests" && ls test_audio*.cpp 2>/dev/null | sed 's/\.cpp$//' || true)
if [ -n "$threaded" ]; then
  cmake --build "$tsan" --target $threaded
  (cd "$tsan" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R 'AudioThread' --timeout 600)
fi
