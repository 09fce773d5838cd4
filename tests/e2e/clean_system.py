# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The Debian package on a clean system, as a player meets it: a minimal Debian 12 made with
debootstrap from the same archive, with the desktop's file-type tools (xdg-utils and the MIME
and desktop databases), the package installed there with apt (which pulls in exactly the
dependencies it declares), a replay's type and the program that opens it asked of xdg-mime, the
installed game started as an ordinary user under Xvfb to its title picture and closed, the
settings found in the player's ~/.local/share/hollowmere; then the package purged, the player's
settings still there, nothing of the package left and the replay type gone with it.

Usage (as root): clean_system.py PACKAGE.deb   (scripts/test-deb.sh builds the package and runs it)
Environment: WM_CLOSE_BIN, the window-closing helper of the native build."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import harness
from harness import check, fail

SUITE = "bookworm"
CACHE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build-deb")
REPLAY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "replays", "whole_game.hmr")
# What a desktop brings along to tell a file's type and the program for it; dpkg's triggers of
# the last two compile the package's MIME type and desktop entry into their databases.
DESKTOP_TOOLS = ("xdg-utils", "libfile-mimeinfo-perl", "shared-mime-info", "desktop-file-utils")


def archive():
    """The Debian archive this machine installs from."""
    for path in ("/etc/apt/sources.list.d/debian.sources", "/etc/apt/sources.list"):
        try:
            with open(path) as f:
                text = f.read()
        except OSError:
            continue
        found = re.search(r"^URIs:\s*(\S+/debian)\s*$", text, re.M) or re.search(r"^deb\s+(\S+/debian)\s", text, re.M)
        if found:
            return found.group(1)
    return "http://deb.debian.org/debian"


def run(*command, **kwargs):
    r = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if r.returncode != 0:
        fail("%s failed: %s" % (" ".join(command[:6]), (r.stdout + r.stderr)[-1500:]))
    return r.stdout


def make_root(root):
    """A minimal Debian 12; its packages are kept as a tarball for the next run on this machine."""
    tarball = os.path.abspath(os.path.join(CACHE, "%s-minbase.tgz" % SUITE))
    mirror = archive()
    if not os.path.exists(tarball):
        os.makedirs(os.path.dirname(tarball), exist_ok=True)
        run("debootstrap", "--variant=minbase", "--make-tarball=" + tarball, SUITE, root + ".tarball", mirror)
        shutil.rmtree(root + ".tarball", ignore_errors=True)
    run("debootstrap", "--variant=minbase", "--unpack-tarball=" + tarball, SUITE, root, mirror)
    check(os.path.exists(os.path.join(root, "usr/bin/apt-get")), "a minimal %s system from %s" % (SUITE, mirror))


def in_root(root, *command, user=None, env=None):
    prefix = ["chroot"] + (["--userspec=%s:%s" % (user, user)] if user else []) + [root]
    environment = {"PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin:/usr/games", "LANG": "C.UTF-8",
                   "DEBIAN_FRONTEND": "noninteractive"}
    environment.update(env or {})
    return prefix + ["env", "-i"] + ["%s=%s" % kv for kv in environment.items()] + list(command)


def package_files(deb):
    """Every regular file and link the package installs, as absolute paths."""
    files = []
    for line in run("dpkg-deb", "-c", deb).splitlines():
        if line.startswith("d"):
            continue
        path = line.split(None, 5)[5].split(" -> ")[0]
        files.append(path.lstrip("."))
    return files


def play_once(root, xvfb, home):
    """Starts the installed game as the player, waits for the title, closes the window."""
    env = {"HOME": home, "DISPLAY": xvfb.display, "SDL_AUDIODRIVER": "dummy", "USER": "player"}
    log = open(os.path.join(root, "tmp", "game.log"), "wb")
    proc = subprocess.Popen(in_root(root, "/usr/games/hollowmere", user="player", env=env), stdout=log,
                            stderr=subprocess.STDOUT)
    host_env = dict(os.environ, DISPLAY=xvfb.display)
    window = None
    end = time.time() + 60
    while time.time() < end and proc.poll() is None and not window:
        r = subprocess.run(["xdotool", "search", "--name", "^Hollowmere$"], env=host_env, capture_output=True,
                           text=True)
        window = (r.stdout.split() or [None])[-1]
        time.sleep(0.3)
    if not window:
        proc.kill()
        with open(os.path.join(root, "tmp", "game.log"), errors="replace") as f:
            fail("the installed game opened no window: " + f.read()[-1500:])
    time.sleep(2.0)
    shot = os.path.join(tempfile.gettempdir(), "hollowmere-clean-system-title.png")
    subprocess.run(["import", "-window", window, shot], env=host_env, capture_output=True, timeout=30)
    heading = harness.title_heading_pixels(shot)
    check(heading > 300, "the installed game shows its title picture (%d heading pixels)" % heading)
    subprocess.run([harness.WM_CLOSE, window], env=host_env, check=False)
    try:
        status = proc.wait(15)
    except subprocess.TimeoutExpired:
        proc.kill()
        fail("the installed game did not exit when its window was closed")
    check(status == 0, "the installed game closes cleanly (status %s)" % status)


