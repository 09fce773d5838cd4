"""The browser build in headless Chromium: the page begins on a key, its title picture matches
the native game's, space starts a game, the arrows drive and firing changes the score, escape
opens the menu and a setting changed there survives a reload, and nothing reaches the console as
an error. Run by scripts/test-web.sh with /usr/bin/python3.

The title picture is compared with the native game's own title (same seed, under Xvfb) over the
part of the screen that does not scroll or count: both are cut into 16 x 16 pixel blocks of mean
brightness; the mean difference over all blocks must stay within 12 levels of 255 and 90% of the
blocks within 40. That allows for the two rasterisers' edges, filtering and 1-pixel lines, and
fails on a missing layer, a wrong texture, lost lighting or fog, or a shifted picture.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from browser import Browser, Server  # noqa: E402

WEB = os.environ["HOLLOWMERE_WEB"]
results = {"passed": 0, "failed": 0}


def check(condition, message):
    results["passed" if condition else "failed"] += 1
    print(("ok: " if condition else "FAIL: ") + message, flush=True)
    return condition


def blocks(width, height, data, rows):
    """Mean brightness of each 16 x 16 block in the first `rows` pixel rows of a 640 x 480 picture."""
    out = []
    for by in range(0, rows, 16):
        for bx in range(0, width, 16):
            total = 0
            for y in range(by, by + 16):
                at = (y * width + bx) * 3
                row = data[at:at + 48]
                total += sum(row)
            out.append(total / (16 * 16 * 3))
    return out


def png_blocks(path_or_bytes, rows):
    import harness
    path = path_or_bytes
    if isinstance(path_or_bytes, bytes):
        path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "hollowmere-web-title.png")
        with open(path, "wb") as f:
            f.write(path_or_bytes)
    w, h, data = harness.read_png_bytes(path)
    if (w, h) != (640, 480):
        raise RuntimeError("picture is %d x %d" % (w, h))
    return blocks(w, h, data, rows)


def native_title():
    """The native game's title picture 1.5 s after its window appears, or None without Xvfb."""
    import harness
    if not harness.BIN or not os.path.exists(harness.BIN):
        return None
    xvfb = harness.Xvfb()
    try:
        game = harness.Game(xvfb).start()
        time.sleep(1.5)
        path = game.screenshot("native-title-for-web")
        game.kill()
        game.cleanup()
        return path
    finally:
        xvfb.stop()



def main():
    server = Server(WEB)
    browser = Browser()
    try:
        # The page: progress, then the go-ahead, then the title.
        browser.open(server.url("index.html"))
        browser.wait_for("document.getElementById('status').textContent.indexOf('begin') >= 0", 60,
                         "the page to offer the start")
        browser.tap("return")
        browser.wait_for("document.getElementById('cover').classList.contains('gone')", 10, "the cover to go")
        browser.pump(2.0)
        started = any("openGL driver" in text for _, text in browser.console)
        check(started, "a key on the page begins the game")

        # Title against the native title: the upper 288 rows hold the sky, field, barrels,
        # radar and high-score list; below them the instructions scroll with time.
        web = png_blocks(browser.canvas_png(), 288)
        native_path = native_title()
        if native_path:
            native = png_blocks(native_path, 288)
            diffs = sorted(abs(a - b) for a, b in zip(web, native))
            mean = sum(diffs) / len(diffs)
            within = sum(d <= 40 for d in diffs) / len(diffs)
            check(mean <= 12 and within >= 0.9,
                  "title matches the native title (mean block difference %.1f, %.0f%% of blocks within 40)"
                  % (mean, 100 * within))
        else:
            print("skip: no native game to compare the title with", flush=True)

        # Space starts a game: the title's text panel goes and the picture changes.
        before = browser.canvas_png()
        browser.tap("space")
        browser.pump(1.5)
        playing = browser.canvas_png()
        check(playing != before, "space starts a game")

        # The arrows drive (the picture follows the tank) and fire costs a point a shot.
        browser.key("up")
        browser.key("left")
        browser.pump(1.5)
        browser.key("up", False)
        browser.key("left", False)
        driven = browser.canvas_png()
        check(driven != playing, "the arrows drive the tank")
        score_before = png_blocks(driven, 16)
        for _ in range(3):
            browser.tap("space", 0.1)
            browser.pump(0.6)
        score_after = png_blocks(browser.canvas_png(), 16)
        check(score_before[:10] != score_after[:10], "firing changes the score line")

        # Escape opens the menu; a setting changed there (the audio level, lowered) survives
        # a reload through the browser's store.
        browser.tap("escape")
        browser.pump(0.8)
        menu = browser.canvas_png()
        check(menu != driven, "escape opens the menu")
        settings_before = browser.evaluate("Array.from(FS.readFile('/save/hollowmere.cfg'))"
                                           " .slice(0, 40).join(',')") if browser.evaluate(
            "FS.analyzePath('/save/hollowmere.cfg').exists") else ""
        for name in ("down", "down", "down", "left", "left"):
            browser.tap(name, 0.1)
            browser.pump(0.35)
        browser.tap("escape")
        browser.pump(1.5)
        saved = browser.evaluate("FS.analyzePath('/save/hollowmere.cfg').exists ? "
                                 "Array.from(FS.readFile('/save/hollowmere.cfg')).slice(0, 40).join(',') : ''")
        check(saved != "" and saved != settings_before, "closing the menu writes the changed settings")
        browser.open(server.url("index.html?start"))
        browser.wait_for("typeof FS !== 'undefined' && FS.analyzePath('/save/hollowmere.cfg').exists", 60,
                         "the settings after a reload")
        reloaded = browser.evaluate("Array.from(FS.readFile('/save/hollowmere.cfg')).slice(0, 40).join(',')")
        check(reloaded == saved, "the changed settings survive a reload")
        browser.pump(1.0)

        errors = browser.errors()
        check(not errors, "no errors on the console" + ("" if not errors else ": " + "; ".join(errors[:5])))
    finally:
        browser.close()
        server.close()
    print("web: %d passed, %d failed" % (results["passed"], results["failed"]), flush=True)
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
