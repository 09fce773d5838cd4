#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Prints every performance figure of the game in one table, each as a ratio to a yardstick
measured in the same run. Usage: perf_table.py BUILD_DIR   (scripts/perf-table.sh runs it)

- game tick, typical and stress, against a 16.7 ms frame (bench_tick)
- replays: verifying a ten-minute game against its length, the recorder's share of a 16.7 ms
  frame (on average and in its dearest frame, which writes last.hmr), bytes per minute of play
  (bench_replay)
- the audio mixer against real time (bench_mixer)
- world updates against a 16.7 ms frame (bench_world)
- pack decoding against a plain memory copy of the same bytes (bench_pack)
- start-up of the real executable to its first drawn frame against a bare SDL window
  (a preloaded probe ends each program at its first buffer swap; under Xvfb)
- frame time of the title and playing scenes against a clear-and-swap frame (bench_frame), the
  playing scene also at 1280x1024 in a window and in full screen on a 1920x1080 screen (where
  the SDL 1.2 layer scales the picture up), and in a window with the layer's offscreen copy
  that full screen uses kept on by the player (SDL12COMPAT_OPENGL_SCALING=1), which puts the
  copy's cost on record
- exec to the first lit picture on the screen, polled from outside, against Chromium B.S.U.
  (Debian's chromium-bsu, a small GL arcade game), alternating the two in the same run

perf_table.py BUILD_DIR race      prints only the last row (scripts/startup-race.sh).
perf_table.py BUILD_DIR startup   prints only the start-up row (bench and frame likewise).
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
ONLY = sys.argv[2] if len(sys.argv) > 2 else None
PEER = "/usr/games/chromium-bsu"
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

rows = []


def row(figure, value, yardstick, target=""):
    rows.append((figure, value, yardstick, target))


def run_benchmark(name, env=None, extra=()):
    path = os.path.join(BUILD, "bench", name)
    if not os.path.exists(path):
        return []
    fd, out = tempfile.mkstemp(suffix=".json")
    os.close(fd)
    r = subprocess.run([path, "--benchmark_out=" + out, "--benchmark_out_format=json", *extra],
                       capture_output=True, text=True, cwd=BUILD, env=dict(os.environ, **(env or {})))
    try:
        with open(out) as f:
            return json.load(f)["benchmarks"]
    except (ValueError, KeyError, OSError):
        print("perf_table: %s gave no results: %s" % (name, r.stderr[-300:]), file=sys.stderr)
        return []
    finally:
        os.remove(out)


def benchmark_figures():
    for b in run_benchmark("bench_tick"):
        label = "typical play" if "Typical" in b["name"] else "stress"
        row("game tick, " + label, "%.4f%%" % b["frame_pct"], "of a 16.7 ms frame",
            "< 0.1%" if "Typical" in b["name"] else "< 1%")
    for b in run_benchmark("bench_replay"):
        if "times_real_time" in b:
            row("replay verify, a %.0f-minute game" % b["game_minutes"],
                "%.3f s (%.0f x)" % (b["verify_seconds"], b["times_real_time"]),
                "real time: %.0f s" % (b["game_minutes"] * 60), "< 0.3 s (>= 2000 x)")
        elif "frame_pct" in b:
            row("replay recording, per frame", "%.4f%%" % b["frame_pct"], "of a 16.7 ms frame", "< 1%")
            row("replay recording, dearest frame (writes last.hmr)", "%.3f%%" % b["dearest_frame_pct"],
                "of a 16.7 ms frame (encoding 10 minutes: %.2f ms)" % b["encode_ms"])
            row("replay file", "%.0f bytes a minute" % b["bytes_per_minute"], "of play at 100 frames a second",
                "<= 4096")
    for b in run_benchmark("bench_mixer"):
        row("mixer, 512 frames, 32 instances", "%.4f%%" % b["percent_of_realtime"], "of real time (32 ms)",
            "< 0.1%")
    for b in run_benchmark("bench_world"):
        if "frame_percent" in b:
            row("world: " + b["name"].replace("BM_", ""), "%.4f%%" % b["frame_percent"], "of a 16.7 ms frame")
    for b in run_benchmark("bench_pack", env={"HOLLOWMERE_PACK": os.path.join(BUILD, "hollowmere.data")}):
        if "ratio_to_copy" in b:
            row("pack decoding (%.1f MB)" % b["MB"], "%.1f x" % b["ratio_to_copy"], "a memcpy of the same bytes",
                "< 10 x")


def startup_figures():
    import harness
    probe = os.path.join(BUILD, "bench", "libstartup_probe.so")
    bare = os.path.join(BUILD, "bench", "bare_window")
    game = os.path.join(BUILD, "hollowmere")
    pack = os.path.join(BUILD, "hollowmere.data")
    if not all(os.path.exists(p) for p in (probe, bare, game, pack)):
        return
    xvfb = harness.Xvfb()
    work = tempfile.mkdtemp(prefix="hollowmere-perf-")
    try:
        shutil.copy(pack, os.path.join(work, "hollowmere.data"))
        out = os.path.join(work, "probe.txt")
        env = dict(os.environ, DISPLAY=xvfb.display, SDL_AUDIODRIVER="dummy", LD_PRELOAD=probe,
                   STARTUP_PROBE_OUT=out)

        # The bare window takes the SDL 1.2 layer's direct path, as the game's window does.
        bare_env = dict(env, SDL12COMPAT_OPENGL_SCALING="0")

        def once(command):
            if os.path.exists(out):
                os.remove(out)
            start = time.monotonic()
            subprocess.run([command], cwd=work, env=bare_env if command == bare else env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=60)
            with open(out) as f:
                return (float(f.read()) - start) * 1000

        # Alternating runs after a warm-up of each, so that a drift in the machine's load
        # falls on both alike.
        once(bare)
        once(game)
        times = {bare: [], game: []}
        for _ in range(7):
            for command in (bare, game):
                times[command].append(once(command))
        bare_ms = statistics.median(times[bare])
        game_ms = statistics.median(times[game])
        row("start-up to first frame", "%.0f ms (%.2f x)" % (game_ms, game_ms / bare_ms),
            "bare SDL window: %.0f ms" % bare_ms, "< 2 x")
    finally:
        xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)


