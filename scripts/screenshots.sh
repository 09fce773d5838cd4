#!/usr/bin/env bash
# Regenerates the README's screenshots, docs/screenshots/title.png and play.png, from the real
# game under Xvfb through the end-to-end harness: the title screen with its high-score panel,
# then a few seconds of play (driving, turning and firing). The pictures are reduced to a
# 256-colour palette so that they stay small in the repository.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build/, built first by scripts/build.sh)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -ge 1 ]; then
  build="$(cd "$1" && pwd)"
else
  "$top/scripts/install-deps.sh"
  "$top/scripts/build.sh"
  build="$top/build"
fi
for need in "$build/hollowmere" "$build/tests/wm_close" "$build/hollowmere.data"; do
  if [ ! -e "$need" ]; then
    echo "screenshots: $need is missing; build the game, its tests and its pack first" >&2
    exit 1
  fi
done
out="$top/docs/screenshots"
mkdir -p "$out"

HOLLOWMERE_BIN="$build/hollowmere" WM_CLOSE_BIN="$build/tests/wm_close" HOLLOWMERE_BUILD="$build" \
  python3 - "$top/tests/e2e" <<'EOF'
import os
import sys
import time

sys.path.insert(0, sys.argv[1])
import harness
from harness import Game


def shoot(xvfb):
    game = Game(xvfb).start()
    try:
        time.sleep(3.0)
        harness.check(os.path.exists(game.screenshot("readme_title")), "title screen taken")
        game.key("space")
        time.sleep(1.0)
        game.keydown("Up")
        time.sleep(2.5)
        game.keydown("Left")
        time.sleep(0.6)
        game.keyup("Left")
        for _ in range(4):
            game.key("space", hold=0.15)
            time.sleep(0.5)
        game.keyup("Up")
        game.key("space", hold=0.15)
        time.sleep(0.25)
        harness.check(os.path.exists(game.screenshot("readme_play")), "play taken")
        game.close()
    finally:
        game.cleanup()


harness.run(shoot)
EOF

for name in title play; do
  convert "$build/screenshots/readme_$name.png" -strip -dither FloydSteinberg -colors 256 "PNG8:$out/$name.png"
  echo "screenshots: $out/$name.png ($(stat -c %s "$out/$name.png") bytes)"
done
