#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the libFuzzer targets with clang, ASan and UBSan, replays every saved regression case,
# then gives each target a short run. Usage: fuzz.sh [SECONDS_PER_TARGET]  (default 30)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
build="$top/build-fuzz"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHOLLOWMERE_FUZZ=ON -DHOLLOWMERE_TESTS=OFF -DHOLLOWMERE_BENCH=OFF \
  -DHOLLOWMERE_SANITIZE=address,undefined >/dev/null
targets=$(cd "$top/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build "$build" --target $targets
corpus="$build/corpus"
# Seeds come from the pack of the normal build (scripts/build.sh), when there is one.
python3 "$top/scripts/fuzz_seeds.py" "$top/build/hollowmere.data" "$build/seeds"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
passed=0
for t in $targets; do
  regress="$top/fuzz/regressions/$t"
  if [ -d "$regress" ] && [ -n "$(ls -A "$regress")" ]; then
    if ! "$build/fuzz/$t" "$regress"/* >"$build/$t.regress.log" 2>&1; then
      echo "fuzz: $t fails a saved regression case (see $build/$t.regress.log)"; failed=1
    fi
  fi
  mkdir -p "$corpus/$t" "$build/crashes/$t"
  seeds=()
  [ -d "$build/seeds/$t" ] && seeds=("$build/seeds/$t")
  if "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -close_fd_mask=3 -max_len=70000 \
      -artifact_prefix="$build/crashes/$t/" "$corpus/$t" "${seeds[@]}" >"$build/$t.log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs' "$build/$t.log" | tail -1 || true)
    echo "fuzz: $t ok (${runs:-no count})"
    passed=$((passed + 1))
  else
    echo "fuzz: $t FAILED; artifacts in $build/crashes/$t; log $build/$t.log"; failed=1
  fi
done
count=$(echo $targets | wc -w)
echo "fuzz: $passed passed, $((count - passed)) failed"
[ "$failed" -eq 0 ]
