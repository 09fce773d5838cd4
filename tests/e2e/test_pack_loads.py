# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The generated resource pack in the real game: every one of the 30 resources is loaded with
no error line, the pack tool verifies it, and the title screen, the chase view and the top
view are kept as screenshots (build/screenshots/pack_*.png) for a person to look at."""

import os
import shutil
import struct
import subprocess
import tempfile
import time
import wave

import harness
from harness import Game, check

NAMES = [
    "texture_font", "texture_sky_1", "texture_ground", "texture_barrel", "texture_tank_1",
    "texture_missile_1", "texture_puff_1", "texture_puff_2", "texture_puff_3", "texture_flash_1",
    "texture_streaks_1", "texture_streaks_2", "texture_streaks_3", "object_tank_1", "object_barrel",
    "object_missile_1", "material_tank", "material_barrel", "material_ground", "audio_thump",
    "audio_menu_sound", "audio_explosion", "audio_shot", "audio_grab", "audio_barrel_lift",
    "audio_barrel_drop", "audio_power_up_create", "audio_power_up", "audio_engine_fast",
    "audio_engine_slow",
]


def extracted_files_open_in_ordinary_tools(tool, pack):
    """Every extracted file is read by a general-purpose reader of its format."""
    out = tempfile.mkdtemp(prefix="hollowmere-extract-")
    try:
        r = subprocess.run([tool, "extract", pack, out], capture_output=True, text=True)
        check(r.returncode == 0, "hollowmere-pack extract succeeds " + r.stderr.strip())
        files = sorted(os.listdir(out))
        check(len(files) == 30, "30 files extracted")
        for name in files:
            path = os.path.join(out, name)
            if name.endswith(".bmp"):
                ident = subprocess.run(["identify", "-format", "%m %w %h", path], capture_output=True, text=True)
                ok = ident.returncode == 0 and ident.stdout.startswith("BMP")
            elif name.endswith(".wav"):
                with wave.open(path) as w:
                    ok = w.getnchannels() == 1 and w.getsampwidth() == 2 and w.getframerate() == 16000
            elif name.endswith(".obj"):
                counts = {"v": 0, "vt": 0, "vn": 0}
                faces = []
                with open(path, encoding="ascii") as f:
                    for line in f:
                        words = line.split()
                        if words and words[0] in counts:
                            counts[words[0]] += 1
                        elif words and words[0] == "f":
                            faces.append([tuple(int(i) for i in c.split("/")) for c in words[1:]])
                ok = faces and all(1 <= v <= counts["v"] and 1 <= t <= counts["vt"] and 1 <= n <= counts["vn"]
                                   for face in faces for v, t, n in face)
            else:
                with open(path, encoding="ascii") as f:
                    ok = "\0" not in f.read()
            check(ok, "%s opens as an ordinary file of its kind" % name)
    finally:
        shutil.rmtree(out, ignore_errors=True)


def settings_with(view_mode, width, height):
    data = bytearray(harness.settings_defaults())
    struct.pack_into("<ii", data, 8, width, height)
    struct.pack_into("<i", data, 32, view_mode)
    return bytes(data)


def run_and_shoot(xvfb, view_mode, prefix, fire=False):
    game = Game(xvfb, settings=settings_with(view_mode, 1280, 1024)).start()
    try:
        time.sleep(2.0)
        shots = [game.screenshot(prefix + "_title")]
        game.key("space")
        time.sleep(2.0)
        if fire:
            game.keydown("Up")
            for _ in range(4):
                game.key("space", hold=0.1)
                time.sleep(0.15)
            game.keyup("Up")
            time.sleep(0.1)
        shots.append(game.screenshot(prefix + "_play"))
        status = game.close()
        return game.stdout(), game.stderr(), status, shots
    finally:
        game.cleanup()


def main(xvfb):
    pack = harness.game_pack_path()
    if pack is None:
        harness.fail("the build tree has no generated hollowmere.data")
    check(os.path.getsize(pack) < 4 * 1024 * 1024, "the pack is under 4 MB")
    tool = os.path.join(harness.BUILD, "tools", "hollowmere-pack")
    if os.path.exists(tool):
        r = subprocess.run([tool, "verify", pack], capture_output=True, text=True)
        check(r.returncode == 0, "hollowmere-pack verify passes: " + (r.stdout + r.stderr).strip())
        extracted_files_open_in_ordinary_tools(tool, pack)

    out, err, status, shots = run_and_shoot(xvfb, 0, "pack_chase", fire=True)
    loaded = [line for line in out.splitlines() if line.startswith("loaded ")]
    names = [line.split(" ")[1] for line in loaded]
    check(len(loaded) == 30, "30 'loaded' lines (got %d)" % len(loaded))
    check(sorted(names) == sorted(NAMES), "one for each resource the game looks up")
    check(status == 0, "the game closes cleanly")
    check(err.strip() == "", "no error line: " + err.strip()[:300])
    check("geo handle not defined" not in out, "every mesh compiles into its display list")
    for path in shots:
        check(os.path.getsize(path) > 0, "screenshot kept: " + path)

    out, err, status, shots = run_and_shoot(xvfb, 1, "pack_top")
    check(status == 0 and err.strip() == "", "top view: no error line")


harness.run(main)
