# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The installed game as a player meets it: `cmake --install` into a scratch prefix, the files in
their places (desktop entry, icons, manual pages, pack), the launcher's handling of the per-user
directory and of a file to open with a stand-in game, and then the real game started by typing
`hollowmere` under Xvfb with a scratch HOME: settings survive a second run, a pack of the player's
own wins, and `hollowmere x.hmr` plays the replay (or names a file that is none)."""

import os
import shutil
import stat
import struct
import subprocess
import tempfile
import time
import zlib

import harness
from harness import Game, check, fail

BUILD = harness.BUILD
SETTINGS_SIZE = 808
SCORES_AT = 568  # the high-score table follows the 56-byte head and 512 reserved bytes
NAMES_AT = SCORES_AT + 40
REPLAY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "replays", "whole_game.hmr")


def install(prefix):
    r = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
    if r.returncode != 0:
        fail("cmake --install failed: " + r.stdout[-2000:] + r.stderr[-2000:])
    check(True, "cmake --install into %s" % prefix)
    pack = os.path.join(prefix, "share", "hollowmere", "hollowmere.data")
    if not os.path.exists(pack):
        # The generated pack is not built yet: let a small one stand in for the launcher to link.
        print("note: no generated pack in the build tree; a stand-in pack is installed", flush=True)
        os.makedirs(os.path.dirname(pack), exist_ok=True)
        with open(pack, "wb") as f:
            f.write(harness.build_pack_bytes([("note_stand_in", b"installed stand-in\0")]))
    return pack


def decode_png(path):
    """Checks every chunk's CRC and the zlib stream; returns (width, height, RGBA rows)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + ": no PNG signature")
    at, chunks = 8, []
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            fail("%s: bad CRC on chunk %s" % (path, kind))
        chunks.append((kind, body))
        at += 12 + length
    if [k for k, _ in chunks][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        fail(path + ": chunks out of order")
    width, height, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
    if (depth, colour) != (8, 6):
        fail(path + ": not 8-bit RGBA")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * 4 + 1
    if len(raw) != stride * height or any(raw[y * stride] != 0 for y in range(height)):
        fail(path + ": pixel rows of the wrong size or with filters")
    rows = [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]
    return width, height, rows


def installed_files_in_place(prefix):
    def executable(path):
        return os.path.isfile(path) and os.stat(path).st_mode & stat.S_IXUSR

    check(executable(os.path.join(prefix, "bin", "hollowmere")), "the launcher is installed as bin/hollowmere")
    check(executable(os.path.join(prefix, "libexec", "hollowmere", "hollowmere")),
          "the game itself lives in libexec/hollowmere")
    tool = os.path.join(prefix, "bin", "hollowmere-pack")
    check(executable(tool), "the pack tool is installed")
    if harness.game_pack_path():
        pack = os.path.join(prefix, "share", "hollowmere", "hollowmere.data")
        r = subprocess.run([tool, "verify", pack], capture_output=True, text=True)
        check(r.returncode == 0, "the installed tool verifies the installed pack " + r.stdout.strip()[-300:])

    desktop = os.path.join(prefix, "share", "applications", "hollowmere.desktop")
    r = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
    check(r.returncode == 0 and not r.stdout.strip(), "desktop-file-validate passes " + r.stdout.strip())
    with open(desktop) as f:
        entry = f.read()
    check("Exec=hollowmere %f\n" in entry and "Icon=hollowmere\n" in entry and "Categories=Game;" in entry
          and "MimeType=application/x-hollowmere-replay;\n" in entry,
          "the desktop entry starts the launcher with a file, opens replays, names the icon and sits under Games")
    replay_type_installed(prefix)

    for size in (48, 64, 128, 256):
        path = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size), "apps", "hollowmere.png")
        width, height, rows = decode_png(path)
        corner = rows[0][3]
        centre = rows[size // 2][size // 2 * 4 + 3]
        edge = int(size * 0.05) * 4
        rim = rows[size // 2][edge:edge + 4]
        check((width, height) == (size, size) and corner == 0 and centre == 255 and rim[0] > 150 and rim[3] > 200,
              "the %dpx icon decodes: transparent corners, an opaque badge, an amber rim" % size)

    for page, section in (("hollowmere", "6"), ("hollowmere-pack", "1")):
        path = os.path.join(prefix, "share", "man", "man" + section, page + "." + section)
        if not shutil.which("man"):
            with open(path) as f:
                check(".TH " + page.upper() + " " + section in f.read(), "%s.%s is installed (no man here to render it)"
                      % (page, section))
            continue
        r = subprocess.run(["man", "--warnings", "-l", path], capture_output=True, text=True,
                           env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8", MANPAGER="cat", PAGER="cat"))
        check(r.returncode == 0 and not r.stderr.strip() and page in r.stdout.split("\n")[0].lower(),
              ("man %s(%s) renders without warnings " % (page, section)) + r.stderr.strip())


def replay_type_installed(prefix):
    """The installed MIME type compiles into a desktop's database: *.hmr by name, and a replay by
    its first four bytes whatever it is called."""
    xml = os.path.join(prefix, "share", "mime", "packages", "hollowmere.xml")
    check(os.path.isfile(xml), "the replay type is installed in share/mime/packages")
    if not shutil.which("update-mime-database"):
        print("note: no update-mime-database here (shared-mime-info); the type is not compiled", flush=True)
        return
    scratch = tempfile.mkdtemp(prefix="hollowmere-mime-")
    mime = os.path.join(scratch, "mime")
    try:
        os.makedirs(os.path.join(mime, "packages"))
        shutil.copy(xml, os.path.join(mime, "packages"))
        r = subprocess.run(["update-mime-database", mime], capture_output=True, text=True,
                           env=dict(os.environ, XDG_DATA_DIRS=scratch))
        with open(os.path.join(mime, "globs2")) as f:
            globs = f.read()
        with open(os.path.join(mime, "magic"), "rb") as f:
            magic = f.read()
        with open(REPLAY, "rb") as f:
            head = f.read(4)
        check(r.returncode == 0 and not r.stderr.strip() and ":application/x-hollowmere-replay:*.hmr" in globs
              and b":application/x-hollowmere-replay]\n>0=\x00\x04" + head + b"\n" in magic,
              "update-mime-database takes the type: the *.hmr glob and a replay's first four bytes %r %s"
              % (head, r.stderr.strip()))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def icon_generator_refuses_bad_sizes():
    tool = os.path.join(BUILD, "packaging", "make_icon")
    out = os.path.join(tempfile.mkdtemp(prefix="hollowmere-icon-"), "icon.png")
    for size in ("0", "12x", "", "99999"):
        r = subprocess.run([tool, size, out], capture_output=True, text=True)
        check(r.returncode != 0 and len(r.stderr.strip().splitlines()) == 1 and not os.path.exists(out),
              "make_icon refuses size %r with one line" % size)
    r = subprocess.run([tool, "48", os.path.join(out, "no", "such", "dir.png")], capture_output=True, text=True)
    check(r.returncode == 1 and "cannot write" in r.stderr, "make_icon reports a file it cannot write")


def launcher_with_stand_in_game(prefix):
    """The launcher's own rules, checked against a copy whose game only reports where it ran."""
    base = tempfile.mkdtemp(prefix="hollowmere-launcher-")
    try:
        copy = os.path.join(base, "prefix")
        shutil.copytree(prefix, copy, symlinks=True)
        game = os.path.join(copy, "libexec", "hollowmere", "hollowmere")
        with open(game, "w") as f:
            f.write('#!/bin/sh\necho "cwd=$(pwd -P) args=$#"\nfor a; do echo "arg=$a"; done\n')
        os.chmod(game, 0o755)
        installed = os.path.realpath(os.path.join(copy, "share", "hollowmere", "hollowmere.data"))
        launcher = os.path.join(copy, "bin", "hollowmere")

        def run(home, xdg=None, argv=None, launcher_path=launcher):
            env = dict(os.environ, HOME=home)
            env.pop("XDG_DATA_HOME", None)
            if xdg is not None:
                env["XDG_DATA_HOME"] = xdg
            return subprocess.run([launcher_path] + (argv or []), capture_output=True, text=True, env=env,
                                  cwd=base)

        home = os.path.join(base, "home")
        os.makedirs(home)
        user_dir = os.path.realpath(os.path.join(home, ".local", "share")) + "/hollowmere"
        r = run(home)
        check(r.returncode == 0 and r.stdout.strip() == "cwd=%s args=0" % user_dir,
              "the game runs in ~/.local/share/hollowmere: " + r.stdout.strip() + r.stderr.strip())
        # A replay to open is named from the folder the launcher was started in, whatever its name.
        started_in = os.path.realpath(base)
        for given, passed in (("x.hmr", started_in + "/x.hmr"),
                              ("./sub dir/a b.hmr", started_in + "/sub dir/a b.hmr"),
                              ("../up.hmr", started_in + "/../up.hmr"),
                              ("/abs/y.hmr", "/abs/y.hmr"),
                              ("--fullscreen", started_in + "/--fullscreen")):
            r = run(home, argv=[given])
            check(r.returncode == 0 and r.stdout.strip().splitlines() == ["cwd=%s args=1" % user_dir, "arg=" + passed],
                  "the launcher passes %r on as %r: %r" % (given, passed, r.stdout + r.stderr))
        r = run(home, argv=["a.hmr", "b.hmr"])
        check(r.returncode == 2 and r.stdout == "" and len(r.stderr.strip().splitlines()) == 1,
              "two files are refused in one line: " + r.stderr.strip())
        link = os.path.join(user_dir, "hollowmere.data")
        check(os.path.islink(link) and os.path.realpath(link) == installed, "the installed pack is linked there")

        xdg = os.path.join(base, "xdg")
        r = run(home, xdg=xdg)
        check(r.stdout.strip() == "cwd=%s/hollowmere args=0" % os.path.realpath(xdg), "XDG_DATA_HOME is followed")
        r = run(home, xdg="relative/dir")
        check(r.stdout.strip() == "cwd=%s args=0" % user_dir, "a relative XDG_DATA_HOME is ignored")

        os.remove(link)
        os.symlink(os.path.join(base, "an-old-install", "hollowmere.data"), link)
        r = run(home)
        check(r.returncode == 0 and os.path.realpath(link) == installed, "a dangling link is renewed")

        os.remove(link)
        with open(link, "wb") as f:
            f.write(b"the player's own")
        run(home)
        with open(link, "rb") as f:
            check(not os.path.islink(link) and f.read() == b"the player's own", "a player's own pack is kept")

        elsewhere = os.path.join(base, "elsewhere")
        os.makedirs(elsewhere)
        os.symlink(launcher, os.path.join(elsewhere, "hollowmere"))
        r = run(home, launcher_path=os.path.join(elsewhere, "hollowmere"))
        check(r.returncode == 0 and "args=0" in r.stdout, "the launcher works through a link to it")

        os.remove(os.path.join(copy, "share", "hollowmere", "hollowmere.data"))
        r = run(os.path.join(base, "fresh-home"))
        check(r.returncode == 1 and r.stdout == "" and "no resource pack" in r.stderr
              and len(r.stderr.strip().splitlines()) == 1,
              "without any pack the launcher says so in one line: " + r.stderr.strip())
    finally:
        shutil.rmtree(base, ignore_errors=True)


def play_installed(xvfb, prefix, installed_pack):
    home = tempfile.mkdtemp(prefix="hollowmere-home-")
    user_dir = os.path.join(home, ".local", "share", "hollowmere")
    cfg = os.path.join(user_dir, "hollowmere.cfg")
    env = {"HOME": home, "PATH": os.path.join(prefix, "bin") + os.pathsep + os.environ.get("PATH", "")}

    def play(tag):
        game = Game(xvfb, pack=False, env=env, command=["hollowmere"])
        game.env.pop("XDG_DATA_HOME", None)
        try:
            game.start()
            status = game.close()
            check(status == 0, "%s: typing hollowmere opens the game window, and closing it exits with 0" % tag)
            return game.stdout(), game.stderr()
        finally:
            game.cleanup()

    try:
        out, _ = play("first run")
        check(os.path.isdir(user_dir), "the per-user directory appears")
        check("loaded " in out, "the installed pack is loaded")
        with open(cfg, "rb") as f:
            data = bytearray(f.read())
        check(len(data) == SETTINGS_SIZE, "closing the window leaves hollowmere.cfg in the per-user directory")

        # From a terminal without a display the launcher passes the game's one line on.
        bare = dict(os.environ, **env, XDG_RUNTIME_DIR=home, SDL_AUDIODRIVER="dummy")
        for name in ("DISPLAY", "XDG_DATA_HOME", "SDL_VIDEODRIVER"):
            bare.pop(name, None)
        r = subprocess.run(["hollowmere"], env=bare, capture_output=True, text=True, timeout=30)
        check(r.returncode == 1 and r.stderr.startswith("ui_init failed: no display to open a window on"),
              "without a display the launcher ends with status 1 and the game's reason: %r" % r.stderr)

        # A best score a player might have made, to see that the next run keeps it.
        struct.pack_into("<i", data, SCORES_AT, 12345)
        data[NAMES_AT:NAMES_AT + 20] = b"installed".ljust(20, b"\0")
        with open(cfg, "wb") as f:
            f.write(data)
        play("second run")
        with open(cfg, "rb") as f:
            kept = f.read()
        check(kept == bytes(data), "a second run keeps the settings and high scores")

        with open(installed_pack, "rb") as f:
            own = f.read() + harness.build_pack_bytes([("note_players_own", b"made by the player\0")])
        link = os.path.join(user_dir, "hollowmere.data")
        os.remove(link)
        with open(link, "wb") as f:
            f.write(own)
        out, _ = play("own pack")
        check("loaded note_players_own : 19 bytes" in out, "the player's own pack is the one loaded")
        with open(link, "rb") as f:
            check(not os.path.islink(link) and f.read() == own, "and it is left as it was")
    finally:
        shutil.rmtree(home, ignore_errors=True)


def open_replays(xvfb, prefix):
    """The installed game opening a file as a file manager or a terminal names it, relative to the
    folder the launcher starts in: a replay plays, anything else is named in one line and the title
    comes as usual."""
    home = tempfile.mkdtemp(prefix="hollowmere-home-")
    folder = tempfile.mkdtemp(prefix="hollowmere-files-")
    env = {"HOME": home, "PATH": os.path.join(prefix, "bin") + os.pathsep + os.environ.get("PATH", "")}
    name = os.path.join(os.path.realpath(folder), "x.hmr")
    try:
        for tag, content in (("a replay", None), ("a file that is no replay", b"hello, not a game\n")):
            if content is None:
                shutil.copy(REPLAY, name)
            else:
                with open(name, "wb") as f:
                    f.write(content)
            game = Game(xvfb, workdir=folder, pack=False, env=env, command=["hollowmere", "x.hmr"])
            game.env.pop("XDG_DATA_HOME", None)
            try:
                game.start()
                end = time.time() + 15
                while time.time() < end and "watching replay" not in game.stdout() and not game.stderr().strip():
                    time.sleep(0.2)
                time.sleep(0.5)
                out, err = game.stdout(), game.stderr()
                status = game.close()
            finally:
                game.cleanup()
            if content is None:
                check(status == 0 and "watching replay %s\n" % name in out and not err.strip(),
                      "%s: hollowmere x.hmr plays %s, closing exits with 0: %r" % (tag, name, err[-300:]))
            else:
                lines = err.strip().splitlines()
                check(status == 0 and len(lines) == 1 and lines[0] == name + ": not a replay"
                      and "watching replay" not in out,
                      "%s: one line names it by its full path, the game runs on: %r" % (tag, lines))
    finally:
        shutil.rmtree(home, ignore_errors=True)
        shutil.rmtree(folder, ignore_errors=True)


def main(xvfb):
    prefix = tempfile.mkdtemp(prefix="hollowmere-prefix-")
    try:
        pack = install(prefix)
        installed_files_in_place(prefix)
        icon_generator_refuses_bad_sizes()
        launcher_with_stand_in_game(prefix)
        play_installed(xvfb, prefix, pack)
        open_replays(xvfb, prefix)
    finally:
        shutil.rmtree(prefix, ignore_errors=True)


harness.run(main)
