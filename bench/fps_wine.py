#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Frames per second of the Windows build under Wine against the native build, on one X server
in one run, in a 640x480 window and in full screen: each plays the same scripted stretch (a game
started, driving and turning with fire held) while Mesa's heads-up display writes the frame rate
once a second to a file. Both draw through the same Mesa, so the difference is what Wine and the
Windows build cost. The X server is a 1920x1080 desktop with openbox; full screen is switched on
in the menu, and both builds then stretch the 640x480 frame over the desktop.

    python3 bench/fps_wine.py [SECONDS]

Needs the native build (build/) and the Windows build (build-windows/, scripts/build-windows.sh)."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(TOP, "build")
WINDOWS = os.environ.get("HOLLOWMERE_WINDOWS_BUILD", os.path.join(TOP, "build-windows"))
os.environ.setdefault("HOLLOWMERE_BUILD", BUILD)
os.environ.setdefault("HOLLOWMERE_BIN", os.path.join(BUILD, "hollowmere"))
os.environ.setdefault("WM_CLOSE_BIN", os.path.join(BUILD, "tests", "wm_close"))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
import harness  # noqa: E402

SECONDS = float(sys.argv[1]) if len(sys.argv) > 1 else 20.0


def measure(xvfb, command, env, pack, full_screen=False):
    """Mean and lowest frame rate over the scripted play, from Mesa's once-a-second samples."""
    hud = tempfile.mkdtemp(prefix="hollowmere-hud-")
    env = dict(env, GALLIUM_HUD="fps", GALLIUM_HUD_DUMP_DIR=hud, GALLIUM_HUD_PERIOD="1")
    game = harness.Game(xvfb, pack=pack, env=env, command=command).start()
    try:
        time.sleep(2.0)
        if full_screen:
            for key in ("Escape", "Down", "Right"):
                game.key(key)
            time.sleep(2.0)
            game.find_new_window()
            game.key("Escape")
            time.sleep(1.0)
        game.keydown("space")  # starts the game, then fires for as long as it is held
        began = time.time()
        time.sleep(3.0)  # the first seconds load meshes and textures: left out
        skip = len(samples(hud))
        i = 0
        while time.time() - began < SECONDS + 3.0:
            key = ("Up", "Left", "Up", "Right")[i % 4]
            i += 1
            game.keydown(key)
            time.sleep(1.5)
            game.keyup(key)
        game.keyup("space")
        values = samples(hud)[skip:]
        if full_screen:
            game.find_new_window()  # Wine may have made the window's X window anew meanwhile
        game.close(30)
    finally:
        game.cleanup()
        shutil.rmtree(hud, ignore_errors=True)
    return (sum(values) / len(values), min(values)) if values else (0.0, 0.0)


def samples(hud):
    path = os.path.join(hud, "fps")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [float(line) for line in f if line.strip()]


def main():
    exes = sorted(glob.glob(os.path.join(WINDOWS, "stage", "Hollowmere-*", "hollowmere.exe")))
    if not exes:
        harness.fail("no Windows build in %s: run scripts/build-windows.sh" % WINDOWS)
    xvfb = harness.Xvfb(1920, 1080)
    wm = subprocess.Popen(["openbox"], env=dict(os.environ, DISPLAY=xvfb.display), stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    prefix = tempfile.mkdtemp(prefix="hollowmere-wine-")
    wine_env = {"WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=",
                "DISPLAY": xvfb.display}
    try:
        subprocess.run(["wineboot", "--init"], env=dict(os.environ, **wine_env), capture_output=True, timeout=180)
        figures = {}
        for full in (False, True):
            figures["native", full] = measure(xvfb, [os.environ["HOLLOWMERE_BIN"]], {}, True, full)
            figures["wine", full] = measure(xvfb, ["wine", exes[-1]], wine_env, False, full)
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, **wine_env), capture_output=True, timeout=60)
        shutil.rmtree(prefix, ignore_errors=True)
        wm.terminate()
        xvfb.stop()
    print("frames per second over %.0f s of play, 640x480 frames, Mesa llvmpipe on a 1920x1080 Xvfb" % SECONDS)
    for full, where in ((False, "in a window"), (True, "full screen")):
        native, wine = figures["native", full], figures["wine", full]
        print("  %s:" % where)
        print("    native build:          mean %6.1f  lowest %6.1f" % native)
        print("    Windows build on Wine: mean %6.1f  lowest %6.1f" % wine)
        if native[0] > 0:
            print("    Wine / native:         %.2f" % (wine[0] / native[0]))


if __name__ == "__main__":
    main()
