#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Exec to the first lit picture: the game against Chromium B.S.U., median of five runs each,
# alternating, under a private Xvfb. Installs the peer (Debian's chromium-bsu) if it is missing.
exec "$(dirname "$0")/perf-table.sh" race
