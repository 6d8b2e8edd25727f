"""Debian's Firefox ESR, headless, driven over WebDriver BiDi, which Firefox
speaks itself (--remote-debugging-port): a websocket at /session on
127.0.0.1, which refuses a request that carries an Origin header. The calls
are browser.Page's, so that the page's sessions drive it as they drive
Chromium."""

import base64
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import tempfile
import threading
import time

from browser import BrowserError, Page, key_parts

FIREFOX = os.environ.get("VEXAL_FIREFOX", "/usr/bin/firefox-esr")

# What a new profile would otherwise do at its first start: ask, update, reach the network; and
# a tab in the background keeps its timers, as Chromium's are kept (the tabs tests play in several).
PREFS = {
    "browser.shell.checkDefaultBrowser": False, "browser.startup.homepage_override.mstone": "ignore",
    "datareporting.policy.dataSubmissionEnabled": False, "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True, "browser.download.folderList": 2,
    "browser.download.useDownloadDir": True, "browser.download.always_ask_before_handling_new_types": False,
    "dom.disable_open_during_load": False, "layout.css.devPixelsPerPx": "1.0",
    "ui.prefersReducedMotion": 0, "dom.min_background_timeout_value": 4,
    "dom.min_background_timeout_value_without_budget_throttling": 4,
    "dom.timeout.enable_budget_timer_throttling": False, "browser.sessionstore.resume_from_crash": False,
}
# Key values of WebDriver's keyboard for the keys xdotool names.
KEY_VALUES = {
    "Return": "\ue007", "Escape": "\ue00c", "BackSpace": "\ue003", "Tab": "\ue004", "End": "\ue010",
    "Home": "\ue011", "space": " ", "Left": "\ue012", "Up": "\ue013", "Right": "\ue014", "Down": "\ue015",
    "Delete": "\ue017", **{f"F{n}": chr(0xE031 + n - 1) for n in range(1, 13)},
}
MODIFIER_VALUES = {"shift": "\ue008", "ctrl": "\ue009", "alt": "\ue00a", "meta": "\ue03d"}


def webdriver_keys(name):
    """The key values to press, in order, for a key as xdotool names it ("alt+x", "F4")."""
    modifiers, base = key_parts(name)
    return [MODIFIER_VALUES[m] for m in modifiers] + [KEY_VALUES.get(base, base)]


def key_actions(values):
    """Down in order and up in the reverse order: a chord, or one key."""
    return ([{"type": "keyDown", "value": v} for v in values]
            + [{"type": "keyUp", "value": v} for v in reversed(values)])


def pointer_actions(kind, x, y, button):
    """WebDriver pointer actions for one of Page.mouse's kinds at a viewport point."""
    move = {"type": "pointerMove", "x": x, "y": y, "origin": "viewport"}
    number = {"left": 0, "middle": 1, "right": 2}.get(button, 0)
    if kind == "mouseMoved":
        return [move]
    return [move, {"type": "pointerDown" if kind == "mousePressed" else "pointerUp", "button": number}]


def plain(value):
    """A BiDi remote value as the JSON value it stands for."""
    kind = value.get("type")
    if kind in ("undefined", "null"):
        return None
    if kind == "number":
        v = value["value"]
        return None if isinstance(v, str) else v
    if kind in ("string", "boolean"):
        return value["value"]
    if kind == "array":
        return [plain(v) for v in value.get("value", [])]
    if kind == "object":
        return {k if isinstance(k, str) else plain(k): plain(v) for k, v in value.get("value", [])}
    return None


