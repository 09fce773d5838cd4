"""Figures for the browser build, measured in headless Chromium on this machine: frames per second
while playing (a game started and driven for 8 s), the time from the page's load to its first
lit picture over loopback (navigation start to the first frame after the program's GL set-up,
with the start gate skipped), and the bytes the page downloads; then the native build's frames per
second over the same kind of play on Xvfb (bench/fps_wine.py's measurement), in the same run. Run
by scripts/web-figures.sh."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, Server  # noqa: E402

WEB = os.environ["HOLLOWMERE_WEB"]


def main():
    server = Server(WEB)
    browser = Browser()
    try:
        browser.evaluate("0")
        browser.call("Page.addScriptToEvaluateOnNewDocument", source="""
            window.__frames = 0; window.__first = 0;
            (function count() { window.__frames++; requestAnimationFrame(count); })();""")
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
        start_frames = browser.evaluate("[window.__frames, performance.now()]")
        # The game's loop runs once per browser frame while playing, so browser frames are game frames.
        browser.pump(8.0)
        end_frames = browser.evaluate("[window.__frames, performance.now()]")
        browser.key("up", False)
        fps = (end_frames[0] - start_frames[0]) * 1000.0 / (end_frames[1] - start_frames[1])
        print("browser fps while playing: %.1f" % fps)
        print("page load to first lit picture: %.0f ms (last download done at %.0f ms)" % (loaded, first))
        print("bytes downloaded: %d" % sizes)
    finally:
        browser.close()
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
