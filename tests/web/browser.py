# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Drives headless Chromium over its DevTools protocol for the browser tests and figures: a
private HTTP server on 127.0.0.1 serving build-web/, a browser with software WebGL and a fresh
profile, and a page whose console is collected, whose keys are pressed as real key events, and
whose picture is read back as PNG bytes. Needs Debian's python3-websocket (run under
/usr/bin/python3).
"""

import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

import websocket

CHROMIUM = os.environ.get("HOLLOWMERE_CHROMIUM", "chromium")

# DOM key names, key codes and codes for the keys the tests press.
KEYS = {
    "space": (" ", 32, "Space"),
    "escape": ("Escape", 27, "Escape"),
    "return": ("Enter", 13, "Enter"),
    "up": ("ArrowUp", 38, "ArrowUp"),
    "down": ("ArrowDown", 40, "ArrowDown"),
    "left": ("ArrowLeft", 37, "ArrowLeft"),
    "right": ("ArrowRight", 39, "ArrowRight"),
    "ctrl": ("Control", 17, "ControlLeft"),
}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()


class Server:
    """A static file server for one folder on a free loopback port, counting bytes sent."""

    def __init__(self, folder):
        handler = functools.partial(QuietHandler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path):
        return "http://127.0.0.1:%d/%s" % (self.port, path)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """One headless Chromium with one page, driven over the DevTools protocol."""

    def __init__(self, width=800, height=650, profile=None, flags=()):
        self.profile = profile or tempfile.mkdtemp(prefix="hollowmere-chromium-")
        self.own_profile = profile is None
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        if os.path.exists(port_file):
            os.remove(port_file)
        self.process = subprocess.Popen(
            [CHROMIUM, "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
             "--no-sandbox", "--disable-gpu-driver-bug-workarounds", "--no-first-run",
             "--no-default-browser-check", "--disable-background-timer-throttling",
             "--disable-renderer-backgrounding", "--disable-backgrounding-occluded-windows",
             "--autoplay-policy=no-user-gesture-required", "--remote-debugging-port=0",
             "--user-data-dir=" + self.profile, "--window-size=%d,%d" % (width, height), *flags, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            if time.time() > deadline or self.process.poll() is not None:
                self.close()
                raise RuntimeError("chromium did not start")
            time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        targets = []
        while not targets:
            import urllib.request
            with urllib.request.urlopen("http://127.0.0.1:%d/json" % port) as r:
                targets = [t for t in json.load(r) if t.get("type") == "page"]
            time.sleep(0.1)
        self.ws = websocket.create_connection(targets[0]["webSocketDebuggerUrl"], timeout=60,
                                              suppress_origin=True)
        self.next_id = 0
        self.console = []  # (level, text)
        self.events = []
        self.call("Runtime.enable")
        self.call("Log.enable")
        self.call("Page.enable")
        self.call("Network.enable")

    def _note(self, message):
        method = message.get("method", "")
        params = message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params.get("type", ""), text))
        elif method == "Runtime.exceptionThrown":
            d = params.get("exceptionDetails", {})
            self.console.append(("error", d.get("exception", {}).get("description", d.get("text", ""))))
        elif method == "Log.entryAdded":
            e = params.get("entry", {})
            self.console.append((e.get("level", ""), e.get("text", "")))
        else:
            self.events.append(message)

    def call(self, method, **params):
        self.next_id += 1
        my_id = self.next_id
        self.ws.send(json.dumps({"id": my_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == my_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self._note(message)

    def pump(self, seconds):
        """Lets the page run, collecting its console, for a while."""
        end = time.time() + seconds
        self.ws.settimeout(0.05)
        try:
            while time.time() < end:
                try:
                    self._note(json.loads(self.ws.recv()))
                except websocket.WebSocketTimeoutException:
                    pass
        finally:
            self.ws.settimeout(60)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("page: %s" % result["exceptionDetails"])
        return result.get("result", {}).get("value")

    def wait_for(self, expression, seconds, what):
        end = time.time() + seconds
        while time.time() < end:
            try:
                if self.evaluate(expression):
                    return
            except RuntimeError:
                pass  # the page is not there yet
            self.pump(0.1)
            continue
            self.pump(0.1)
        raise TimeoutError("waited %.0f s for %s" % (seconds, what))

    def open(self, url):
        self.call("Page.navigate", url=url)

    def key(self, name, down=True):
        text, code, dom_code = KEYS[name]
        params = {"type": "keyDown" if down else "keyUp", "key": text, "code": dom_code,
                  "windowsVirtualKeyCode": code, "nativeVirtualKeyCode": code}
        if down and len(text) == 1:
            params["text"] = text
        self.call("Input.dispatchKeyEvent", **params)

    def tap(self, name, hold=0.15):
        self.key(name, True)
        self.pump(hold)
        self.key(name, False)

    def canvas_png(self):
        """The canvas as the page shows it, at its own size, as PNG bytes."""
        box = self.evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
                            " return [r.x, r.y, r.width, r.height]; })()")
        clip = {"x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 640.0 / box[2]}
        data = self.call("Page.captureScreenshot", format="png", clip=clip)["data"]
        return base64.b64decode(data)

    def screenshot_png(self):
        """The whole page as shown, as PNG bytes."""
        return base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])

    def errors(self):
        return [text for level, text in self.console if level in ("error", "assert")]

    def close(self):
        try:
            self.ws.close()
        except Exception:
            pass
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.own_profile:
            shutil.rmtree(self.profile, ignore_errors=True)
