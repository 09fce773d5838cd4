#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is needed, builds, and starts the game in the per-user directory, where the
# settings and high scores survive rebuilds. The pack there is a link to the built one unless
# the player has put a pack of their own there. `play.sh FILE.hmr` plays that replay first
# (named from the folder play.sh was started in).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -gt 1 ]; then
  echo "play: one replay at a time: play.sh [FILE.hmr]" >&2
  exit 2
fi
[ $# -eq 0 ] || case $1 in /*) ;; *) set -- "$PWD/${1#./}" ;; esac
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" hollowmere hollowmere_pack
dir="${XDG_DATA_HOME:-$HOME/.local/share}/hollowmere"
mkdir -p "$dir"
if [ ! -e "$dir/hollowmere.data" ] || [ -L "$dir/hollowmere.data" ]; then
  if [ ! -f "$top/build/hollowmere.data" ]; then
    echo "play: there is no resource pack: build/hollowmere.data was not made" >&2
    exit 1
  fi
  ln -sfn "$top/build/hollowmere.data" "$dir/hollowmere.data"
fi
cd "$dir"
exec "$top/build/hollowmere" "$@"