def replay_type(root, home):
    """What xdg-mime says of a replay: its type, and the desktop entry that opens that type."""
    env = {"HOME": home, "USER": "player"}
    shutil.copy(REPLAY, os.path.join(root, "tmp", "x.hmr"))
    filetype = run(*in_root(root, "xdg-mime", "query", "filetype", "/tmp/x.hmr", user="player", env=env)).strip()
    default = subprocess.run(in_root(root, "xdg-mime", "query", "default", "application/x-hollowmere-replay",
                                     user="player", env=env), capture_output=True, text=True).stdout.strip()
    return filetype, default


def main():
    if len(sys.argv) != 2 or os.geteuid() != 0:
        fail("usage (as root): clean_system.py PACKAGE.deb")
    deb = os.path.abspath(sys.argv[1])
    root = tempfile.mkdtemp(prefix="hollowmere-clean-", dir="/var/tmp")
    os.chmod(root, 0o755)  # it becomes /, which the player must be able to enter
    mounts = []
    xvfb = None
    try:
        make_root(root)
        for source, target, options in (("proc", "proc", ["-t", "proc"]), ("/dev", "dev", ["--bind"]),
                                        ("/tmp/.X11-unix", "tmp/.X11-unix", ["--bind"])):
            os.makedirs(os.path.join(root, target), exist_ok=True)
            run("mount", *options, source, os.path.join(root, target))
            mounts.append(os.path.join(root, target))
        shutil.copy("/etc/resolv.conf", os.path.join(root, "etc", "resolv.conf"))
        shutil.copy(deb, os.path.join(root, "tmp", os.path.basename(deb)))
        run(*in_root(root, "apt-get", "update", "-qq"))
        began = time.time()
        run(*in_root(root, "apt-get", "install", "-y", "-qq", "--no-install-recommends", *DESKTOP_TOOLS))
        print("note: the desktop's file-type tools installed in %.1f s" % (time.time() - began), flush=True)
        before = set(run(*in_root(root, "dpkg-query", "-W", "-f=${Package}\n")).split())
        run(*in_root(root, "apt-get", "install", "-y", "-qq", "--no-install-recommends",
                     "/tmp/" + os.path.basename(deb)))
        added = set(run(*in_root(root, "dpkg-query", "-W", "-f=${Package}\n")).split()) - before
        check("hollowmere" in added, "apt installs the package with %d packages it depends on" % (len(added) - 1))
        for path in ("/usr/games/hollowmere", "/usr/lib/games/hollowmere/hollowmere",
                     "/usr/share/games/hollowmere/hollowmere.data", "/usr/bin/hollowmere-pack"):
            check(os.path.exists(root + path), "installed: " + path)

        run(*in_root(root, "useradd", "--create-home", "player"))
        found = replay_type(root, "/home/player")
        check(found == ("application/x-hollowmere-replay", "hollowmere.desktop"),
              "xdg-mime: a replay is application/x-hollowmere-replay, opened by hollowmere.desktop (%s, %s)" % found)
        xvfb = harness.Xvfb()
        play_once(root, xvfb, "/home/player")
        settings = os.path.join(root, "home/player/.local/share/hollowmere/hollowmere.cfg")
        check(os.path.exists(settings) and os.path.getsize(settings) == 808,
              "the settings are in the player's ~/.local/share/hollowmere")
        with open(settings, "rb") as f:
            kept = f.read()

        run(*in_root(root, "apt-get", "purge", "-y", "-qq", "hollowmere"))
        state = subprocess.run(in_root(root, "dpkg-query", "-W", "-f=${Status}", "hollowmere"), capture_output=True,
                               text=True).stdout
        check("installed" not in state.replace("not-installed", ""), "the package is purged (%s)" % state.strip())
        left = [p for p in package_files(deb) if os.path.lexists(root + p)]
        check(not left, "nothing of the package is left (%s)" % left[:5])
        with open(settings, "rb") as f:
            check(f.read() == kept, "the player's settings and scores are still there")
        found = replay_type(root, "/home/player")
        check(found[0] != "application/x-hollowmere-replay" and not found[1],
              "the replay type and its program go with the package (%s, %r)" % found)
    finally:
        if xvfb:
            xvfb.stop()
        for target in reversed(mounts):
            subprocess.run(["umount", "-l", target], check=False)
        if all(subprocess.run(["mountpoint", "-q", m]).returncode != 0 for m in mounts):
            shutil.rmtree(root, ignore_errors=True)
    print("1 passed, 0 failed", flush=True)


main()
