#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The browser tests: builds build-web/ (and the native game it is compared with), checks the
# simulation's bits under Node.js, and drives the page in headless Chromium. Debian's Python
# runs them, since python3-websocket is Debian's.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-web-deps.sh"
"$top/scripts/build-web.sh"
# The browser build's simulation, run by Node.js, gives the desktops' bits.
python3 "$top/tests/sim/compare_golden.py" "$top/tests/sim/golden.txt" node "$top/build-web/sim_check.js"
# The stored golden replays verify with the browser's hollowmere-replay to the desktops' lines.
(cd "$top/tests/replays" &&
  python3 ../sim/compare_golden.py expected.txt node "$top/build-web/hollowmere-replay.js" verify *.hmr)
[ -x "$top/build/hollowmere" ] || "$top/scripts/build.sh" hollowmere
HOLLOWMERE_WEB="$top/build-web" HOLLOWMERE_BIN="$top/build/hollowmere" HOLLOWMERE_BUILD="$top/build" \
  timeout 600 /usr/bin/python3 "$top/tests/web/test_browser.py"
