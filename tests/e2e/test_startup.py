# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Start-up and exit of the real game: the pack lines, the GL driver line, a game started with
space, the menu flag on escape, closing through the window manager, a missing pack, and no
display to show a window on."""

import os
import struct
import subprocess
import time

import harness
from harness import Game, check


def window_close_writes_settings(xvfb):
    game = Game(xvfb).start()
    try:
        time.sleep(1.0)
        game.key("space")
        time.sleep(1.0)
        game.key("Escape")
        time.sleep(0.5)
        status = game.close()
        out = game.stdout()
        check(status == 0, "closing the window exits with status 0 (got %s)" % status)
        check("loaded " in out, "a 'loaded' line per pack record")
        check("openGL driver: " in out, "the GL driver line")
        data = game.settings()
        check(data is not None and len(data) == 808, "an 808-byte settings file is written")
        check(struct.unpack("<i", data[:4])[0] == 1, "its first int is 1")
        check(not os.path.exists(os.path.join(game.dir, "hollowmere.cfg.new")), "no temporary file is left")
    finally:
        game.cleanup()


def missing_pack_refused(xvfb):
    game = Game(xvfb, pack=False).start(wait_window=False)
    try:
        status = game.wait()
        err = game.stderr()
        check(status == 1, "without a pack the game exits with status 1 (got %s)" % status)
        check("hollowmere.data: cannot open resource pack:" in err, "and says why: " + err.strip())
    finally:
        game.cleanup()


def damaged_settings_survive(xvfb):
    data = bytearray(harness.settings_defaults())
    struct.pack_into("<ii", data, 8, 100000, 0)  # a window size no machine can open
    struct.pack_into("<i", data, 52, 5000)       # a key symbol past the key table
    game = Game(xvfb, settings=bytes(data)).start()
    try:
        time.sleep(0.5)
        status = game.close()
        check(status == 0, "a damaged settings file still starts the game")
        check("damaged settings" in game.stderr(), "and the damage is reported")
        written = game.settings()
        width, height = struct.unpack_from("<ii", written, 8)
        check((width, height) == (640, 480), "the size is back to its default")
        check(struct.unpack_from("<i", written, 52)[0] == 32, "the fire key is back to space")
    finally:
        game.cleanup()


def no_display_refused(xvfb):
    """Without a display SDL 2 would start on its offscreen driver and the game would run unseen;
    it must say so and exit instead, unless that driver was asked for by name."""
    settings = bytearray(harness.settings_defaults())
    struct.pack_into("<i", settings, 568, 12345)  # a best score of the player's own, to see it kept
    for case, overrides in (("DISPLAY unset", {"DISPLAY": None}),
                            ("a display that does not exist", {"DISPLAY": ":4999"})):
        game = Game(xvfb, settings=bytes(settings))
        game.env["XDG_RUNTIME_DIR"] = game.dir  # keeps SDL's own complaint about it off the stream
        for name, value in overrides.items():
            if value is None:
                game.env.pop(name, None)
            else:
                game.env[name] = value
        game.start(wait_window=False)
        try:
            try:
                status = game.proc.wait(10)
            except subprocess.TimeoutExpired:
                status = None
            lines = game.stderr().splitlines()
            check(status == 1, "%s: the game exits with status 1 within 10 s (got %s)" % (case, status))
            check(len(lines) == 1 and lines[0].startswith("ui_init failed: no display to open a window on ("),
                  "%s: and says so in one line: %r" % (case, lines))
            check(game.settings() == bytes(settings), "%s: the settings file is unharmed" % case)
        finally:
            game.cleanup()

    game = Game(xvfb, env={"SDL_VIDEODRIVER": "offscreen"})
    game.env.pop("DISPLAY", None)
    game.start(wait_window=False)
    try:
        time.sleep(3.0)
        check(game.proc.poll() is None, "the offscreen driver named in SDL_VIDEODRIVER still runs the game: "
              + game.stderr().strip())
        check("openGL driver: " in game.stdout(), "and draws with GL")
    finally:
        game.cleanup()


def lost_display_ends_the_game():
    """The X server dies under a running game: the game saves and ends by itself."""
    own = harness.Xvfb()
    game = Game(own).start()
    try:
        time.sleep(1.0)
        game.key("Right", hold=0.5)
        own.proc.kill()
        own.proc.wait()
        start = time.time()
        try:
            status = game.proc.wait(5)
        except subprocess.TimeoutExpired:
            status = None
        check(status == 1, "without its display the game ends within 5 s with status 1 (got %s after %.1f s)"
              % (status, time.time() - start))
        data = game.settings()
        check(data is not None and len(data) == 808, "and its settings file is written")
    finally:
        game.cleanup()
        own.stop()


def main(xvfb):
    window_close_writes_settings(xvfb)
    missing_pack_refused(xvfb)
    damaged_settings_survive(xvfb)
    no_display_refused(xvfb)
    lost_display_ends_the_game()


harness.run(main)
