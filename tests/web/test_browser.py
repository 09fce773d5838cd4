# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""The browser build in headless Chromium: the page begins on a key, its title picture matches
the native game's, space starts a game, the arrows drive and firing changes the score and is
heard (the title silent, nothing clipped), escape opens the menu, the audio level lowered there
is in the settings file and the menu after a reload, the menu's full screen is the browser's,
a pretend gamepad plugged in at the title plays, and nothing reaches the console as an error.
The page's replays: the last game saved from its button verifies natively, the high scores' games
are listed and saved; a replay picked,
or linked by ?replay= and played after the start click, is watched; a damaged file, dropped or
linked, and a link to another site are refused with a line on the page and the title stays.
Run by scripts/test-web.sh with /usr/bin/python3.

The title picture is compared with the native game's own title (same seed, under Xvfb) over the
part of the screen that does not scroll or count: both are cut into 16 x 16 pixel blocks of mean
brightness; the mean difference over all blocks must stay within 12 levels of 255 and 90% of the
blocks within 40. That allows for the two rasterisers' edges and filtering, and fails on a
missing layer, a wrong texture, lost lighting or fog, or a shifted picture. The menu opened on
the title is compared with the native menu the same way over its panel, and its range bars'
outlines (lines 2 pixels wide) must be as thick as the native ones.
The browser's own Escape in full screen leaves it: the menu's item follows (off, and so in the
settings written), and that Escape does not also open the game's menu.
"""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from browser import Browser, Server  # noqa: E402
import harness  # noqa: E402

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
    return blocks(640, 480, picture_bytes(path_or_bytes), rows)


def count_pixels(png, rows, columns, test):
    """How many pixels in the given rows and columns of a 640 x 480 picture pass `test(r, g, b)`."""
    import harness
    path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "hollowmere-web-count.png")
    with open(path, "wb") as f:
        f.write(png)
    w, _, data = harness.read_png_bytes(path)
    return sum(1 for y in rows for x in columns if test(*data[(y * w + x) * 3:(y * w + x) * 3 + 3]))


def on_title(png):
    """Whether a title heading ("GAME OVER" or the high-score list's, which take turns) is on the
    picture, in the title's cyan."""
    return count_pixels(png, range(50, 126), range(640), lambda r, g, b: r < 120 and g > 170 and b > 170) > 500


def in_menu(png):
    """Whether the settings menu's pale heading is on the picture."""
    return count_pixels(png, range(96, 116), range(240, 410), lambda r, g, b: r > 190 and g > 190 and b > 150) > 50


def audio_bar_end(png):
    """The column where the menu's audio level bar ends (its filled wedge's right edge)."""
    import harness
    path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "hollowmere-web-count.png")
    with open(path, "wb") as f:
        f.write(png)
    w, _, data = harness.read_png_bytes(path)
    lit = [x for x in range(352, 440) if sum(data[(313 * w + x) * 3:(313 * w + x) * 3 + 3]) > 450]
    return max(lit) if lit else 0


def lit_columns(png, row):
    """The first and last column of a picture's row that are not black."""
    import harness
    path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "hollowmere-web-screen.png")
    with open(path, "wb") as f:
        f.write(png)
    w, _, data = harness.read_png_bytes(path)
    lit = [x for x in range(w) if sum(data[(row * w + x) * 3:(row * w + x) * 3 + 3]) > 12]
    return (lit[0], lit[-1]) if lit else (0, -1)


def verify_natively(data):
    """What the native hollowmere-replay says of a replay's bytes (after the file's name)."""
    tool = os.path.join(os.environ.get("HOLLOWMERE_BUILD", ""), "tools", "hollowmere-replay")
    with tempfile.NamedTemporaryFile(suffix=".hmr", delete=False) as f:
        f.write(data)
    try:
        r = subprocess.run([tool, "verify", f.name], capture_output=True, text=True, timeout=120)
        return (r.stdout + r.stderr).strip().split(": ", 1)[-1]
    finally:
        os.remove(f.name)


def read_settings(browser):
    """The settings file's bytes in the page's store, or None."""
    if not browser.evaluate("FS.analyzePath('/save/hollowmere.cfg').exists"):
        return None
    return bytes(browser.evaluate("Array.from(FS.readFile('/save/hollowmere.cfg'))"))


def level_of(settings):
    return struct.unpack_from("<f", settings, 24)[0]


