# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Drives the real hollowmere executable under Xvfb: a private X server, the game started in a
scratch directory, real key events through xdotool, screenshots, and closing the window the
way a window manager does (a WM_DELETE_WINDOW client message).

Environment (set by CTest): HOLLOWMERE_BIN, WM_CLOSE_BIN, HOLLOWMERE_BUILD.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

BIN = os.environ.get("HOLLOWMERE_BIN", "")
WM_CLOSE = os.environ.get("WM_CLOSE_BIN", "")
BUILD = os.environ.get("HOLLOWMERE_BUILD", "")
SHOTS = os.path.join(BUILD or tempfile.gettempdir(), "screenshots")


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)
    print("ok: " + message, flush=True)


def build_pack_bytes(records):
    """Encodes (name, bytes) records with literal packets only: any valid encoder will do."""
    plain = bytearray()
    for name, data in records:
        header = struct.pack("<I", len(data)) + name.encode().ljust(512, b"\0")
        plain += header + data
    return encode_plain(bytes(plain))


def encode_plain(plain):
    """Literal packets over a plain record stream."""
    out = bytearray()
    for i in range(0, len(plain), 127):
        chunk = plain[i:i + 127]
        out.append(len(chunk))
        out += chunk
    return bytes(out)


def decode_pack_bytes(encoded):
    """The plain record stream of an encoded pack."""
    plain = bytearray()
    i = 0
    while i < len(encoded):
        c = encoded[i]
        i += 1
        if c & 0x80:
            if i >= len(encoded):
                break
            plain += bytes([encoded[i]]) * (c & 0x7F)
            i += 1
        else:
            plain += encoded[i:i + c]
            i += c
    return bytes(plain)


def pack_records(encoded):
    """(name, bytes) of every whole record of an encoded pack, in file order."""
    plain = decode_pack_bytes(encoded)
    records, p = [], 0
    while p + 516 <= len(plain):
        size = struct.unpack_from("<I", plain, p)[0]
        name = plain[p + 4:p + 516].split(b"\0")[0].decode("latin-1")
        records.append((name, plain[p + 516:p + 516 + size]))
        p += 516 + size
    return records


def game_pack_path():
    """The generated pack of the build tree, or None while there is none."""
    path = os.path.join(BUILD, "hollowmere.data")
    return path if os.path.exists(path) else None


