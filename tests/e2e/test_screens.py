# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Screens of the real game read back as pixels: the title in both phases over the translucent
panel, the scrolling instructions held to their band at every resolution, the HUD while
playing, the top view, and a video-mode switch through the menu that loses nothing.

Positions are given in the text plane's units (x -60..60, y -45..45, 0 at the centre)."""

import struct
import subprocess
import time

import harness
from harness import Game, check

def font_pack():
    """A pack with only a font whose glyphs are solid blocks, for when no generated pack exists."""
    width, height = 256, 128
    pixels = bytearray(width * height * 3)
    for code in range(33, 127):
        column, row = code % 16, code // 16
        for y in range(3, 13):
            for x in range(3, 13):
                at = (((7 - row) * 16 + y) * width + column * 16 + x) * 3
                pixels[at] = 255
                pixels[at + 1] = 255
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return harness.build_pack_bytes([("texture_font", header + info + bytes(pixels))])


def pack_for_screens():
    return True if harness.game_pack_path() else font_pack()


def settings(width=640, height=480, view_mode=0):
    data = bytearray(harness.settings_defaults())
    struct.pack_into("<ii", data, 8, width, height)
    struct.pack_into("<i", data, 32, view_mode)
    return bytes(data)


class Shot:
    """A screenshot with lookups in text-plane units."""

    def __init__(self, path):
        self.path = path
        ident = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True)
        self.width, self.height = (int(v) for v in ident.stdout.split())
        self.data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True).stdout
        stride = self.width * 3
        self.rows = [RowView(self.data, r * stride) for r in range(self.height)]

    def col(self, x):
        return int((x + 60) / 120 * self.width)

    def row(self, y):
        return int(self.height - (y + 45) / 90 * self.height)

    def pixels(self, x0, y0, x1, y1):
        for r in range(max(self.row(y1), 0), min(self.row(y0), self.height)):
            line = self.rows[r]
            for c in range(max(self.col(x0), 0), min(self.col(x1), self.width)):
                yield line[c]

    def count(self, x0, y0, x1, y1, test):
        return sum(1 for p in self.pixels(x0, y0, x1, y1) if test(p))

    def mean(self, x0, y0, x1, y1):
        values = [sum(p) / 3 for p in self.pixels(x0, y0, x1, y1)]
        return sum(values) / max(len(values), 1)

    def cyan_rows(self, x0, x1):
        """Window rows (counted from the bottom, as GL does) holding cyan text between x0 and x1."""
        found = set()
        c0, c1 = self.col(x0), self.col(x1)
        for r in range(self.height):
            start = (r * self.width + c0) * 3
            segment = self.data[start:start + (c1 - c0) * 3]
            red, green, blue = segment[0::3], segment[1::3], segment[2::3]
            if any(g > 170 and b > 170 and q < 90 for q, g, b in zip(red, green, blue)):
                found.add(self.height - 1 - r)
        return found


class RowView:
    """One row of raw RGB bytes, indexed by column."""

    def __init__(self, data, offset):
        self.data = data
        self.offset = offset

    def __getitem__(self, column):
        at = self.offset + column * 3
        return self.data[at], self.data[at + 1], self.data[at + 2]


def cyan(p):
    return p[0] < 90 and p[1] > 170 and p[2] > 170


def title_and_panel(xvfb):
    game = Game(xvfb, pack=pack_for_screens(), settings=settings()).start()
    try:
        time.sleep(2.0)
        first = Shot(game.screenshot("screens_title_game_over"))
        time.sleep(5.0)
        second = Shot(game.screenshot("screens_title_scores"))
        time.sleep(0.7)
        third = Shot(game.screenshot("screens_title_scores_later"))
        game.key("space")
        time.sleep(1.5)
        playing = Shot(game.screenshot("screens_playing_hud"))
        check(game.close() == 0, "the game closes cleanly")
    finally:
        game.cleanup()

    check(first.count(-22, 21.5, 20, 27.5, cyan) > 400, "before 5 s the title reads GAME OVER")
    check(first.count(-28, 14, 20, 18, cyan) > 200, "with the press <space> line under it")
    check(first.count(-30, 30, 20, 34.5, cyan) == 0, "and no high-score list title")
    check(second.count(-30, 30, 20, 34.5, cyan) > 300, "after 5 s the HIGH SCORES LIST title")
    check(second.count(-27, 1.2, 0, 3.5, cyan) > 50, "and the tenth entry of the list")
    check(playing.count(-57, 42, 0, 44.6, cyan) > 300, "while playing the score line is at the top left")
    check(playing.count(-22, 21.5, 20, 34.5, cyan) == 0, "and no title")

    band_check(640, 480, first.cyan_rows(-50, 20) | second.cyan_rows(-50, 20) | third.cyan_rows(-50, 20))

    if harness.game_pack_path():
        # The panel stops just short of the window's sides; the scene there shows at full strength.
        edge = [first.rows[r][2] for r in range(first.row(-20), first.row(-44))]
        inside = [first.rows[r][first.col(-57)] for r in range(first.row(-20), first.row(-44))]
        bright = sum(sum(p) for p in edge)
        ratio = sum(sum(p) for p in inside) / max(bright, 1)
        check(bright > 0 and 0.45 < ratio < 0.75, "the panel lets 60%% of the scene through (%.2f)" % ratio)
        edge = [playing.rows[r][2] for r in range(playing.row(-20), playing.row(-44))]
        inside = [playing.rows[r][playing.col(-57)] for r in range(playing.row(-20), playing.row(-44))]
        ratio = sum(sum(p) for p in inside) / max(sum(sum(p) for p in edge), 1)
        check(ratio > 0.8, "while playing there is no panel (%.2f)" % ratio)


