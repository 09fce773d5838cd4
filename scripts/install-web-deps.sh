#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the Debian packages the browser build and its tests need: Emscripten (with its node
# modules), Chromium, and Python's WebSocket client for the DevTools protocol. Does nothing when
# all are installed.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" emscripten chromium python3-websocket
