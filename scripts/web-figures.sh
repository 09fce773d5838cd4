#!/usr/bin/env bash
# The browser build's figures on this machine: frames per second while playing in headless
# Chromium, page load to first lit picture over loopback, and bytes downloaded.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/build-web.sh" >/dev/null
HOLLOWMERE_WEB="$top/build-web" /usr/bin/python3 "$top/tests/web/figures.py"
