#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""A scripted minute of heavy play (fire held, driving and turning among the enemies) recorded
through SDL's disk audio driver, then measured: clipped samples, peak and RMS of the mix.

    HOLLOWMERE_BUILD=build python3 bench/headroom.py [SECONDS]

Needs Xvfb and xdotool (as the end-to-end tests do)."""

import array
import math
import os
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(os.environ.get("HOLLOWMERE_BUILD", os.path.join(TOP, "build")))
os.environ.setdefault("HOLLOWMERE_BUILD", BUILD)
os.environ.setdefault("HOLLOWMERE_SOURCE", TOP)
os.environ.setdefault("HOLLOWMERE_BIN", os.path.join(BUILD, "hollowmere"))
os.environ.setdefault("WM_CLOSE_BIN", os.path.join(BUILD, "tests", "wm_close"))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
import harness  # noqa: E402

SECONDS = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
RAW = os.path.join(BUILD, "headroom.raw")


def play(xvfb):
    game = harness.Game(xvfb, audio="disk", env={"SDL_DISKAUDIOFILE": RAW}).start()
    try:
        time.sleep(1.0)
        game.keydown("space")
        began, i = time.time(), 0
        while time.time() - began < SECONDS:
            key = ("Left", "Up", "Right", "Up")[i % 4]
            i += 1
            game.keydown(key)
            time.sleep(1.5 if key == "Up" else 2.5)
            game.keyup(key)
        game.keyup("space")
        game.close()
    finally:
        game.cleanup()


harness.run(play)
with open(RAW, "rb") as f:
    raw = f.read()
samples = array.array("h")
samples.frombytes(raw[:len(raw) - len(raw) % 2])
samples = samples[2 * 44100 * 2:]  # the title before the game: 44100 Hz stereo
clipped = sum(1 for v in samples if v >= 32767 or v <= -32768)
rms = math.sqrt(sum(v * v for v in samples) / max(len(samples), 1))
print("%.1f s of play: %d clipped samples (%.4f%%), peak %d, RMS %.1f dBFS" %
      (len(samples) / 88200, clipped, 100.0 * clipped / max(len(samples), 1), max(map(abs, samples), default=0),
       20 * math.log10(max(rms, 1e-9) / 32768)))
os.remove(RAW)
