#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is needed, builds, and runs the whole test suite: the unit and end-to-end
# tests, then the Windows build's tests under Wine, then the browser build's tests in headless
# Chromium, then the same suite built with ASan and UBSan (and the audio thread test with TSan),
# then a short run of every fuzz target over its saved regression cases, then the Debian package
# on a clean system (as root; elsewhere it says it is skipped).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
(cd "$top/build" && ctest --output-on-failure -j2 --timeout 900)
"$top/scripts/test-windows.sh"
"$top/scripts/test-web.sh"
"$top/scripts/sanitize.sh"
"$top/scripts/fuzz.sh" "${HOLLOWMERE_FUZZ_SECONDS:-30}"
if [ "$(id -u)" -eq 0 ]; then
  "$top/scripts/test-deb.sh"
else
  echo "test: the clean-system package test needs root (debootstrap, chroot); skipped" >&2
fi
