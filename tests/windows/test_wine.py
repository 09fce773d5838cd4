# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The Windows release played under Wine, as a Windows player gets it: the installer runs
silently into a fresh Wine prefix and registers the replay type, and a replay opened through it
(`start` on the .hmr file, as a double click does) plays; the installed game, started from a
console in another folder, shows the title, starts a game on space, drives and fires on real keys and closes on
WM_CLOSE, writing %APPDATA%\\Hollowmere\\hollowmere.cfg and the game's replay, which the installed
hollowmere-replay.exe and the native tool verify to the same line; a second run changes a
setting in the menu and writes the file again over the first; the zip's game, unzipped
elsewhere, starts from yet another folder and keeps the changed setting; the uninstaller leaves
the settings behind and takes the replay type with it, but not another program's entry under .hmr.
The X server is a 1920x1080 desktop with openbox, as in the Linux full-screen test: the menu's
full screen fills it at its own mode with the picture at the largest size of its shape, centred
between black bars, at 640x480, 800x600 and 1280x1024, and going back gives a 640x480 window;
with a driver that lacks framebuffer objects (Mesa told to hide them) full screen is refused,
the window stays and the settings written describe it.

Environment (set by scripts/test-windows.sh): HOLLOWMERE_SETUP, HOLLOWMERE_ZIP, WM_CLOSE_BIN,
HOLLOWMERE_REPLAY_BIN (the native hollowmere-replay), HOLLOWMERE_BUILD (screenshots go to its
screenshots/ folder)."""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
import harness  # noqa: E402
from harness import Game, check, fail  # noqa: E402
from test_fullscreen import Screen, desktop, display_size, fills, ground_across_middle, picture_rect  # noqa: E402

SETUP = os.environ.get("HOLLOWMERE_SETUP", "")
ZIP = os.environ.get("HOLLOWMERE_ZIP", "")
NATIVE_REPLAY_TOOL = os.environ.get("HOLLOWMERE_REPLAY_BIN", "")
INSTALL_DIR = "C:\\Games\\Hollowmere"
REPLAY = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "replays", "whole_game.hmr")
CLASSES = "HKEY_LOCAL_MACHINE\\Software\\Classes\\"
OPEN_REPLAY = '"%s\\hollowmere.exe" "%%1"' % INSTALL_DIR
SHOW_RADAR = 0x10000


class Wine:
    """A fresh Wine prefix of its own, removed at the end. Its desktop belongs to the X server
    it first starts on, so it is made on the test's own."""

    def __init__(self, xvfb):
        self.prefix = tempfile.mkdtemp(prefix="hollowmere-wine-")
        # Without winemenubuilder, which would copy the prefix's shortcuts and file types (.hmr)
        # into the desktop of the user running the test.
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", DISPLAY=xvfb.display)
        self.run(["wineboot", "--init"], timeout=180)

    def run(self, command, timeout=120, **kwargs):
        return subprocess.run(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout, **kwargs)

    def unix_path(self, windows_path):
        """Where a C: path of this prefix lies."""
        assert windows_path[:3].upper() == "C:\\"
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))

    def settings_path(self):
        """%APPDATA%\\Hollowmere\\hollowmere.cfg of the prefix's one user."""
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming", "Hollowmere"))
        return os.path.join(found[0], "hollowmere.cfg") if found else None

    def read_settings(self):
        path = self.settings_path()
        if not path or not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def registry(self, key):
        """Every value under a registry key and its subkeys, {key: {name: data}}, or None without the key."""
        r = subprocess.run(["wine", "reg", "query", key, "/s"], env=self.env, capture_output=True, text=True,
                           timeout=60)
        if r.returncode != 0:
            return None
        tree, current = {}, None
        for line in r.stdout.replace("\r", "").splitlines():
            if line.startswith("HKEY_"):
                current = tree.setdefault(line.strip().lower(), {})
            elif line.strip() and current is not None:
                fields = line.strip().split("    ")  # name, type, data
                current[fields[0]] = fields[2] if len(fields) > 2 else ""
        return tree

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        shutil.rmtree(self.prefix, ignore_errors=True)


def start_game(xvfb, wine, exe, env=None):
    """The game started through Wine from a scratch folder of its own, not the game's folder."""
    elsewhere = tempfile.mkdtemp(prefix="hollowmere-console-")
    game = Game(xvfb, workdir=elsewhere, pack=False, env=dict(wine.env, **(env or {})), command=["wine", exe])
    game.own_dir = True
    return game.start()


def title_shows(game, name):
    time.sleep(2.0)
    shot = game.screenshot(name)
    return harness.title_heading_pixels(shot) > 200


def settings_field(data, offset):
    return struct.unpack_from("<i", data, offset)[0]


