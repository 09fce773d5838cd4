#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the Debian package and proves it on a clean system: a minimal Debian 12 made with
# debootstrap, the package installed there with apt, the game played to its title picture, then
# purged (tests/e2e/clean_system.py). Needs root, the archive, and the native build's wm_close
# (scripts/build.sh makes it). Also checks the AppStream metadata with appstreamcli.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
[ -x "$top/build/tests/wm_close" ] || "$top/scripts/build.sh" wm_close
deb=$("$top/scripts/build-deb.sh" | tail -n 1)
appstreamcli validate --no-net --explain "$top"/build-deb/pkg/debian/hollowmere/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$top/build-deb/pkg/debian/hollowmere/usr/share/applications/hollowmere.desktop"
WM_CLOSE_BIN="$top/build/tests/wm_close" /usr/bin/python3 "$top/tests/e2e/clean_system.py" "$deb"
