#!/usr/bin/env bash
# Exec to the first lit picture: the game against Chromium B.S.U., median of five runs each,
# alternating, under a private Xvfb. Installs the peer (Debian's chromium-bsu) if it is missing.
exec "$(dirname "$0")/perf-table.sh" race