def frame_figures():
    import harness
    path = os.path.join(BUILD, "bench", "bench_frame")
    if not os.path.exists(path):
        return
    xvfb = harness.Xvfb(1920, 1080)
    env = {"DISPLAY": xvfb.display, "SDL_AUDIODRIVER": "dummy"}
    try:
        results = run_benchmark("bench_frame", env=env)
        copied = run_benchmark("bench_frame", env=dict(env, SDL12COMPAT_OPENGL_SCALING="1"),
                               extra=["--benchmark_filter=PlayingFrame1280/0"])
    finally:
        xvfb.stop()
    for b in copied:
        b["label"] = "window, offscreen copy"
    for b in results + copied:
        if "ratio" in b:
            name = b["name"].replace("BM_", "").split("/")[0]
            if b.get("label"):
                name += ", " + b["label"]
            row("frame: %s (%.1f ms)" % (name, b["ms_per_frame"]), "%.1f x" % b["ratio"],
                "clear and swap: %.1f ms" % b["clear_swap_ms"])


def race_figures():
    """Median of five runs of each, alternating, after one warm-up run of each (the first run
    of a program pays for cold caches, which neither player nor peer does twice)."""
    import harness
    probe = os.path.join(BUILD, "bench", "lit_probe")
    game = os.path.join(BUILD, "hollowmere")
    pack = os.path.join(BUILD, "hollowmere.data")
    if not all(os.path.exists(p) for p in (probe, game, pack, PEER)):
        print("start-up race: needs %s, %s and %s" % (probe, game, PEER), file=sys.stderr)
        return
    xvfb = harness.Xvfb()
    work = tempfile.mkdtemp(prefix="hollowmere-race-")
    try:
        shutil.copy(pack, os.path.join(work, "hollowmere.data"))
        # The peer keeps its configuration under HOME; both play silent.
        env = dict(os.environ, DISPLAY=xvfb.display, HOME=work, SDL_AUDIODRIVER="dummy", ALSOFT_DRIVERS="null")

        def once(command):
            out = subprocess.run([probe, command], cwd=work, env=env, capture_output=True, text=True, timeout=60)
            lines = out.stdout.strip().splitlines()
            if out.returncode != 0 or not lines:
                raise RuntimeError("%s: no lit picture: %s" % (command, out.stderr.strip()[-300:]))
            return float(lines[-1])

        once(game)
        once(PEER)
        times = {game: [], PEER: []}
        for _ in range(5):
            for command in (game, PEER):
                times[command].append(once(command))
        game_ms = statistics.median(times[game])
        peer_ms = statistics.median(times[PEER])
        print("start-up race (ms): hollowmere %s, chromium-bsu %s" %
              (" ".join("%.0f" % t for t in times[game]), " ".join("%.0f" % t for t in times[PEER])),
              file=sys.stderr)
        row("exec to first lit picture", "%.0f ms (%.2f x)" % (game_ms, game_ms / peer_ms),
            "chromium-bsu: %.0f ms" % peer_ms, "<= 1 x")
    finally:
        xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)


def main():
    for name, figures in (("bench", benchmark_figures), ("startup", startup_figures), ("frame", frame_figures),
                          ("race", race_figures)):
        if ONLY in (None, name):
            figures()
    width = [max(len(r[i]) for r in rows + [("figure", "measured", "against", "target")]) for i in range(4)]
    line = "| %s | %s | %s | %s |"
    print(line % tuple(h.ljust(w) for h, w in zip(("figure", "measured", "against", "target"), width)))
    print(line % tuple("-" * w for w in width))
    for r in rows:
        print(line % tuple(c.ljust(w) for c, w in zip(r, width)))


main()
