# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The radar in the real game: once a game is running, the round map sits in the upper right
with the barrel stock and the player's tank inside its disk and the enemy tanks, still coming
in from far outside the arena, as red arrowheads just beyond its rim. Screenshots land in
build/screenshots."""

import math
import time

import harness
from harness import Game, check


def classify(rows, cx, cy, radius):
    """Counts coloured pixels by where they lie relative to the radar disk."""
    red_outside = red_inside = green_inside = grey_inside = 0
    for y in range(int(cy - radius * 1.3), int(cy + radius * 1.3)):
        for x in range(int(cx - radius * 1.3), int(cx + radius * 1.3)):
            if not (0 <= y < len(rows) and 0 <= x < len(rows[0])):
                continue
            r, g, b = rows[y][x]
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / radius
            red = r > 180 and g < 110 and b < 110
            if red and 1.0 < d < 1.2:
                red_outside += 1
            if red and d < 0.98:
                red_inside += 1
            if g > 180 and r < 120 and b < 120 and d < 0.98:
                green_inside += 1
            if abs(r - g) < 20 and abs(g - b) < 20 and r > 80 and d < 0.2:
                grey_inside += 1
    return red_outside, red_inside, green_inside, grey_inside


def main(xvfb):
    game = Game(xvfb).start()
    try:
        time.sleep(1.5)
        game.key("space")
        time.sleep(1.5)
        shot = game.screenshot("radar_game_start")
        w, h, rows = harness.read_png_pixels(shot)
        # The radar's centre is at 5/6 of the width and 1/6 of the height from the top; its
        # radius is 0.14 of the 1.2-unit wide view at the near plane.
        cx, cy, radius = w * 5 / 6, h / 6, w * 0.14 / 1.2
        red_outside, red_inside, green_inside, grey_inside = classify(rows, cx, cy, radius)
        print("radar pixels: red outside %d, red inside %d, player %d, stock %d"
              % (red_outside, red_inside, green_inside, grey_inside), flush=True)
        check(red_outside >= 3, "enemy tanks beyond the arena show as red arrowheads outside the rim")
        check(red_inside == 0, "no enemy symbol inside the disk while they are still far out")
        check(green_inside >= 2, "the player's tank shows inside the disk")
        check(grey_inside >= 5, "the barrel stock shows at the centre of the disk")
        status = game.close()
        check(status == 0, "the game closes cleanly")
    finally:
        game.cleanup()


harness.run(main)
