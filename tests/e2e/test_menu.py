# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The settings menu driven with real key events: escape opens it, the cursor skips the
greyed and spacer items, a key is redefined and reaches the settings file, "quit" ends the
game after its confirmation, and a resolution switch resizes the window on the spot."""

import struct
import time

import harness
from harness import Game, check

SHOW_RADAR = 0x10000


def panel_darkens(path):
    ratio = harness.panel_ratio(path)
    return ratio is None or 0.3 < ratio < 0.7


def panel_gone(path):
    ratio = harness.panel_ratio(path)
    return ratio is None or ratio > 0.8


def keys(game, *names):
    for name in names:
        game.key(name)


def redefine_forward_then_close(xvfb):
    game = Game(xvfb).start()
    try:
        time.sleep(1.0)
        game.key("space")  # a game runs under the menu
        time.sleep(0.5)
        game.key("Escape")
        time.sleep(0.4)
        check(panel_darkens(game.screenshot("menu_open")), "the menu panel darkens the scene behind it")
        # Up from "resume game": "quit", then over the spacers "reset game", "define controls".
        keys(game, "Up", "Up", "Up", "Return")
        keys(game, "Down", "Return")
        game.screenshot("menu_waiting_for_key")
        keys(game, "w", "Escape", "Escape")
        time.sleep(0.5)
        check(panel_gone(game.screenshot("menu_resumed")), "the panel is gone once the game resumes")
        check(game.proc.poll() is None, "the game runs on after the menu closes")
        status = game.close()
        check(status == 0, "closing the window exits with status 0 (got %s)" % status)
        data = game.settings()
        check(data is not None and len(data) == 808, "the settings file is written")
        forward = struct.unpack_from("<i", data, 44)[0]
        check(forward == 119, "key_forward is 119 (w) after binding it (got %d)" % forward)
        check(struct.unpack_from("<i", data, 52)[0] == 32, "the fire key is untouched")
    finally:
        game.cleanup()


def skip_greyed_items_then_quit(xvfb):
    game = Game(xvfb).start()
    try:
        time.sleep(1.0)
        game.key("space")
        time.sleep(0.5)
        game.key("Escape")
        time.sleep(0.3)
        # In a window "  bit-depth" is grey: three Downs go fullscreen, resolution, display radar.
        keys(game, "Down", "Down", "Down", "Right")
        # Escape closes the menu; if it did not, the next escape would, and quit would never come.
        keys(game, "Escape")
        time.sleep(0.3)
        keys(game, "Escape", "Up", "Return")
        time.sleep(0.3)
        check(game.proc.poll() is None, "one return on quit only asks for confirmation")
        game.key("Return")
        status = game.wait(10)
        check(status == 0, "the second return on quit exits with status 0 (got %s)" % status)
        data = game.settings()
        check(data is not None and len(data) == 808, "quit writes the settings file")
        flags = struct.unpack_from("<i", data, 28)[0]
        check(flags & SHOW_RADAR == 0, "the radar was switched off: the cursor skipped bit depth and the spacer")
        check(struct.unpack_from("<i", data, 16)[0] == 16, "the bit depth was not touched")
        check(struct.unpack_from("<i", data, 44)[0] == 273, "the keys keep their defaults")
    finally:
        game.cleanup()


def switch_to_800x600(xvfb):
    game = Game(xvfb).start()
    try:
        time.sleep(1.0)
        check(game.window_size() == (640, 480), "the game starts in a 640x480 window")
        game.key("Escape")
        time.sleep(0.3)
        keys(game, "Down", "Down", "Right")
        time.sleep(1.0)
        size = game.window_size()
        check(size == (800, 600), "the window is 800x600 after the switch (got %s)" % (size,))
        shot = game.screenshot("menu_800x600")
        w, h, rows = harness.read_png_pixels(shot)
        check((w, h) == (800, 600), "the screenshot covers the whole 800x600 window")
        check(panel_darkens(shot), "the panel is centred in the new window over an intact scene")
        err = game.stderr()
        check("cant deal with" not in err, "the mode was accepted: " + err.strip())
        check(game.stdout().count("openGL driver: ") >= 2, "the GL state was set up again for the new mode")
        keys(game, "Escape")
        time.sleep(0.5)
        game.screenshot("resumed_800x600")
        status = game.close()
        check(status == 0, "closing the window exits with status 0")
        data = game.settings()
        check(struct.unpack_from("<ii", data, 8) == (800, 600), "the new size is in the settings file")
    finally:
        game.cleanup()


def main(xvfb):
    redefine_forward_then_close(xvfb)
    skip_greyed_items_then_quit(xvfb)
    switch_to_800x600(xvfb)


harness.run(main)