def play_and_close(xvfb, wine, exe, shot):
    """First run: title, a game on space, driving and firing, WM_CLOSE. Returns the settings."""
    game = start_game(xvfb, wine, exe)
    try:
        check(title_shows(game, shot + "_title"), "the title with its high-score heading is drawn")
        game.key("space")
        time.sleep(1.0)
        for key, hold in (("Up", 1.5), ("Left", 0.8), ("Up", 1.0), ("Right", 0.6)):
            game.keydown(key)
            for _ in range(2):
                game.key("space", hold / 2)
            game.keyup(key)
        playing = game.screenshot(shot + "_playing")
        check(harness.title_heading_pixels(playing) < 50, "a game runs: the title's heading is gone")
        check(game.proc.poll() is None, "the game runs on after driving and firing")
        status = game.close(30)
        check(status == 0, "WM_CLOSE ends the game with status 0 (got %s)" % status)
        strays = [n for n in os.listdir(game.dir) if n not in ("stdout.txt", "stderr.txt")]  # the harness's
        check(not strays, "the game writes nothing into the folder it was started from: %s" % strays)
    finally:
        game.cleanup()
    data = wine.read_settings()
    check(data is not None and len(data) == 808, "%APPDATA%\\Hollowmere\\hollowmere.cfg is written (808 bytes)")
    return data


def replay_verifies(wine):
    """The replay of the game just closed verifies with the installed tool under Wine, and with
    the native one to the same line."""
    folder = os.path.join(os.path.dirname(wine.settings_path()), "replays")
    check(os.path.exists(os.path.join(folder, "last.hmr")),
          "the game's replay is kept in %APPDATA%\\Hollowmere\\replays")
    lines = []
    for command in (["wine", INSTALL_DIR + "\\hollowmere-replay.exe"], [NATIVE_REPLAY_TOOL]):
        run = subprocess.run(command + ["verify", "last.hmr"], cwd=folder, env=wine.env, capture_output=True,
                             text=True, timeout=120)
        lines.append(run.stdout.replace("\r", "").strip())
        tool = os.path.basename(command[-1].replace("\\", "/"))
        check(run.returncode == 0 and ": verified: score " in lines[-1],
              "%s verifies the replay (got %r, status %d)" % (tool, lines[-1], run.returncode))
    check(lines[0] == lines[1], "Windows and Linux verify the replay alike: %s" % lines)


def replay_type(wine):
    """The registry's .hmr type after the install: {key below Classes: {value: data}}."""
    tree = {}
    for top in (".hmr", "Hollowmere.Replay"):
        for key, values in (wine.registry(CLASSES + top) or {}).items():
            tree[key[len(CLASSES):]] = values
    return tree


def replay_banner_pixels(path):
    """Cyan pixels of the line under the score that only a replay being watched shows (REPLAY, the
    player, the time played)."""
    w, h, rows = harness.read_png_pixels(path)
    y0, y1, x1 = h * 20 // 480, h * 40 // 480, w * 460 // 640
    return sum(1 for r in rows[y0:y1] for p in r[:x1] if p[0] < 90 and p[1] > 170 and p[2] > 170)


def replay_opens(xvfb, wine):
    """A replay opened as Explorer opens it, through its type (`start` on the file), plays at once
    rather than the title; the command the registry names, run with the file, says so on its
    standard output."""
    folder = "C:\\Replays"
    os.makedirs(wine.unix_path(folder), exist_ok=True)
    shutil.copy(REPLAY, os.path.join(wine.unix_path(folder), "x.hmr"))
    replay = folder + "\\x.hmr"
    command = replay_type(wine).get("hollowmere.replay\\shell\\open\\command", {}).get("(Default)", "")
    check(command == OPEN_REPLAY, "the registry's open command is the installed game's: %r" % command)
    words = [word.replace("%1", replay) for word in re.findall(r'"([^"]*)"', command)]
    for tag, line in (("start", ["wine", "start", "/wait", replay]), ("the registry's command", ["wine"] + words)):
        elsewhere = tempfile.mkdtemp(prefix="hollowmere-console-")
        game = Game(xvfb, workdir=elsewhere, pack=False, env=wine.env, command=line)
        game.own_dir = True
        try:
            game.start()
            end = time.time() + (10 if tag != "start" else 1)
            while time.time() < end and "watching replay" not in game.stdout():
                time.sleep(0.2)
            time.sleep(1.0)
            shot = game.screenshot("wine_replay_" + tag.split()[-1])
            watching = game.stdout().replace("\r", "")
            status = game.close(30)
        finally:
            game.cleanup()
        banner, heading = replay_banner_pixels(shot), harness.title_heading_pixels(shot)
        check(banner > 200 and heading < 50 and status == 0,
              "%s opens the replay: the game plays it (%d pixels of its REPLAY line) instead of its title (%d), "
              "and closes with 0" % (tag, banner, heading))
        if tag != "start":  # start leaves the game no standard output to write to
            check("watching replay %s\n" % replay in watching, "%s: the game says it plays %s" % (tag, replay))


