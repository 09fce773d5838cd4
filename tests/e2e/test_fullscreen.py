# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Full screen under a window manager, as a player meets it: the menu's "fullscreen" fills the
desktop with the picture at every resolution of the menu (scaled to the largest size of the
mode's shape that fits, centred, black bars beside or above it) without changing the desktop's
own mode, and switching back gives a window of the chosen size again. Screens of 1920x1080 and
1280x1024, each with openbox running. A full screen the display refuses (the SDL 1.2 layer's
scaling off and no mode of the game's size) leaves the window as it was, and the settings written
at the end describe that window. The Windows test under Wine takes its picture checks from here."""

import os
import struct
import subprocess
import time

import harness
from harness import Game, check

MODES = [(640, 480), (800, 600), (1024, 768), (1280, 1024)]


class Screen:
    """The whole X screen read back as raw RGB bytes."""

    def __init__(self, game, name):
        path = os.path.join(harness.SHOTS, name + ".png")
        os.makedirs(harness.SHOTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", path], env=game.env, capture_output=True, timeout=30)
        self.width, self.height, self.data = harness.read_png_bytes(path)

    def lit(self, x, y, floor=8):
        at = (y * self.width + x) * 3
        return max(self.data[at:at + 3]) > floor

    def lit_box(self):
        """The smallest rectangle (x0, y0, x1, y1, exclusive ends) holding every lit pixel."""
        w = self.width * 3
        rows = [y for y in range(self.height) if max(self.data[y * w:(y + 1) * w]) > 8]
        columns = [x for x in range(self.width)
                   if any(self.lit(x, y) for y in range(rows[0], rows[-1] + 1, 4))] if rows else []
        return (columns[0], rows[0], columns[-1] + 1, rows[-1] + 1) if columns else None


def picture_rect(screen_w, screen_h, mode_w, mode_h):
    """Where the picture of a mode must land: the largest size of its shape that fits, centred."""
    scale = min(screen_w / mode_w, screen_h / mode_h)
    w, h = round(mode_w * scale), round(mode_h * scale)
    return ((screen_w - w) // 2, (screen_h - h) // 2, (screen_w - w) // 2 + w, (screen_h - h) // 2 + h)


def display_size(game):
    r = subprocess.run(["xdotool", "getdisplaygeometry"], env=game.env, capture_output=True, text=True)
    return tuple(int(v) for v in r.stdout.split())


def fills(screen, expected, label):
    """The lit part of the screen is the expected rectangle; the sky at its top is dark, so the top
    edge is the score line, a little below the picture's own top."""
    box = screen.lit_box()
    x0, y0, x1, y1 = expected
    slack = max(4, (y1 - y0) // 40)
    near = box is not None and all(abs(a - b) <= s for a, b, s in
                                   zip(box, expected, (slack, 3 * slack, slack, slack)))
    check(near, "%s: the picture fills %s of the %dx%d screen (lit: %s)" %
          (label, expected, screen.width, screen.height, box))


def ground_across_middle(screen, expected, label):
    x0, _, x1, _ = expected
    y = screen.height // 2
    lit = sum(1 for x in range(x0, x1) if screen.lit(x, y, 12))
    bars = sum(1 for x in list(range(0, x0)) + list(range(x1, screen.width)) if screen.lit(x, y, 2))
    check(lit > 0.9 * (x1 - x0) and bars == 0,
          "%s: the ground runs across the middle of the screen (%d of %d lit), the bars are black (%d lit)" %
          (label, lit, x1 - x0, bars))


def desktop(width, height):
    """An X server of that size with openbox running on it."""
    xvfb = harness.Xvfb(width, height)
    wm = subprocess.Popen(["openbox"], env=dict(os.environ, DISPLAY=xvfb.display), stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    return xvfb, wm


def full_screen_and_back(width, height):
    xvfb, wm = desktop(width, height)
    game = None
    try:
        time.sleep(1.0)
        game = Game(xvfb).start()
        time.sleep(1.0)
        game.key("space")
        time.sleep(0.5)
        for name in ("Escape", "Down", "Right"):
            game.key(name)
        time.sleep(1.5)
        game.find_new_window()
        label = "%dx%d screen" % (width, height)
        check(display_size(game) == (width, height), "%s: the desktop keeps its mode" % label)
        game.key("Escape")  # back to the game: the picture without the menu over it
        time.sleep(0.5)
        expected = picture_rect(width, height, 640, 480)
        shot = Screen(game, "fullscreen_%d_playing" % width)
        fills(shot, expected, label + ", 640x480 playing")
        ground_across_middle(shot, expected, label)
        x0, y0, x1, y1 = expected
        score = sum(1 for y in range(y0, y0 + (y1 - y0) // 30) for x in range(x0, x0 + (x1 - x0) // 3)
                    if shot.lit(x, y, 160))
        check(score > 100, "%s: the score line is at the top of the picture (%d bright pixels)" % (label, score))

        # Every resolution of the menu, still in full screen.
        for name in ("Escape", "Down", "Down"):
            game.key(name)
        for mode in MODES[1:]:
            game.key("Right")
            time.sleep(1.5)
            fills(Screen(game, "fullscreen_%d_%d" % (width, mode[0])), picture_rect(width, height, *mode),
                  "%s, %dx%d" % (label, *mode))
        for _ in MODES[1:]:
            game.key("Left")
        time.sleep(1.0)
        game.key("Up")
        game.key("Left")
        time.sleep(1.5)
        game.find_new_window()
        check(game.window_size() == (640, 480), "%s: back in a window of 640x480 (%s)" % (label, game.window_size()))
        check(display_size(game) == (width, height), "%s: the desktop still has its own mode" % label)
        windowed = Screen(game, "fullscreen_%d_windowed" % width)
        box = windowed.lit_box()
        check(box is not None and box[2] - box[0] <= 660 and box[3] - box[1] <= 520,
              "%s: the window no longer covers the screen (lit: %s)" % (label, box))
        check(game.close() == 0, "%s: the game closes cleanly" % label)
        data = game.settings()
        check(data is not None and struct.unpack_from("<iii", data, 4) == (0, 640, 480),
              "%s: the settings keep the window of 640x480" % label)
        check("cant deal with" not in game.stderr(), "%s: every mode was accepted" % label)
    finally:
        if game:
            game.cleanup()
        wm.terminate()
        wm.wait(5)
        xvfb.stop()


def refused_full_screen():
    """The SDL 1.2 layer's scaling off, and the modes it may offer capped below the game's: full
    screen is refused with a message, the window stays and keeps working, and the file written at
    the end has the window's settings."""
    xvfb, wm = desktop(1920, 1080)
    game = None
    try:
        time.sleep(1.0)
        game = Game(xvfb, env={"SDL12COMPAT_OPENGL_SCALING": "0", "SDL12COMPAT_MAX_VIDMODE": "320x240"}).start()
        window = game.window
        time.sleep(1.0)
        for name in ("Escape", "Down", "Right"):
            game.key(name)
        time.sleep(1.5)
        check(game.proc.poll() is None and "cant deal with 640 x 480 x 16" in game.stderr(),
              "a refused full screen is reported and the game runs on")
        check(game.find_window() == window and game.window_size() == (640, 480),
              "the window stays as it was (%s)" % (game.window_size(),))
        game.key("Escape")
        time.sleep(0.5)
        check(harness.title_heading_pixels(game.screenshot("fullscreen_refused")) > 200,
              "the window still draws the title")
        check(game.close() == 0, "the game closes cleanly after the refusal")
        data = game.settings()
        check(data is not None and struct.unpack_from("<iii", data, 4) == (0, 640, 480),
              "the settings written describe the window on screen")
    finally:
        if game:
            game.cleanup()
        wm.terminate()
        wm.wait(5)
        xvfb.stop()


def main(_xvfb):
    refused_full_screen()
    if not harness.game_pack_path():
        print("skipped: the full-screen pictures need the generated pack", flush=True)
        return
    full_screen_and_back(1920, 1080)
    full_screen_and_back(1280, 1024)


if __name__ == "__main__":
    harness.run(main)
