#!/usr/bin/env bash
# Regenerates the README's screenshots, docs/screenshots/title.png and play.png, from the real
# game under Xvfb through the end-to-end harness: the title screen with its high-score panel,
# then the liveliest of 16 frames of play (driving, turning and firing). The pictures are
# reduced to a 256-colour palette so that they stay small in the repository.
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
import shutil
import sys
import time

sys.path.insert(0, sys.argv[1])
import harness
from harness import Game


def liveliness(path):
    """How much is going on below the score line: barrels and fire (warm colours), flashes (white)."""
    width, height, rows = harness.read_png_pixels(path)
    score = 0
    for row in rows[height // 8:]:
        for r, g, b in row:
            if r > 110 and r > g + 45 and r > b + 45:
                score += 1
            elif r + g + b > 600:
                score += 1
    return score


def shoot(xvfb):
    game = Game(xvfb).start()
    try:
        # The title shows "GAME OVER" for its first 5 seconds, then the high-score table.
        time.sleep(6.5)
        harness.check(os.path.exists(game.screenshot("readme_title")), "title screen taken")
        game.key("space")
        time.sleep(2.0)
        # Play for a while, firing and turning, and keep the liveliest of the frames taken.
        best, best_score = None, -1
        for i in range(16):
            game.key("space", hold=0.12)
            if i % 4 == 1:
                game.keydown("Left")
                time.sleep(0.35)
                game.keyup("Left")
            elif i % 4 == 3:
                game.keydown("Up")
                time.sleep(0.5)
                game.keyup("Up")
            path = game.screenshot("readme_play_%02d" % i)
            score = liveliness(path)
            if score > best_score:
                best, best_score = path, score
        harness.check(best is not None, "play taken (liveliness %d)" % best_score)
        shutil.copy(best, os.path.join(harness.SHOTS, "readme_play.png"))
        game.close()
    finally:
        game.cleanup()


harness.run(shoot)
EOF

for name in title play; do
  convert "$build/screenshots/readme_$name.png" -strip -dither FloydSteinberg -colors 256 "PNG8:$out/$name.png"
  echo "screenshots: $out/$name.png ($(stat -c %s "$out/$name.png") bytes)"
done
