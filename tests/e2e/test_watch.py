# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Watching recorded games with real keys. On the title, up chooses the table's entry whose game
is kept (a stored one, and then one played here) and return plays it; pause freezes the picture, a step moves it on by one frame, 8x and
a restart are taken, and the game plays to its recorded score with every fingerprint agreeing,
then the title returns; escape leaves a replay at once and opens no menu. The frame rate of live
play and of the playback at 1x and 8x is measured in the same run. Left alone on the title (the
clock runs ten times as fast), a recorded game plays by itself and a key ends it. Started with a
replay file, the game plays it and then shows the title; a file that is not a replay gets one
line on the error stream and the title."""

import os
import re
import shutil
import struct
import time

import harness
from harness import Game, check

REPLAYS = os.path.join(os.environ.get("HOLLOWMERE_SOURCE", ""), "tests", "replays")


def table_settings():
    """The defaults with the last entry 996 by ACE: the score of the every-power-up game."""
    settings = bytearray(harness.settings_defaults())
    struct.pack_into("<i", settings, 568 + 36, 996)
    settings[608 + 180:608 + 200] = b"ACE".ljust(20, b"\0")
    return bytes(settings)


def keep_entry_game(game):
    os.makedirs(os.path.join(game.dir, "replays"), exist_ok=True)
    shutil.copy(os.path.join(REPLAYS, "every_power_up.hmr"),
                os.path.join(game.dir, "replays", "entry-996-414345-1700000000.hmr"))


def wait_for(game, pattern, timeout):
    end = time.time() + timeout
    while time.time() < end:
        m = re.search(pattern, game.stdout())
        if m:
            return m
        time.sleep(0.2)
    harness.fail("no line /%s/ within %d s; stdout ends: %s" % (pattern, timeout, game.stdout()[-400:]))


def on_title(game, name):
    return harness.title_heading_pixels(game.screenshot(name)) > 300


def frame_rate(game, seconds):
    """Frames shown a second over the next `seconds`, counted by the preloaded helper."""
    def count():
        with open(game.counter) as f:
            frames, ms = f.read().split()
        return int(frames), int(ms)
    f0, t0 = count()
    time.sleep(seconds)
    f1, t1 = count()
    return (f1 - f0) * 1000.0 / max(t1 - t0, 1)


def same_picture(a, b):
    return harness.read_png_bytes(a)[2] == harness.read_png_bytes(b)[2]


def watch_from_the_table(xvfb):
    counter = os.path.join(harness.BUILD, "watch_frames.txt")
    game = Game(xvfb, settings=table_settings(),
                env={"LD_PRELOAD": os.environ["TIME_WARP_LIB"], "HOLLOWMERE_FRAME_COUNT": counter})
    game.counter = counter
    keep_entry_game(game)
    game.start()
    try:
        time.sleep(1.0)
        game.key("Up")
        game.key("Return")
        wait_for(game, r"watching replay \S*entry-996-414345-1700000000\.hmr", 5)
        time.sleep(0.5)
        check(not on_title(game, "watch_1x"), "return on the chosen entry plays its game")
        at_1x = frame_rate(game, 3)

        game.key("p")
        wait_for(game, r"replay paused at \d+:\d\d", 3)
        a, b = game.screenshot("watch_paused_a"), None
        time.sleep(0.8)
        b = game.screenshot("watch_paused_b")
        check(same_picture(a, b), "paused, the picture stands still")
        game.key("s")
        wait_for(game, r"replay stepped to frame \d+", 3)
        check(not same_picture(b, game.screenshot("watch_stepped")), "a step moves it on")
        game.key("p")
        wait_for(game, r"replay resumed", 3)

        game.key("r")
        wait_for(game, r"replay restarted", 3)
        for _ in range(3):
            game.key("Right")
        wait_for(game, r"replay at 8x", 3)
        at_8x = frame_rate(game, 2)
        wait_for(game, r"replay ended: score 996, every fingerprint agreed", 30)
        game.screenshot("watch_ended")
        left = wait_for(game, r"replay left; frames drawn at .*", 15)
        time.sleep(1.0)
        check(on_title(game, "watch_back"), "after the closing words the title returns")

        game.key("Return")
        time.sleep(1.0)
        check(game.stdout().count("watching replay") == 2, "the entry stays chosen: return plays it again")
        game.key("Escape")
        time.sleep(1.0)
        check(on_title(game, "watch_escaped"), "escape leaves the replay for the title, not the menu")
        game.key("space")
        time.sleep(1.0)
        live = frame_rate(game, 3)
        print("frames a second: live play %.1f, replay at 1x %.1f, at 8x %.1f (%s)"
              % (live, at_1x, at_8x, left.group(0)), flush=True)
        check(game.close() == 0, "the game closes cleanly")
        check(game.stderr().strip() == "", "nothing on the error stream: " + game.stderr())
    finally:
        game.cleanup()


def a_played_game_from_the_table(xvfb):
    """A whole game played with real keys (space held, fire moved off it, so that the thieves
    take the stock) on a clock ten times as fast, against a table that every score enters: the
    name typed, its entry's game is chosen on the title and reaches the game's score at 8x."""
    settings = bytearray(harness.settings_defaults())
    struct.pack_into("<10i", settings, 568, *[-10 ** 6] * 10)
    struct.pack_into("<i", settings, 52, ord("f"))
    game = Game(xvfb, settings=bytes(settings),
                env={"LD_PRELOAD": os.environ["TIME_WARP_LIB"], "HOLLOWMERE_TIME_WARP": "10"}).start()
    replays = os.path.join(game.dir, "replays")
    try:
        time.sleep(1.0)
        game.keydown("space")
        time.sleep(2.0)
        end = time.time() + 300
        while time.time() < end and not on_title(game, "played_poll"):
            time.sleep(1.0)
        game.keyup("space")
        check(time.time() < end, "the barrels run out and the name entry comes")
        for k in ("z", "e", "d", "Return"):
            game.key(k, hold=0.1)
        end = time.time() + 10
        while time.time() < end and not any(f.startswith("entry-") for f in os.listdir(replays)):
            time.sleep(0.2)
        kept = [f for f in os.listdir(replays) if f.startswith("entry-")]
        check(len(kept) == 1, "the entry keeps its game: %s" % kept)
        score = int(re.match(r"entry-(-?\d+)-", kept[0]).group(1))
        game.key("Down", hold=0.1)
        game.key("Return", hold=0.1)
        wait_for(game, r"watching replay \S*" + re.escape(kept[0]), 5)
        for _ in range(3):
            game.key("Right", hold=0.1)
        wait_for(game, r"replay ended: score %d, every fingerprint agreed" % score, 60)
        check(game.close() == 0, "the game closes cleanly")
    finally:
        game.keyup("space")
        game.cleanup()


def attract_mode(xvfb):
    game = Game(xvfb, settings=table_settings(),
                env={"LD_PRELOAD": os.environ["TIME_WARP_LIB"], "HOLLOWMERE_TIME_WARP": "10"})
    keep_entry_game(game)
    game.start()
    try:
        wait_for(game, r"watching replay \S*entry-996", 15)
        time.sleep(0.5)
        check(not on_title(game, "attract"), "left alone, the title shows a recorded game")
        game.key("x")
        wait_for(game, r"replay left", 3)
        time.sleep(0.5)
        check(on_title(game, "attract_left"), "a key ends it")
        check(game.close() == 0, "the game closes cleanly")
    finally:
        game.cleanup()


def replay_on_the_command_line(xvfb):
    for name, content in (("whole_game.hmr", None), ("notes.hmr", b"these are not the bytes of a replay\n")):
        game = Game(xvfb, env={"LD_PRELOAD": os.environ["TIME_WARP_LIB"], "HOLLOWMERE_TIME_WARP": "10"})
        path = os.path.join(game.dir, name)
        if content is None:
            shutil.copy(os.path.join(REPLAYS, name), path)
        else:
            with open(path, "wb") as f:
                f.write(content)
        game.command = [harness.BIN, name]
        game.start()
        try:
            if content is None:
                wait_for(game, r"watching replay whole_game\.hmr", 10)
                for _ in range(3):
                    game.key("Right")
                wait_for(game, r"replay ended: score -1400, every fingerprint agreed", 30)
                wait_for(game, r"replay left", 15)
            else:
                time.sleep(1.5)
                lines = game.stderr().strip().splitlines()
                check(len(lines) == 1 and lines[0] == "notes.hmr: not a replay",
                      "a file that is not a replay gets one line: %r" % lines)
            time.sleep(1.0)
            check(on_title(game, "command_line_" + name), "then the title shows (%s)" % name)
            check(game.close() == 0, "the game closes cleanly")
        finally:
            game.cleanup()


def main(xvfb):
    watch_from_the_table(xvfb)
    a_played_game_from_the_table(xvfb)
    attract_mode(xvfb)
    replay_on_the_command_line(xvfb)


harness.run(main)