class Xvfb:
    """A private X server; the server itself picks a free display number (-displayfd), so
    that several test runs on one machine never share or fight over a display. It never resets
    when its last client leaves (-noreset): a game starting during such a reset loses its window."""

    def __init__(self, width=1280, height=1024):
        self.proc = None
        read_end, write_end = os.pipe()
        proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 "%dx%dx24" % (width, height), "-nolisten", "tcp", "-noreset"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if proc.poll() is not None or not number.strip():
            proc.kill()
            fail("cannot start Xvfb")
        self.proc = proc
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Game:
    """One run of the game in its own working directory."""

    def __init__(self, xvfb, workdir=None, pack=True, settings=None, env=None, audio="dummy", command=None):
        """command: what to start instead of the game binary (an installed launcher, say)."""
        self.xvfb = xvfb
        self.command = command or [BIN]
        self.own_dir = workdir is None
        self.dir = workdir or tempfile.mkdtemp(prefix="hollowmere-e2e-")
        if pack is True:
            source = game_pack_path()
            if source:
                shutil.copy(source, os.path.join(self.dir, "hollowmere.data"))
            else:
                with open(os.path.join(self.dir, "hollowmere.data"), "wb") as f:
                    f.write(build_pack_bytes([("note_empty", b"a pack with nothing the game draws\0")]))
        elif isinstance(pack, (bytes, bytearray)):
            with open(os.path.join(self.dir, "hollowmere.data"), "wb") as f:
                f.write(pack)
        if settings is not None:
            with open(os.path.join(self.dir, "hollowmere.cfg"), "wb") as f:
                f.write(settings)
        self.env = dict(os.environ)
        self.env["DISPLAY"] = xvfb.display
        self.env["SDL_AUDIODRIVER"] = audio
        self.env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        if env:
            self.env.update(env)
        self.out_path = os.path.join(self.dir, "stdout.txt")
        self.err_path = os.path.join(self.dir, "stderr.txt")
        self.proc = None
        self.window = None

    def start(self, wait_window=True):
        self.proc = subprocess.Popen(self.command, cwd=self.dir, env=self.env, stdout=open(self.out_path, "wb"),
                                     stderr=open(self.err_path, "wb"))
        if wait_window:
            self.window = self.find_window()
            if not self.window:
                self.kill()
                fail("no game window appeared; stderr: " + self.stderr())
            self.focus()
        return self

    def find_window(self, timeout=60):
        end = time.time() + timeout
        while time.time() < end:
            if self.proc.poll() is not None:
                return None
            r = subprocess.run(["xdotool", "search", "--name", "^Hollowmere$"], env=self.env,
                               capture_output=True, text=True)
            ids = r.stdout.split()
            if ids:
                return ids[-1]
            time.sleep(0.2)
        return None

    def find_new_window(self):
        """Follows the game to a window made anew (switching between a window and full screen
        starts video afresh)."""
        self.window = self.find_window() or fail("the game window is gone; stderr: " + self.stderr())
        self.focus()

    def focus(self):
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window], env=self.env, capture_output=True,
                       timeout=10)
        time.sleep(0.3)

    def key(self, name, hold=0.25):
        """Holds a key long enough for a 100 ms title or menu frame to see it."""
        subprocess.run(["xdotool", "keydown", "--window", self.window, name], env=self.env, check=False)
        time.sleep(hold)
        subprocess.run(["xdotool", "keyup", "--window", self.window, name], env=self.env, check=False)
        time.sleep(0.15)

    def keydown(self, name):
        subprocess.run(["xdotool", "keydown", "--window", self.window, name], env=self.env, check=False)

    def keyup(self, name):
        subprocess.run(["xdotool", "keyup", "--window", self.window, name], env=self.env, check=False)

    def screenshot(self, name):
        os.makedirs(SHOTS, exist_ok=True)
        path = os.path.join(SHOTS, name + ".png")
        subprocess.run(["import", "-window", self.window, path], env=self.env, capture_output=True, timeout=30)
        return path

    def window_size(self):
        r = subprocess.run(["xdotool", "getwindowgeometry", self.window], env=self.env, capture_output=True,
                           text=True)
        for line in r.stdout.splitlines():
            if "Geometry:" in line:
                w, h = line.split(":")[1].strip().split("x")
                return int(w), int(h)
        return None

    def close(self, timeout=15):
        """Closes the window as a window manager does and waits for the process to end."""
        subprocess.run([WM_CLOSE, self.window], env=self.env, check=False)
        return self.wait(timeout)

    def wait(self, timeout=15):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            fail("the game did not exit within %d s" % timeout)

    def kill(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def stdout(self):
        with open(self.out_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def stderr(self):
        with open(self.err_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def settings(self):
        path = os.path.join(self.dir, "hollowmere.cfg")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def cleanup(self):
        self.kill()
        if self.own_dir:
            shutil.rmtree(self.dir, ignore_errors=True)


def panel_ratio(path):
    """The half-transparent menu panel (54 of the 120 units across, 56 of 90 high, centred) halves
    the scene behind it: compares patches just inside and just outside its right edge (None when
    it is too dark behind the panel to tell)."""
    w, h, rows = read_png_pixels(path)
    edge = int(w / 2 + 27 * w / 120)
    top, bottom = int(h / 2 + 5 * h / 90), int(h / 2 + 25 * h / 90)

    def mean(x0, x1):
        values = [sum(rows[y][x]) / 3 for y in range(top, bottom) for x in range(x0, x1)]
        return sum(values) / len(values)

    outside = mean(edge + 4, edge + 14)
    return None if outside < 40 else mean(edge - 14, edge - 4) / outside


def title_heading_pixels(path):
    """Cyan pixels where the title puts GAME OVER or the HIGH SCORES LIST heading."""
    w, h, rows = read_png_pixels(path)
    x0, x1 = int((-30 + 60) / 120 * w), int((20 + 60) / 120 * w)
    y0, y1 = int((45 - 34.5) / 90 * h), int((45 - 21.5) / 90 * h)
    return sum(1 for r in rows[y0:y1] for p in r[x0:x1] if p[0] < 90 and p[1] > 170 and p[2] > 170)


def read_png_bytes(path):
    """Returns (width, height, raw RGB bytes row by row from the top) of a PNG via ImageMagick."""
    r = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True)
    ident = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True)
    w, h = (int(v) for v in ident.stdout.split())
    return w, h, r.stdout


def read_png_pixels(path):
    """Returns (width, height, rows of RGB tuples) of a PNG."""
    w, h, data = read_png_bytes(path)
    rows = []
    for y in range(h):
        row = data[y * w * 3:(y + 1) * w * 3]
        rows.append([tuple(row[i:i + 3]) for i in range(0, len(row), 3)])
    return w, h, rows


def settings_defaults():
    """An 808-byte settings file with the default values."""
    head = struct.pack("<iiiiiffii5i", 1, 0, 640, 480, 16, 1.5, 0.8, -1, 0, 276, 275, 273, 274, 32)
    reserved = b"\0" * 512
    scores = struct.pack("<10i", *[10000 - 1000 * i for i in range(10)])
    names = b"".join(b"quenby".ljust(20, b"\0") for _ in range(10))
    data = head + reserved + scores + names
    assert len(data) == 808
    return data


def run(test):
    """Runs test(xvfb) with a fresh X server and reports the outcome."""
    if not BIN or not os.path.exists(BIN):
        fail("HOLLOWMERE_BIN is not set to the game executable")
    xvfb = Xvfb()
    try:
        test(xvfb)
    finally:
        xvfb.stop()
    print("1 passed, 0 failed", flush=True)
