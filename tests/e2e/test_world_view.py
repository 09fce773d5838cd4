# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The world in the real game: a started game seen from the chase camera (sky above, lit field
below, the stock and the ring wall around the tank) and from the top view (no sky, the field
straight down). Screenshots land in build/screenshots for a person to look at."""

import struct
import time

import harness
from harness import Game, check


def picture_stats(path):
    w, h, rows = harness.read_png_pixels(path)
    top = [p for row in rows[:h // 6] for p in row[::4]]
    bottom = [p for row in rows[h - h // 3:] for p in row[::4]]
    every = [p for row in rows[::4] for p in row[::4]]
    lit = lambda ps: sum(1 for p in ps if sum(p) > 40) / max(1, len(ps))
    colours = len(set((p[0] // 16, p[1] // 16, p[2] // 16) for p in every))
    return {"top_lit": lit(top), "bottom_lit": lit(bottom), "colours": colours, "size": (w, h)}


def view(xvfb, view_mode, name, fire_shot=None):
    settings = bytearray(harness.settings_defaults())
    struct.pack_into("<i", settings, 32, view_mode)
    game = Game(xvfb, settings=bytes(settings)).start()
    try:
        time.sleep(1.5)
        game.key("space")  # leave the title screen and play
        time.sleep(2.5)
        shot = game.screenshot(name)
        if fire_shot:
            # Missiles in flight trail smoke; the shot is taken while they fly.
            game.keydown("space")
            time.sleep(1.2)
            game.screenshot(fire_shot)
            game.keyup("space")
        status = game.close()
        check(status == 0, "%s: the game closes cleanly (status %s)" % (name, status))
        err = game.stderr()
        check("geo handle not defined" not in game.stdout(), "%s: every mesh has its display list" % name)
        return picture_stats(shot), err
    finally:
        game.cleanup()


def main(xvfb):
    if harness.game_pack_path() is None:
        harness.fail("the generated pack is missing from the build tree")
    chase, err = view(xvfb, 0, "world_chase_view", "world_chase_firing")
    print("chase view:", chase, flush=True)
    check(chase["top_lit"] > 0.2, "chase view: the night sky shows above the horizon")
    check(chase["bottom_lit"] > 0.5, "chase view: the lit field fills the bottom")
    check(chase["colours"] > 20, "chase view: a varied picture, not a flat fill")

    top, err = view(xvfb, 1, "world_top_view")
    print("top view:", top, flush=True)
    check(top["bottom_lit"] > 0.5, "top view: the field is seen straight down")
    check(top["colours"] > 20, "top view: a varied picture")


harness.run(main)