def native_pictures():
    """The native game's title picture 1.5 s after its window appears and its menu opened there,
    or None without a native game."""
    import harness
    if not harness.BIN or not os.path.exists(harness.BIN):
        return None
    xvfb = harness.Xvfb()
    try:
        game = harness.Game(xvfb).start()
        time.sleep(1.5)
        title = game.screenshot("native-title-for-web")
        game.key("Escape")
        time.sleep(0.8)
        menu = game.screenshot("native-menu-for-web")
        game.kill()
        game.cleanup()
        return title, menu
    finally:
        xvfb.stop()


def picture_bytes(path_or_bytes):
    """Raw RGB rows of a 640 x 480 picture."""
    import harness
    path = path_or_bytes
    if isinstance(path_or_bytes, bytes):
        path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "hollowmere-web-picture.png")
        with open(path, "wb") as f:
            f.write(path_or_bytes)
    w, h, data = harness.read_png_bytes(path)
    if (w, h) != (640, 480):
        raise RuntimeError("picture is %d x %d" % (w, h))
    return data


def panel_blocks(data):
    """Mean brightness of the 16 x 16 blocks of the menu's panel above the scrolling text."""
    out = []
    for by in range(96, 288, 16):
        for bx in range(176, 464, 16):
            out.append(sum(sum(data[(y * 640 + bx) * 3:(y * 640 + bx + 16) * 3]) for y in range(by, by + 16)) / 768)
    return out


