#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs Chromium B.S.U., the peer game that start-up is raced against (perf-table.sh,
# startup-race.sh). Never part of the test command.
set -euo pipefail
[ -x /usr/games/chromium-bsu ] && exit 0
if [ "$(id -u)" -eq 0 ]; then run=(); else run=(sudo); fi
echo "install-peer: installing chromium-bsu"
"${run[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${run[@]}" apt-get install -y -qq chromium-bsu
