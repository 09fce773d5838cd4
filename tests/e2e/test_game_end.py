# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The end of a whole game, played with space held to the last barrel on a clock that runs ten
times as fast: the title then stays up while space is still held, starts the next game only on
a fresh press, and is silent: the tanks' engines stop with the game. Fire is moved off space so
that nobody defends the stock: a player firing from the start position can hold the thieves off
for as long as the test would wait, above all on a loaded machine where every tick is long.
The game's replay, replays/last.hmr, verifies with hollowmere-replay to the game's score; the
next game, closed early, replaces it as an unfinished one."""

import array
import os
import struct
import subprocess
import time

import harness
from harness import Game, check

WARP = 10
DISK_SECOND = 44100 * 4  # the disk driver writes 44100 Hz signed 16-bit stereo


def title_pixels(game, name):
    return harness.title_heading_pixels(game.screenshot(name))


def loudest(path, start, end):
    with open(path, "rb") as f:
        f.seek(start)
        raw = f.read(max(end - start, 0))
    samples = array.array("h")
    samples.frombytes(raw[:len(raw) - len(raw) % 2])
    return max(map(abs, samples), default=0)


def replay_says(game, command):
    tool = os.path.join(harness.BUILD, "tools", "hollowmere-replay")
    r = subprocess.run([tool, command, os.path.join(game.dir, "replays", "last.hmr")], capture_output=True,
                       text=True, timeout=120)
    return r.returncode, r.stdout.strip() + r.stderr.strip()


def info_of(game):
    status, text = replay_says(game, "info")
    check(status == 0, "hollowmere-replay reads last.hmr: " + text)
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def main(xvfb):
    settings = bytearray(harness.settings_defaults())
    struct.pack_into("<10i", settings, 568, *[10 ** 6] * 10)  # no score of this game qualifies
    struct.pack_into("<i", settings, 52, ord("f"))  # fire off space: nobody defends the stock
    audio = os.path.join(harness.BUILD, "game_end_audio.raw")
    game = Game(xvfb, settings=bytes(settings), audio="disk",
                env={"SDL_DISKAUDIOFILE": audio, "LD_PRELOAD": os.environ["TIME_WARP_LIB"],
                     "HOLLOWMERE_TIME_WARP": str(WARP)}).start()
    try:
        time.sleep(1.0)
        check(title_pixels(game, "game_end_start") > 300, "the game starts on the title")
        game.keydown("space")  # starts the game and fires for all of it
        time.sleep(2.0)
        check(title_pixels(game, "game_end_playing") == 0, "space starts a game")
        began = time.time()
        end = began + 300
        while time.time() < end and title_pixels(game, "game_end_poll") < 300:
            time.sleep(1.0)
        print("the game lasted %.0f s" % (time.time() - began), flush=True)
        check(time.time() < end, "the barrels run out and the title comes back")
        time.sleep(2.0)
        quiet_from = os.path.getsize(audio)
        time.sleep(2.0)
        quiet_to = os.path.getsize(audio)
        check(quiet_to - quiet_from > DISK_SECOND, "the sound goes on being written")
        peak = loudest(audio, quiet_from, quiet_to)
        check(peak < 50, "the title is silent after the game (peak %d)" % peak)
        check(title_pixels(game, "game_end_held") > 300, "with space still held the title stays")
        info = info_of(game)
        check(info.get("complete") == "yes", "the game's replay is complete: %s" % info)
        status, text = replay_says(game, "verify")
        check(status == 0 and ("verified: score %s," % info["score"]) in text,
              "and verifies to the game's score %s: %s" % (info["score"], text))
        game.keyup("space")
        time.sleep(0.5)
        check(title_pixels(game, "game_end_released") > 300, "releasing space starts nothing")
        game.key("space")
        time.sleep(1.5)
        check(title_pixels(game, "game_end_next") == 0, "a fresh press starts the next game")
        check(game.close() == 0, "the game closes cleanly")
        info = info_of(game)
        check(info.get("complete") == "no" and info["duration"].startswith("0:"),
              "closed early, the next game's replay replaces it, unfinished: %s" % info)
        status, text = replay_says(game, "verify")
        check(status == 0, "and verifies too: " + text)
    finally:
        game.keyup("space")
        game.cleanup()
        if os.path.exists(audio):
            os.remove(audio)


harness.run(main)