def bar_line_weight(data):
    """How much the "smoke detail" bar's top and bottom outline add to what lies behind them (rows
    well above the column's median), in rows of the item colour's full brightness: the two lines'
    width, however the picture was resampled on its way to the screen. The median over columns
    404 to 446, so that the wedge's tip or a barrel behind the panel does not count."""
    weights = []
    for x in range(404, 447):
        column = [sum(data[(y * 640 + x) * 3:(y * 640 + x) * 3 + 3]) / 3 for y in range(255, 290)]
        behind = sorted(column)[len(column) // 2]
        weights.append(sum(v - behind for v in column if v - behind > 20) / (178 - behind))
    return sorted(weights)[len(weights) // 2]


def similar(a, b):
    diffs = sorted(abs(x - y) for x, y in zip(a, b))
    mean = sum(diffs) / len(diffs)
    within = sum(d <= 40 for d in diffs) / len(diffs)
    return mean <= 12 and within >= 0.9, "mean block difference %.1f, %.0f%% of blocks within 40" % (mean, 100 * within)



# Keeps the loudest sample of each buffer the page hands the browser's audio.
SOUND_PEAKS = """
    window.__peaks = [];
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function() {
        let peak = 0;
        for (let c = 0; this.buffer && c < this.buffer.numberOfChannels; c++)
            for (const x of this.buffer.getChannelData(c)) peak = Math.max(peak, Math.abs(x));
        window.__peaks.push(peak);
        return start.apply(this, arguments);
    };"""


# A stand-in for the Gamepad API: the browser's four slots, empty until `__connect` puts a pad
# with the standard mapping in the second; `__button` and `__axis` move it.
FAKE_PAD = """
    (() => {
        const slots = [null, null, null, null];
        navigator.getGamepads = () => slots;
        window.__connect = () => {
            slots[1] = {id: 'Test pad (STANDARD GAMEPAD)', index: 1, connected: true, mapping: 'standard',
                        timestamp: 1, axes: [0, 0, 0, 0],
                        buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
        };
        window.__button = (b, down) => {
            slots[1].buttons[b] = {pressed: down, value: down ? 1 : 0};
            slots[1].timestamp++;
        };
        window.__axis = (a, v) => { slots[1].axes[a] = v; slots[1].timestamp++; };
    })();"""


def gamepad(server):
    """A pad plugged in at the title is found, starts a game with A, drives with the d-pad and
    stick, fires with A, and opens and closes the menu with Start and B."""
    browser = Browser()
    try:
        browser.evaluate("0")
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=FAKE_PAD)
        browser.open(server.url("index.html?start"))
        browser.wait_for("document.getElementById('cover').classList.contains('gone')", 60, "the game")
        browser.pump(1.0)
        browser.evaluate("__connect()")
        browser.pump(3.5)  # the title looks for a new pad every 3 s

        def tap(button, hold=0.15):
            browser.evaluate("__button(%d, true)" % button)
            browser.pump(hold)
            browser.evaluate("__button(%d, false)" % button)
            browser.pump(0.4)

        title = browser.canvas_png()
        tap(0)
        browser.pump(1.0)
        playing = browser.canvas_png()
        check(on_title(title) and not on_title(playing), "a pad plugged in at the title starts a game with A")
        browser.evaluate("__button(12, true); __axis(0, -1)")
        browser.pump(1.5)
        browser.evaluate("__button(12, false); __axis(0, 0)")
        browser.pump(0.3)
        driven = browser.canvas_png()
        check(driven != playing, "the pad's d-pad and stick drive the tank")
        score_before = png_blocks(driven, 16)
        for _ in range(3):
            tap(0, 0.1)
        check(png_blocks(browser.canvas_png(), 16)[:10] != score_before[:10], "the pad's A fires")
        before_menu = browser.canvas_png()
        tap(9)
        browser.pump(0.5)
        menu = browser.canvas_png()
        tap(1)
        browser.pump(0.5)
        check(not in_menu(before_menu) and in_menu(menu) and not in_menu(browser.canvas_png()),
              "Start opens the menu and B closes it")
        errors = browser.errors()
        check(not errors, "no errors on the console with a pad" + ("" if not errors else ": " + "; ".join(errors[:5])))
    finally:
        browser.close()


def download(browser, button, name):
    """The bytes of the file `name` that a click on the page's `button` (a CSS selector)
    downloads, or None."""
    folder = tempfile.mkdtemp(prefix="hollowmere-downloads-")
    try:
        browser.call("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)
        browser.wait_for("!document.querySelector(%r).disabled" % button, 5, "the button to offer the game")
        browser.evaluate("document.querySelector(%r).click()" % button)
        path = os.path.join(folder, name)
        end = time.time() + 10
        while not os.path.exists(path) and time.time() < end:
            browser.pump(0.1)
        browser.pump(0.2)
        return open(path, "rb").read() if os.path.exists(path) else None
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def watching(game):
    """Replays opened through the page, served beside it: the game's own (the one saved above, or
    a stored golden replay), a truncated one and a few random bytes."""
    folder = tempfile.mkdtemp(prefix="hollowmere-web-replays-")
    for name in os.listdir(WEB):
        os.symlink(os.path.join(WEB, name), os.path.join(folder, name))
    if not game:
        game = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "replays",
                                 "every_power_up.hmr"), "rb").read()
    rng = random.Random(7)
    files = {"game.hmr": game, "damaged.hmr": game[:len(game) * 2 // 3],
             "random.hmr": bytes(rng.randrange(256) for _ in range(40))}
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    server = Server(folder)
    browser = Browser()
    shot = None

    def note():
        return browser.evaluate("document.getElementById('note').textContent")

    def watched(since):
        return any(text.startswith("watching replay") for _, text in browser.console[since:])

    def pick(name):
        doc = browser.call("DOM.getDocument")
        node = browser.call("DOM.querySelector", nodeId=doc["root"]["nodeId"], selector="#watch-file")["nodeId"]
        browser.call("DOM.setFileInputFiles", nodeId=node, files=[os.path.join(folder, name)])

    def drop(name):
        browser.evaluate("(() => { const t = new DataTransfer(); t.items.add(new File([new Uint8Array(%s)], %r));"
                         " window.dispatchEvent(new DragEvent('drop', {dataTransfer: t, cancelable: true})); })()"
                         % (list(files[name]), name))

    def start(query, gate=False):
        browser.open(server.url("index.html" + query))
        if gate:
            browser.wait_for("document.getElementById('status').textContent.indexOf('begin') >= 0", 60, "the start")
            browser.tap("return")
        browser.wait_for("typeof Module !== 'undefined' && Module.calledRun === true && "
                         "document.getElementById('cover').classList.contains('gone')", 60, "the game")
        browser.pump(1.0)

    try:
        browser.evaluate("0")
        # Refused: a note naming the file on the page, the title kept, nothing watched.
        refusals = [
            ("a truncated replay linked by ?replay=", "?start&replay=damaged.hmr", None, "damaged.hmr: "),
            ("a few random bytes dropped on the page", "?start", "random.hmr", "random.hmr: "),
            ("a link to another site", "?start&replay=http://localhost:%d/game.hmr" % server.port, None, "refused"),
        ]
        for what, query, dropped, said in refusals:
            since = len(browser.console)
            start(query)
            if dropped:
                drop(dropped)
                browser.pump(1.0)
            shown = note()
            check(said in shown and not watched(since) and on_title(browser.canvas_png()),
                  "%s: refused on the page (%r), the title stays" % (what, shown))
        # The high scores' games, from their files' names: best first, the names decoded, each
        # saved under its name and score.
        browser.evaluate("FS.mkdirTree('/save/replays'); for (const f of ['entry-300--1700000001.hmr', "
                         "'entry-1200-616263-1700000000.hmr', 'entry--5-7a-1700000002.hmr', 'entry-x.hmr']) "
                         "FS.writeFile('/save/replays/' + f, new Uint8Array(%s)); "
                         "document.getElementById('entries').open = true" % list(files["random.hmr"]))
        browser.pump(0.3)
        listed = browser.evaluate("Array.from(document.querySelectorAll('#entry-list span'), s => s.textContent)")
        best = download(browser, "#entry-list button", "hollowmere-abc-1200.hmr")
        browser.evaluate("for (const f of FS.readdir('/save/replays')) if (f.startsWith('entry-')) "
                         "FS.unlink('/save/replays/' + f)")
        check(listed == ["abc 1200", "(no name) 300", "z -5"] and best == files["random.hmr"],
              "the high scores' games listed best first (%s) and saved under their names" % listed)
        # Watched: the game's replay picked with the file input on the title, and linked by
        # ?replay= behind the start click; the playback's picture is the game's, not the title's.
        for what, query, picked in [("picked with the file input", "?start", "game.hmr"),
                                    ("linked by ?replay=, after the start click", "?replay=game.hmr", None)]:
            since = len(browser.console)
            start(query, gate=not picked)
            if picked:
                pick(picked)
            browser.pump(2.0)
            picture = browser.canvas_png()
            check(watched(since) and not on_title(picture) and note() == "",
                  "a replay %s plays (%s)" % (what, "watching" if watched(since) else "not watched"))
            shot = picture
        errors = browser.errors()
        check(not errors, "no errors on the console with replays" + ("" if not errors else ": " + "; ".join(errors[:5])))
        if shot and os.environ.get("HOLLOWMERE_PLAYBACK_PICTURE"):
            with open(os.environ["HOLLOWMERE_PLAYBACK_PICTURE"], "wb") as f:
                f.write(shot)
    finally:
        browser.close()
        server.close()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    server = Server(WEB)
    saved_game = None
    browser = Browser()
    try:
        # The page: progress, then the go-ahead, then the title.
        browser.evaluate("0")
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=SOUND_PEAKS)
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
        title_peak = max(browser.evaluate("__peaks") or [1])
        browser.tap("escape")
        browser.pump(0.8)
        web_menu = picture_bytes(browser.canvas_png())
        browser.tap("escape")
        browser.pump(0.5)
        native = native_pictures()
        if native:
            same, how = similar(web, png_blocks(native[0], 288))
            check(same, "title matches the native title (%s)" % how)
            native_menu = picture_bytes(native[1])
            same, how = similar(panel_blocks(web_menu), panel_blocks(native_menu))
            lines, native_lines = bar_line_weight(web_menu), bar_line_weight(native_menu)
            check(same and 3.5 < native_lines < 4.7 and abs(lines - native_lines) < 0.8,
                  "the menu matches the native menu (%s), its bars' outlines %.1f rows thick against %.1f natively"
                  % (how, lines, native_lines))
        else:
            print("skip: no native game to compare the title and menu with", flush=True)

        # Space starts a game: the title's text panel goes and the picture changes.
        before = browser.canvas_png()
        browser.tap("space")
        browser.pump(1.5)
        playing = browser.canvas_png()
        check(on_title(before) and not on_title(playing), "space starts a game")

        # The arrows drive (the picture follows the tank) and fire costs a point a shot.
        browser.key("up")
        browser.key("left")
        browser.pump(1.5)
        browser.key("up", False)
        browser.key("left", False)
        driven = browser.canvas_png()
        check(driven != playing, "the arrows drive the tank")
        score_before = png_blocks(driven, 16)
        heard = browser.evaluate("__peaks.length")
        for _ in range(3):
            browser.tap("space", 0.1)
            browser.pump(0.6)
        score_after = png_blocks(browser.canvas_png(), 16)
        check(score_before[:10] != score_after[:10], "firing changes the score line")
        loudest = max(browser.evaluate("__peaks")[heard:] or [0])
        check(heard > 0 and title_peak == 0 and 0.05 < loudest < 0.99,
              "sound: the title silent, firing heard at %.2f of full scale without clipping" % loudest)

        # Escape opens the menu; the audio level lowered there is written when the menu closes,
        # and after a reload the file holds it (and every other field as it was, the keys in
        # SDL 1.2's numbers as on the desktop) and the menu shows it.
        browser.tap("escape")
        browser.pump(0.8)
        menu = browser.canvas_png()
        check(in_menu(menu) and not in_menu(driven), "escape opens the menu")
        level_shown = audio_bar_end(menu)
        for name in ["down"] * 9 + ["left", "left"]:  # past the other settings to the audio level
            browser.tap(name, 0.1)
            browser.pump(0.35)
        browser.tap("escape")
        browser.pump(1.5)
        saved = read_settings(browser)
        check(saved is not None and level_of(saved) < 0.75, "closing the menu writes the lowered audio level")
        # The game so far is kept beside the settings, and the desktop's tool verifies it: the
        # browser's simulation, driven by real keys, is the desktop's.
        kept = browser.evaluate("FS.analyzePath('/save/replays/last.hmr').exists ? "
                                "Array.from(FS.readFile('/save/replays/last.hmr')) : null")
        check(kept is not None, "the game's replay is kept in /save/replays/last.hmr")
        verified = verify_natively(bytes(kept))
        check(verified.startswith("verified: score "), "the desktop's hollowmere-replay verifies it: " + verified)
        saved_game = download(browser, "#save-last", "hollowmere-last.hmr")
        verified = verify_natively(saved_game) if saved_game else "nothing downloaded"
        check(verified.startswith("verified: score "), "the page's \"Save last game\" downloads it, and it verifies: "
              + verified)
        browser.open(server.url("index.html?start"))
        browser.wait_for("typeof FS !== 'undefined' && FS.analyzePath('/save/hollowmere.cfg').exists", 60,
                         "the settings after a reload")
        browser.wait_for("document.getElementById('cover').classList.contains('gone')", 60, "the game")
        browser.pump(1.0)
        reloaded = read_settings(browser)
        defaults = harness.settings_defaults()
        check(reloaded == saved and reloaded[:24] + reloaded[28:] == defaults[:24] + defaults[28:],
              "the settings file survives a reload with only the audio level changed (%.2f)" % level_of(reloaded))
        browser.tap("space")
        browser.pump(1.0)
        browser.tap("escape")
        browser.pump(0.8)
        check(audio_bar_end(browser.canvas_png()) < level_shown - 5,
              "after the reload the menu shows the lowered level")
        # Full screen from the menu is the browser's, on the next key: the canvas fills the
        # screen's height or width at 4:3; switched off, the page is back.
        browser.tap("down", 0.1)  # from "resume game", where the menu opens, to "fullscreen"
        browser.pump(0.4)
        browser.tap("right", 0.1)
        browser.pump(0.6)
        full = browser.evaluate("document.fullscreenElement ? document.fullscreenElement.id : ''")
        screen = browser.evaluate("[innerWidth, innerHeight]")
        lit = lit_columns(browser.screenshot_png(), screen[1] // 2)
        shaped = abs((lit[1] - lit[0] + 1) * 3 - screen[1] * 4) <= 12 and abs(lit[0] + lit[1] + 1 - screen[0]) <= 2
        browser.tap("left", 0.1)
        browser.pump(0.6)
        left = browser.evaluate("document.fullscreenElement ? document.fullscreenElement.id : ''")
        check(full == "canvas" and shaped and left == "",
              "the menu's full screen is the browser's (the picture lit from column %d to %d of %d x %d, "
              "centred at 4:3) and goes again" % (lit[0], lit[1], screen[0], screen[1]))
        # On again, back to the game, and left by the browser's own Escape: the game's menu stays
        # shut, and the menu's item and the settings written say off.
        browser.tap("right", 0.1)
        browser.pump(0.6)
        for name in ("up", "return"):  # "resume game"
            browser.tap(name, 0.1)
            browser.pump(0.4)
        full = browser.evaluate("document.fullscreenElement ? document.fullscreenElement.id : ''")
        browser.tap("escape")
        browser.pump(1.0)
        left = browser.evaluate("document.fullscreenElement ? document.fullscreenElement.id : ''")
        shut = not in_menu(browser.canvas_png())
        browser.tap("escape")
        browser.pump(0.8)
        opened = in_menu(browser.canvas_png())
        browser.tap("escape")  # closing the menu writes the settings
        browser.pump(1.5)
        saved = read_settings(browser)
        check(full == "canvas" and left == "" and shut and opened and saved and struct.unpack_from("<i", saved, 4)[0] == 0,
              "the browser's Escape leaves its full screen without opening the game's menu, and the "
              "setting follows (full screen %r, then %r; menu shut %s; setting written %s)"
              % (full, left, shut, saved and struct.unpack_from("<i", saved, 4)[0]))

        errors = browser.errors()
        check(not errors, "no errors on the console" + ("" if not errors else ": " + "; ".join(errors[:5])))
    finally:
        browser.close()
    try:
        gamepad(server)
    finally:
        server.close()
    watching(saved_game)
    print("web: %d passed, %d failed" % (results["passed"], results["failed"]), flush=True)
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
