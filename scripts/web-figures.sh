#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The browser build's figures on this machine: frames per second while playing in headless
# Chromium against the native build's on Xvfb in the same run, page load to first lit picture
# over loopback, and bytes downloaded.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/build-web.sh" >/dev/null
[ -x "$top/build/tests/wm_close" ] || "$top/scripts/build.sh" hollowmere wm_close >/dev/null
HOLLOWMERE_WEB="$top/build-web" HOLLOWMERE_BIN="$top/build/hollowmere" HOLLOWMERE_BUILD="$top/build" \
  WM_CLOSE_BIN="$top/build/tests/wm_close" /usr/bin/python3 "$top/tests/web/figures.py"