class WebSocket:
    """A client websocket (RFC 6455) that sends and receives text messages."""

    def __init__(self, port, path):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise BrowserError("Firefox closed the websocket before it was open")
            head += chunk
        head, self.buffer = head.split(b"\r\n\r\n", 1)
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise BrowserError("Firefox refused the websocket: " + head.decode(errors="replace"))
        self.sock.settimeout(None)
        self.send_lock = threading.Lock()

    def send(self, text):
        data, mask = text.encode(), os.urandom(4)
        n = len(data)
        size = (bytes([0x80 | n]) if n < 126 else bytes([0xFE]) + struct.pack(">H", n) if n < 65536
                else bytes([0xFF]) + struct.pack(">Q", n))
        masked = bytes(b ^ mask[i & 3] for i, b in enumerate(data))
        with self.send_lock:
            self.sock.sendall(b"\x81" + size + mask + masked)

    def _take(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(1 << 16)
            if not chunk:
                raise ConnectionError("the websocket closed")
            self.buffer += chunk
        out, self.buffer = self.buffer[:n], self.buffer[n:]
        return out

    def recv(self):
        """The next whole text message; pings and pongs are passed over."""
        message = b""
        while True:
            b0, b1 = self._take(2)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack(">H", self._take(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", self._take(8))[0]
            payload = self._take(n)
            op = b0 & 0x0F
            if op == 8:
                raise ConnectionError("the browser closed the websocket")
            if op in (0, 1, 2):
                message += payload
                if b0 & 0x80:
                    return message.decode()

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


class FirefoxBrowser:
    """One headless Firefox with a fresh profile; page() opens a tab."""

    engine = "firefox"

    def __init__(self, width=1024, height=768, extra_args=()):
        if not os.path.exists(FIREFOX):
            raise BrowserError(f"{FIREFOX} is missing: run scripts/setup, which installs the package firefox-esr")
        self.width, self.height = width, height
        self.profile = tempfile.mkdtemp(prefix="vexal-firefox-")
        self.downloads = os.path.join(self.profile, "downloads")
        os.makedirs(self.downloads)
        prefs = dict(PREFS, **{"browser.download.dir": self.downloads})
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            f.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in prefs.items())
        self.process = subprocess.Popen(
            [FIREFOX, "--headless", "--remote-debugging-port=0", "--profile", self.profile, "--no-remote",
             "--width", str(width), "--height", str(height), *extra_args, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            env=dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1", MOZ_HEADLESS_WIDTH=str(width),
                     MOZ_HEADLESS_HEIGHT=str(height)))
        port, said = None, []
        deadline = time.time() + 60
        while port is None and time.time() < deadline:
            line = self.process.stderr.readline().decode(errors="replace")
            if not line:
                break
            said.append(line.strip())
            found = re.search(r"WebDriver BiDi listening on ws://127\.0\.0\.1:(\d+)", line)
            port = int(found.group(1)) if found else None
        if port is None:
            self.process.kill()
            raise BrowserError(f"Firefox did not open WebDriver BiDi; it said {said[-5:]}")
        # The rest of what Firefox says is read and dropped, so that it never stalls on a full pipe.
        threading.Thread(target=lambda: [None for _ in self.process.stderr], daemon=True).start()
        self.socket = WebSocket(port, "/session")
        self.next_id = 0
        self.replies, self.listeners = {}, []
        self.cond = threading.Condition()
        self.closed = False
        threading.Thread(target=self._read, daemon=True).start()
        self.version = self.send("session.new", {"capabilities": {
            "alwaysMatch": {"acceptInsecureCerts": True, "unhandledPromptBehavior": {"default": "ignore"}}}})[
            "capabilities"]["browserVersion"]
        self.send("session.subscribe", {"events": ["log.entryAdded", "network.beforeRequestSent",
                                                   "browsingContext.userPromptOpened"]})
        self.first = self.send("browsingContext.getTree", {"maxDepth": 0})["contexts"][0]["context"]

    def _read(self):
        try:
            while True:
                message = json.loads(self.socket.recv())
                with self.cond:
                    if "id" in message:
                        self.replies[message["id"]] = message
                    for listener in list(self.listeners) if "id" not in message else ():
                        listener(message)
                    self.cond.notify_all()
        except (ConnectionError, OSError, ValueError):
            pass
        finally:
            with self.cond:
                self.closed = True
                self.cond.notify_all()

    def send(self, method, params=None, timeout=60):
        with self.cond:
            self.next_id += 1
            ident = self.next_id
        self.socket.send(json.dumps({"id": ident, "method": method, "params": params or {}}))
        deadline = time.time() + timeout
        with self.cond:
            while ident not in self.replies:
                if self.closed:
                    raise BrowserError(f"the browser went away during {method}")
                left = deadline - time.time()
                if left <= 0:
                    raise BrowserError(f"{method} had no answer within {timeout} s")
                self.cond.wait(left)
            reply = self.replies.pop(ident)
        if reply.get("type") == "error":
            raise BrowserError(f"{method}: {reply.get('error')}: {reply.get('message')}")
        return reply.get("result", {})

    def page(self, url="about:blank"):
        if self.first:
            context, self.first = self.first, None
        else:
            context = self.send("browsingContext.create", {"type": "tab"})["context"]
        page = FirefoxPage(self, context)
        page.set_viewport(self.width, self.height)
        if url != "about:blank":
            page.navigate(url)
        return page

    def tabs(self):
        """How many tabs are open."""
        return len(self.send("browsingContext.getTree", {"maxDepth": 0})["contexts"])

    def close(self):
        try:
            if not self.closed:
                self.send("browser.close", timeout=10)
        except BrowserError:
            pass
        try:
            self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(10)
        self.socket.close()
        shutil.rmtree(self.profile, ignore_errors=True)


class FirefoxPage(Page):
    """A tab of Firefox: a browsing context."""

    sees = frozenset({"console", "network", "dialogs", "touch", "scale", "downloads"})

    def __init__(self, browser, context):
        self.browser, self.context = browser, context
        self.requests, self.console, self.dialogs = [], [], []
        self.touch_down = False
        browser.listeners.append(self._event)

    def _event(self, message):
        method, params = message.get("method"), message.get("params", {})
        if params.get("context") != self.context and params.get("source", {}).get("context") != self.context:
            return
        if method == "network.beforeRequestSent":
            self.requests.append(params["request"]["url"])
        elif method == "log.entryAdded":
            kind = "exception" if params.get("type") == "javascript" else params.get("method", "log")
            self.console.append((kind, params.get("text", "")))
        elif method == "browsingContext.userPromptOpened":
            self.dialogs.append(params.get("message"))
            threading.Thread(target=self.send, args=("browsingContext.handleUserPrompt",
                                                     {"context": self.context, "accept": True}), daemon=True).start()

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, timeout)

    def close(self):
        if self._event in self.browser.listeners:
            self.browser.listeners.remove(self._event)
        self.send("browsingContext.close", {"context": self.context})

    def navigate(self, url, wait=True):
        self.send("browsingContext.navigate", {"context": self.context, "url": url,
                                               "wait": "complete" if wait else "none"}, timeout=40)

    # Runs the source as a script (statements allowed, as Runtime.evaluate takes them) and hands
    # back its completion value, promises awaited, as JSON.
    CALL = "async (source) => { const value = await (0, eval)(source); return JSON.stringify(value); }"

    def evaluate(self, expression, timeout=60):
        result = self.send("script.callFunction", {
            "functionDeclaration": self.CALL, "arguments": [{"type": "string", "value": expression}],
            "target": {"context": self.context}, "awaitPromise": True, "resultOwnership": "none"}, timeout + 5)
        if result.get("type") == "exception":
            details = result.get("exceptionDetails", {})
            raise BrowserError(f"script failed: {details.get('text')}")
        value = plain(result["result"])
        return None if value is None else json.loads(value)

    def screenshot_png(self, clip=None):
        params = {"context": self.context}
        if clip:
            x, y, w, h = clip
            params["clip"] = {"type": "box", "x": x, "y": y, "width": w, "height": h}
        return base64.b64decode(self.send("browsingContext.captureScreenshot", params)["data"])

    def _perform(self, source):
        self.send("input.performActions", {"context": self.context, "actions": [source]})

    def mouse(self, kind, x, y, button="left", buttons=1, clicks=1):
        self._perform({"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                       "actions": pointer_actions(kind, x, y, button)})

    def touch(self, x, y):
        self._perform({"type": "pointer", "id": "finger", "parameters": {"pointerType": "touch"},
                       "actions": [{"type": "pointerMove", "x": x, "y": y, "origin": "viewport"},
                                   {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]})

    def key(self, name):
        self._perform({"type": "key", "id": "keyboard", "actions": key_actions(webdriver_keys(name))})

    def type_text(self, text):
        self._perform({"type": "key", "id": "keyboard",
                       "actions": [a for ch in text for a in key_actions([ch])]})

    def set_file_input(self, selector, path):
        found = self.send("script.evaluate", {"expression": f"document.querySelector({json.dumps(selector)})",
                                              "target": {"context": self.context}, "awaitPromise": False,
                                              "resultOwnership": "root"})
        element = {"sharedId": found["result"]["sharedId"]}
        self.send("input.setFiles", {"context": self.context, "element": element, "files": [path]})

    def add_init_script(self, source):
        return self.send("script.addPreloadScript", {"functionDeclaration": f"() => {{ {source}\n}}",
                                                     "contexts": [self.context]})["script"]

    def remove_init_script(self, handle):
        self.send("script.removePreloadScript", {"script": handle})

    def bring_to_front(self):
        self.send("browsingContext.activate", {"context": self.context})

    def set_viewport(self, width, height, scale=1, mobile=False, touch=False):
        self.send("browsingContext.setViewport", {"context": self.context,
                                                  "viewport": {"width": width, "height": height},
                                                  "devicePixelRatio": scale})

    def allow_downloads(self, folder):
        """Downloads saved without asking; the folder they land in."""
        try:
            self.send("browser.setDownloadBehavior", {"downloadBehavior": {"type": "allowed",
                                                                           "destinationFolder": folder}})
            return folder
        except BrowserError:
            return self.browser.downloads  # the profile's own, set before the browser started