def turn_radar_off(xvfb, wine, exe):
    """Second run: the menu switches the radar off; closing writes the file again."""
    game = start_game(xvfb, wine, exe)
    try:
        check(title_shows(game, "wine_second_title"), "the second run starts to the title")
        game.key("Escape")
        time.sleep(0.5)
        for key in ("Down", "Down", "Down", "Right", "Escape"):
            game.key(key)
        time.sleep(0.5)
        status = game.close(30)
        check(status == 0, "the second run closes with status 0 (got %s)" % status)
    finally:
        game.cleanup()


def full_screen_and_back(xvfb, wine, exe):
    """The menu's full screen over the unchanged desktop at three of its resolutions, then back to
    a window; the settings file then holds the window."""
    game = start_game(xvfb, wine, exe)
    try:
        size = display_size(game)
        time.sleep(1.0)
        game.key("space")
        time.sleep(0.5)
        for name in ("Escape", "Down", "Right"):
            game.key(name)
        time.sleep(2.0)
        game.find_new_window()
        check(display_size(game) == size, "Wine: full screen leaves the desktop's mode as it was (%dx%d)" % size)
        game.key("Escape")
        time.sleep(1.0)
        expected = picture_rect(*size, 640, 480)
        shot = Screen(game, "wine_fullscreen_playing")
        fills(shot, expected, "Wine, 640x480 playing")
        ground_across_middle(shot, expected, "Wine")
        for name in ("Escape", "Down", "Down"):
            game.key(name)
        for steps, mode in ((1, (800, 600)), (2, (1280, 1024))):
            for _ in range(steps):
                game.key("Right")
            time.sleep(2.0)
            fills(Screen(game, "wine_fullscreen_%d" % mode[0]), picture_rect(*size, *mode), "Wine, %dx%d" % mode)
        game.key("Right")  # round to 640x480
        time.sleep(1.0)
        game.key("Up")
        game.key("Left")
        time.sleep(2.0)
        game.find_new_window()
        check(game.window_size() == (640, 480), "Wine: back in a window of 640x480 (%s)" % (game.window_size(),))
        box = Screen(game, "wine_fullscreen_windowed").lit_box()
        check(box is not None and box[2] - box[0] <= 660 and box[3] - box[1] <= 520,
              "Wine: the window no longer covers the screen (lit: %s)" % (box,))
        check(game.proc.poll() is None and "cant deal with" not in game.stderr(), "Wine: every mode was accepted")
        status = game.close(30)
        check(status == 0, "Wine: the game closes with status 0 after full screen (got %s)" % status)
    finally:
        game.cleanup()
    data = wine.read_settings()
    check(data is not None and struct.unpack_from("<iii", data, 4) == (0, 640, 480),
          "Wine: the settings written keep the window of 640x480")


def refused_full_screen(xvfb, wine, exe):
    """A driver without framebuffer objects: full screen is refused, the game runs on in its window
    and writes the settings of that window."""
    hidden = {"MESA_GL_VERSION_OVERRIDE": "2.1",
              "MESA_EXTENSION_OVERRIDE": "-GL_ARB_framebuffer_object -GL_EXT_framebuffer_object "
                                         "-GL_EXT_framebuffer_blit"}
    game = start_game(xvfb, wine, exe, hidden)
    try:
        window = game.window
        time.sleep(1.0)
        for name in ("Escape", "Down", "Right"):
            game.key(name)
        time.sleep(2.0)
        check(game.proc.poll() is None and "cant deal with 640 x 480 x 16 (full screen needs" in game.stderr(),
              "Wine: full screen without framebuffer objects is refused with a message, the game runs on")
        check(game.find_window() == window and game.window_size() == (640, 480),
              "Wine: the refused full screen leaves the window as it was (%s)" % (game.window_size(),))
        game.key("Escape")
        check(title_shows(game, "wine_refused_title"), "Wine: the window still draws the title")
        status = game.close(30)
        check(status == 0, "Wine: the game closes with status 0 after the refusal (got %s)" % status)
    finally:
        game.cleanup()
    data = wine.read_settings()
    check(data is not None and struct.unpack_from("<iii", data, 4) == (0, 640, 480),
          "Wine: the settings written after the refusal describe the window")


