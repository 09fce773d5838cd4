# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The game played from a virtual pad alone, on a clock ten times as fast: A starts a game, the
stick drives and A fires, Start opens the menu, the stick turns full screen on and off again
(video starts afresh each time, the pad stays), the d-pad and right switch the radar off, B
resumes; when the thieves have taken the stock, the d-pad types a name that A completes, and
the setting and the name reach the settings file."""

import os
import struct
import tempfile
import time

import harness
from harness import Game, check

SHOW_RADAR = 0x10000


def score_digits(path):
    """The lit pixels of the score's digits in the top left corner."""
    w, h, rows = harness.read_png_pixels(path)
    return [(x, y) for y in range(0, int(h * 0.035)) for x in range(int(w * 0.14), int(w * 0.25))
            if rows[y][x][1] > 170 and rows[y][x][2] > 170]


def entry_text(path):
    """Cyan pixels where the name entry's ENTER YOUR NAME stands."""
    w, h, rows = harness.read_png_pixels(path)
    return sum(1 for y in range(int(h * 0.40), int(h * 0.60)) for x in range(int(w * 0.2), int(w * 0.8))
               if rows[y][x][0] < 90 and rows[y][x][1] > 170 and rows[y][x][2] > 170)


def main(xvfb):
    fifo = os.path.join(tempfile.mkdtemp(prefix="hollowmere-pad-"), "pad")
    os.mkfifo(fifo)
    env = {"LD_PRELOAD": os.environ["VIRTUAL_PAD_LIB"], "VPAD_FIFO": fifo,
           "SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS": "1"}
    env.update({"LD_PRELOAD": env["LD_PRELOAD"] + ":" + os.environ["TIME_WARP_LIB"], "HOLLOWMERE_TIME_WARP": "10"})
    settings = bytearray(harness.settings_defaults())
    struct.pack_into("<10i", settings, 568, *[-10 ** 6] * 10)  # any score of this game qualifies
    game = Game(xvfb, settings=bytes(settings), env=env).start()
    pad = open(fifo, "w", buffering=1)

    def send(*lines, hold=0.3):
        for line in lines:
            pad.write(line + "\n")
        time.sleep(hold)

    def tap(button):
        send("b %d 1" % button)
        send("b %d 0" % button)

    try:
        time.sleep(1.0)
        check(harness.title_heading_pixels(game.screenshot("pad_title")) > 300, "the title shows its heading")
        tap(0)  # A
        time.sleep(0.5)
        check(harness.title_heading_pixels(game.screenshot("pad_playing")) == 0, "A on the title starts a game")
        before = score_digits(game.screenshot("pad_before_fire"))
        send("a 1 -30000", "a 0 -30000", "b 0 1", hold=1.5)  # drive, turn and fire
        check(score_digits(game.screenshot("pad_fired")) != before, "A fires: the score changes")
        send("a 1 0", "a 0 0", "b 0 0")
        tap(7)  # Start
        ratio = harness.panel_ratio(game.screenshot("pad_menu"))
        check(ratio is None or 0.3 < ratio < 0.7, "Start opens the menu (%s)" % ratio)
        send("h 0 4")  # fullscreen: on and off again; the pad outlives video starting afresh
        send("h 0 0")
        for axis in ("a 0 30000", "a 0 -30000"):
            send(axis, "a 0 0", hold=1.5)
            game.find_new_window()
        for _ in range(2):  # resolution, display radar
            send("h 0 4")
            send("h 0 0")
        send("a 0 30000")
        send("a 0 0")
        tap(1)  # B
        time.sleep(0.4)
        ratio = harness.panel_ratio(game.screenshot("pad_resumed"))
        check(ratio is None or ratio > 0.8, "B closes the menu (%s)" % ratio)
        end = time.time() + 240
        while time.time() < end and entry_text(game.screenshot("pad_poll")) < 300:
            time.sleep(1.0)
        check(time.time() < end, "the stock runs out and the name entry shows")
        # Up from the space is a; right, up three times: "ac"; right, B takes the c back; up twice: "ab".
        for button in (13, 12, 13, 13, 13, 12, 1, 13, 13):
            tap(button)
        tap(0)  # A completes the name
        time.sleep(1.0)
        check(harness.title_heading_pixels(game.screenshot("pad_after_entry")) > 300, "A completes the name")
        check(game.close() == 0, "the game closes cleanly")
        data = game.settings()
        flags = struct.unpack_from("<i", data, 28)[0]
        check(flags & SHOW_RADAR == 0, "the radar was switched off from the pad")
        names = [data[608 + 20 * i:628 + 20 * i].split(b"\0")[0] for i in range(10)]
        check(b"ab" in names, "the name typed on the pad is in the table (%s)" % names[:3])
    finally:
        pad.close()
        game.cleanup()


harness.run(main)
