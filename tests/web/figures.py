# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Figures for the browser build, measured in headless Chromium on this machine: frames per second
while playing (a game started and driven for 8 s), again with WebGL's draws skipped (what the
page's own work allows), the time from the page's load to its first
lit picture over loopback (navigation start to the first frame after the program's GL set-up,
with the start gate skipped), and the bytes the page downloads; then the native build's frames per
second over the same kind of play on Xvfb (bench/fps_wine.py's measurement), in the same run. Run
by scripts/web-figures.sh."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, Server  # noqa: E402

WEB = os.environ["HOLLOWMERE_WEB"]


# Counts browser frames; with `skip_drawing`, WebGL's draw calls do nothing, which leaves the
# page's own work per frame (the game, the GL layer and the emulation's script) with no
# rasterising behind it.
COUNTER = """
    window.__frames = 0;
    (function count() { window.__frames++; requestAnimationFrame(count); })();
    if (%s) {
        WebGLRenderingContext.prototype.drawArrays = function() {};
        WebGLRenderingContext.prototype.drawElements = function() {};
    }"""


def play(server, skip_drawing):
    """Frames per second over 8 s of driving, and the share of that time the page's main thread
    was busy; on the first run also the load time and bytes downloaded."""
    browser = Browser()
    try:
        browser.evaluate("0")
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=COUNTER % ("true" if skip_drawing else "false"))
        browser.open(server.url("index.html?start"))
        browser.wait_for("typeof Module !== 'undefined' && Module.calledRun === true && "
                         "document.getElementById('cover').classList.contains('gone')", 60, "the game")
        # The first lit picture is drawn inside main, which has run when the program says so; polled
        # every 0.1 s, so the figure is an upper bound within that.
        first = browser.evaluate("Math.max(...performance.getEntriesByType('resource').map(r => r.responseEnd))")
        loaded = browser.evaluate("performance.now()")
        sizes = browser.evaluate("performance.getEntriesByType('resource').map(r => r.encodedBodySize)"
                                 ".reduce((a, b) => a + b, 0) + performance.getEntriesByType('navigation')[0]"
                                 ".encodedBodySize")
        browser.tap("space")
        browser.pump(1.0)
        browser.key("up")
        browser.call("Profiler.enable")
        browser.call("Profiler.start")
        start_frames = browser.evaluate("[window.__frames, performance.now()]")
        # The game's loop runs once per browser frame while playing, so browser frames are game frames.
        browser.pump(8.0)
        end_frames = browser.evaluate("[window.__frames, performance.now()]")
        profile = browser.call("Profiler.stop")["profile"]
        browser.key("up", False)
    finally:
        browser.close()
    fps = (end_frames[0] - start_frames[0]) * 1000.0 / (end_frames[1] - start_frames[1])
    idle = {n["id"] for n in profile["nodes"] if n["callFrame"]["functionName"] == "(idle)"}
    deltas = profile["timeDeltas"][1:] + [0]
    busy = sum(d for s, d in zip(profile["samples"], deltas) if s not in idle) / max(1, sum(deltas))
    return fps, busy, loaded, first, sizes


def main():
    server = Server(WEB)
    try:
        fps, busy, loaded, first, sizes = play(server, False)
        print("browser fps while playing: %.1f (the page's main thread busy %.0f%% of the time)" % (fps, 100 * busy))
        print("page load to first lit picture: %.0f ms (last download done at %.0f ms)" % (loaded, first))
        print("bytes downloaded: %d" % sizes)
        bare, bare_busy, _, _, _ = play(server, True)
        print("browser fps with WebGL's draws skipped: %.1f (main thread busy %.0f%%)" % (bare, 100 * bare_busy))
    finally:
        server.close()
    native_fps(fps)


def native_fps(browser_fps):
    """The native game's mean frame rate over scripted play on Xvfb (Mesa's software GL)."""
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    sys.path.insert(0, os.path.join(top, "bench"))
    import fps_wine  # noqa: E402  (sets up the native build's paths and the harness)
    xvfb = fps_wine.harness.Xvfb()
    try:
        mean, lowest = fps_wine.measure(xvfb, [os.environ["HOLLOWMERE_BIN"]], {}, True)
    finally:
        xvfb.stop()
    print("native fps while playing: %.1f (lowest %.1f); browser / native: %.2f" %
          (mean, lowest, browser_fps / mean if mean else 0.0))


if __name__ == "__main__":
    main()