def test(xvfb):
    if not (os.path.exists(SETUP) and os.path.exists(ZIP)):
        fail("HOLLOWMERE_SETUP and HOLLOWMERE_ZIP must name the installer and the zip")
    wine = Wine(xvfb)
    unzipped = tempfile.mkdtemp(prefix="hollowmere-zip-")
    try:
        wine.run(["wine", SETUP, "/S", "/D=" + INSTALL_DIR], timeout=180)
        installed = wine.unix_path(INSTALL_DIR)
        for name in ("hollowmere.exe", "hollowmere-replay.exe", "SDL.dll", "hollowmere.data", "README.txt",
                     "LICENSE.txt", "uninstall.exe"):
            check(os.path.exists(os.path.join(installed, name)), "the installer put %s in place" % name)
        links = glob.glob(os.path.join(wine.prefix, "drive_c", "ProgramData", "Microsoft", "Windows",
                                       "Start Menu", "Programs", "Hollowmere", "Hollowmere.lnk"))
        check(len(links) == 1, "a Start-menu shortcut is made")
        types = replay_type(wine)
        check(types.get(".hmr", {}).get("(Default)") == "Hollowmere.Replay"
              and types.get("hollowmere.replay", {}).get("(Default)") == "Hollowmere replay"
              and types.get("hollowmere.replay\\defaulticon", {}).get("(Default)") == INSTALL_DIR + "\\hollowmere.exe,0",
              "the installer registers .hmr as Hollowmere.Replay, with the game's icon: %s" % types)
        exe = INSTALL_DIR + "\\hollowmere.exe"

        first = play_and_close(xvfb, wine, exe, "wine_first")
        check(settings_field(first, 28) & SHOW_RADAR, "the radar is on after the first run")
        check(not any(os.path.exists(os.path.join(installed, n)) for n in ("stdout.txt", "stderr.txt")),
              "SDL writes no stdout.txt or stderr.txt beside the game")
        replay_verifies(wine)
        replay_opens(xvfb, wine)

        full_screen_and_back(xvfb, wine, exe)
        refused_full_screen(xvfb, wine, exe)
        first = wine.read_settings()

        turn_radar_off(xvfb, wine, exe)
        second = wine.read_settings()
        check(second is not None and len(second) == 808, "the settings file is there after the second run")
        check(settings_field(second, 28) & SHOW_RADAR == 0, "the second run wrote over the first: radar off")
        check(second[:28] == first[:28] and second[32:] == first[32:], "every other setting is kept")
        check(not os.path.exists(wine.settings_path() + ".new"), "no temporary file is left behind")

        with zipfile.ZipFile(ZIP) as z:
            z.extractall(unzipped)
        folders = glob.glob(os.path.join(unzipped, "Hollowmere-*", "hollowmere.exe"))
        check(len(folders) == 1, "the zip holds one folder with the game")
        check(os.path.exists(os.path.join(os.path.dirname(folders[0]), "hollowmere-replay.exe")),
              "the zip holds hollowmere-replay.exe beside the game")
        game = start_game(xvfb, wine, folders[0])
        try:
            check(title_shows(game, "wine_zip_title"), "the zip's game shows the title started from elsewhere")
            status = game.close(30)
            check(status == 0, "the zip's game closes with status 0 (got %s)" % status)
        finally:
            game.cleanup()
        third = wine.read_settings()
        check(third is not None and settings_field(third, 28) & SHOW_RADAR == 0,
              "the setting survives a third run: it was read back and written again")

        # Another program's claim on .hmr, which the uninstaller is to leave alone.
        wine.run(["wine", "reg", "add", CLASSES + ".hmr\\OpenWithProgids", "/v", "Other.Replay", "/d", "", "/f"])
        wine.run(["wine", INSTALL_DIR + "\\uninstall.exe", "/S"], timeout=120)
        end = time.time() + 30
        while time.time() < end and os.path.exists(os.path.join(installed, "hollowmere.exe")):
            time.sleep(0.5)  # the uninstaller runs on from a copy of itself
        tools = ("hollowmere.exe", "hollowmere-replay.exe")
        check(not any(os.path.exists(os.path.join(installed, n)) for n in tools),
              "the uninstaller removes the game and its replay tool")
        check(wine.read_settings() == third, "the uninstaller leaves the player's settings and scores")
        types = replay_type(wine)
        check(not types.get(".hmr") and types.get(".hmr\\openwithprogids") == {"Other.Replay": ""}
              and not any(key.startswith("hollowmere.replay") for key in types),
              "the uninstaller takes its replay type away and leaves another program's entry: %s" % types)
    finally:
        shutil.rmtree(unzipped, ignore_errors=True)
        wine.stop()


if __name__ == "__main__":
    xvfb, wm = desktop(1920, 1080)
    try:
        test(xvfb)
    finally:
        wm.terminate()
        wm.wait(5)
        xvfb.stop()
    print("1 passed, 0 failed", flush=True)