def band_check(width, height, rows):
    """The instructions may only show in rows height/30 .. 11/30 of the height (from the bottom).
    The text always runs on below the band, and from 7.1 s on its first line has risen above it, so
    without the scissor some of these shots would show it outside."""
    low, high = height // 30, height // 30 + height // 3 - 1
    # Above the band only the title's own texts (y 1.2 and up) may show.
    stray = [r for r in rows if r < low or (high < r < (45 + 1.0) / 90 * height)]
    check(not stray, "%dx%d: no instructions text outside rows %d..%d (%s)" % (width, height, low, high,
                                                                              sorted(stray)[:5]))
    band = [r for r in rows if low <= r <= high]
    line = 3.5 / 90 * height
    check(band and min(band) <= low + 5 * line and max(band) >= high - 5 * line,
          "%dx%d: the text fills the band (rows %s..%s)" % (width, height, band and min(band), band and max(band)))


def instructions_band(xvfb):
    for width, height in [(800, 600), (1024, 768), (1280, 1024)]:
        game = Game(xvfb, pack=pack_for_screens(), settings=settings(width, height)).start()
        try:
            rows = set()
            time.sleep(7.0)
            for i in range(2):
                shot = Shot(game.screenshot("screens_instructions_%d_%d" % (width, i)))
                check((shot.width, shot.height) == (width, height), "the window is %dx%d" % (width, height))
                rows |= shot.cyan_rows(-50, 20)
                time.sleep(0.4)
            game.close()
        finally:
            game.cleanup()
        band_check(width, height, rows)


def top_view(xvfb):
    if not harness.game_pack_path():
        print("skipped: the top view needs the generated pack", flush=True)
        return
    game = Game(xvfb, settings=settings(view_mode=1)).start()
    try:
        time.sleep(1.0)
        game.key("space")
        time.sleep(1.5)
        top = Shot(game.screenshot("screens_view_top"))
        game.close()
    finally:
        game.cleanup()
    check(top.count(-57, 42, 0, 44.6, cyan) > 300, "the top view has its score line")
    # Straight down there is no sky and no fog: the far top of the picture is field, coloured and
    # lit like the field at the bottom, where the chase view shows the blue night sky.
    def colour(shot, x0, y0, x1, y1):
        pixels = list(shot.pixels(x0, y0, x1, y1))
        return [sum(p[i] for p in pixels) / max(len(pixels), 1) for i in range(3)]
    far_top, near_top = colour(top, -60, 25, 20, 38), colour(top, -60, -40, -20, -20)
    check(far_top[1] > far_top[2], "the top view shows field at the top of the picture (rgb %s)" % [round(c) for c in far_top])
    check(all(abs(a - b) <= 0.25 * b + 3 for a, b in zip(far_top, near_top)),
          "unfogged: as bright at the top as at the bottom (rgb %s vs %s)" % ([round(c) for c in far_top],
                                                                             [round(c) for c in near_top]))


def mode_switch(xvfb):
    if not harness.game_pack_path():
        print("skipped: the mode switch check needs the generated pack", flush=True)
        return
    game = Game(xvfb, settings=settings()).start()
    try:
        time.sleep(1.0)
        game.key("Escape")
        game.key("Down")
        game.key("Down")
        time.sleep(0.5)
        before = Shot(game.screenshot("screens_switch_before"))
        game.key("Right")
        time.sleep(1.5)
        check(game.window_size() == (800, 600), "the menu switches the window to 800x600")
        big = Shot(game.screenshot("screens_switch_800"))
        game.key("Left")
        time.sleep(1.5)
        check(game.window_size() == (640, 480), "and back to 640x480")
        after = Shot(game.screenshot("screens_switch_after"))
        check(game.close() == 0, "the game closes cleanly after switching")
        check("cant deal with" not in game.stderr(), "both modes were accepted")
    finally:
        game.cleanup()

    check(big.count(-57, 42, 0, 44.6, cyan) > 300, "at 800x600 the score line shows")
    check(big.mean(-60, -44, -25, -25) > 20, "at 800x600 the field is textured and lit")
    # The world stands still in the menu: the field at the bottom and the score text match.
    def differing(x0, y0, x1, y1):
        a = list(before.pixels(x0, y0, x1, y1))
        b = list(after.pixels(x0, y0, x1, y1))
        return sum(1 for p, q in zip(a, b) if max(abs(p[i] - q[i]) for i in range(3)) > 24) / max(len(a), 1)
    field = max(differing(-60, -45, -28, -20), differing(28, -45, 60, -20))
    check(field < 0.02, "the field draws as before the switch (%.1f%% differ)" % (100 * field))
    score = differing(-57, 42, -15, 44.6)
    check(score < 0.02, "the score glyphs draw as before (%.1f%% differ)" % (100 * score))
    check(before.count(-60, -45, 60, 45, cyan) > 0 and after.mean(-60, -45, 60, 45) > 15,
          "the picture after the switch is not blank")


def main(xvfb):
    title_and_panel(xvfb)
    instructions_band(xvfb)
    top_view(xvfb)
    mode_switch(xvfb)


harness.run(main)
