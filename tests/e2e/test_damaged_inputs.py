# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Every damaged pack and settings file from damaged_inputs.py against the real game: it must
end by itself with status 0 or 1 (never a signal, never a hang), say something on stderr when
it refuses, and leave either the previous settings file or a valid one."""

import math
import os
import struct
import subprocess
import time

import damaged_inputs
import harness
from harness import Game, check, fail


def settings_valid(data):
    if data is None or len(data) != 808:
        return False
    version, fullscreen, width, height, depth, smoke, audio, _, view = struct.unpack_from("<iiiiiffii", data)
    keys = struct.unpack_from("<5i", data, 36)
    names = [data[608 + 20 * i:628 + 20 * i] for i in range(10)]
    return (version == 1 and 320 <= width <= 8192 and 200 <= height <= 8192 and depth in (16, 32)
            and math.isfinite(smoke) and smoke > 0 and 0 <= audio <= 1 and view in (0, 1)
            and all(1 <= k < 1024 for k in keys) and all(b"\0" in n for n in names))


def run_case(xvfb, name, pack, settings, outcomes):
    game = Game(xvfb, pack=pack, settings=settings)
    try:
        game.start(wait_window=False)
        window = game.find_window(timeout=60)
        if window:
            game.window = window
            game.focus()
            game.key("space")
            time.sleep(1.0)
            status = game.close(timeout=20)
        else:
            if game.proc.poll() is None:
                windows = subprocess.run(["xwininfo", "-root", "-tree"], env=game.env, capture_output=True,
                                         text=True).stdout
                game.kill()
                fail("%s: no window and no exit within 60 s\nstderr: %s\nstdout tail: %s\nwindows: %s"
                     % (name, game.stderr()[-800:], game.stdout()[-300:], windows[-800:]))
            status = game.proc.returncode
        err = game.stderr()
        if status not in (0, 1):
            fail("%s: ended with status %s; stderr: %s" % (name, status, err[-500:]))
        if status == 1 and not err.strip():
            fail("%s: refused without a word on stderr" % name)
        after = game.settings()
        if not (after == settings or settings_valid(after)):
            fail("%s: the settings file afterwards is neither the old one nor valid" % name)
        outcomes.setdefault(status, []).append(name)
    finally:
        game.cleanup()


def main(xvfb):
    pack_path = harness.game_pack_path()
    if not pack_path:
        fail("the generated pack is missing from the build tree")
    with open(pack_path, "rb") as f:
        pack_bytes = f.read()
    good_settings = harness.settings_defaults()
    outcomes = {}
    cases = damaged_inputs.pack_cases(pack_bytes)
    for name, data in cases:
        run_case(xvfb, name, data, good_settings, outcomes)
    settings = damaged_inputs.settings_cases()
    for name, data in settings:
        run_case(xvfb, name, pack_bytes, data, outcomes)
    total = len(cases) + len(settings)
    for status in sorted(outcomes):
        print("status %d: %d cases: %s" % (status, len(outcomes[status]), " ".join(outcomes[status])))
    check(sum(len(v) for v in outcomes.values()) == total, "all %d damaged inputs were survived" % total)


harness.run(main)
