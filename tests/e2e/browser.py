"""The browsers the page is tested in, each driven through the same calls
(Page: open, evaluate, keys, pointer, screenshot, scripts run before the
page's own, tabs): Debian's Chromium here, headless, over the DevTools protocol
through a pipe (--remote-debugging-pipe: JSON messages ended by NUL on file
descriptors 3 and 4), so that nothing but the browser itself is needed;
Firefox over WebDriver BiDi (browser_firefox.py) and WebKit over WebDriver
(browser_webkit.py). VEXAL_BROWSER names the engine a module runs in.

What an engine's driver cannot do, its Page's `sees` leaves out: a test that
needs it says so and runs where it can."""

import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM = os.environ.get("VEXAL_CHROMIUM", "/usr/bin/chromium")
ENGINES = ("chromium", "firefox", "webkit")


def engine():
    """The engine this run's page modules use."""
    name = os.environ.get("VEXAL_BROWSER", "chromium")
    if name not in ENGINES:
        raise BrowserError(f"VEXAL_BROWSER={name}: the page is tested in {', '.join(ENGINES)}")
    return name


def start(width=1024, height=768, name=None):
    """A browser of the engine named (this run's by default) with a fresh profile."""
    name = name or engine()
    if name == "firefox":
        import browser_firefox
        return browser_firefox.FirefoxBrowser(width, height)
    if name == "webkit":
        import browser_webkit
        return browser_webkit.WebKitBrowser(width, height)
    return Browser(width, height)


def key_parts(name):
    """(modifiers, key) of a key as xdotool names it: "alt+x" is (["alt"], "x")."""
    parts = name.split("+")
    return [m.lower() for m in parts[:-1]], parts[-1]


class BrowserError(RuntimeError):
    pass


class Browser:
    """One headless Chromium with a fresh profile; page() opens a tab."""

    engine = "chromium"

    def __init__(self, width=1024, height=768, extra_args=()):
        if not os.path.exists(CHROMIUM):
            raise BrowserError(f"{CHROMIUM} is missing: run scripts/setup, which installs the package chromium")
        self.profile = tempfile.mkdtemp(prefix="vexal-chromium-")
        to_child_r, to_child_w = os.pipe()
        from_child_r, from_child_w = os.pipe()

        def wire():
            os.dup2(to_child_r, 3)
            os.dup2(from_child_w, 4)

        args = [CHROMIUM, "--headless=new", "--remote-debugging-pipe", f"--user-data-dir={self.profile}",
                "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--no-default-browser-check",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-extensions", "--disable-default-apps", "--mute-audio", "--hide-scrollbars",
                "--force-color-profile=srgb", "--force-device-scale-factor=1", "--disable-dev-shm-usage",
                "--allow-file-access-from-files", f"--window-size={width},{height}",
                "--disable-features=Translate,MediaRouter,OptimizationHints",
                "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                "--disable-backgrounding-occluded-windows", *extra_args, "about:blank"]
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, preexec_fn=wire,
                                        pass_fds=(3, 4, to_child_r, from_child_w))
        os.close(to_child_r)
        os.close(from_child_w)
        self.out = os.fdopen(to_child_w, "wb", buffering=0)
        self.inp = os.fdopen(from_child_r, "rb", buffering=0)
        self.next_id = 0
        self.lock = threading.Lock()
        self.replies = {}
        self.events = []
        self.listeners = []
        self.cond = threading.Condition()
        self.closed = False
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.version = self.send("Browser.getVersion")["product"].split("/")[-1]

    def _read(self):
        buffer = b""
        try:
            while True:
                chunk = self.inp.read(1 << 16)
                if not chunk:
                    break
                buffer += chunk
                while b"\0" in buffer:
                    raw, buffer = buffer.split(b"\0", 1)
                    message = json.loads(raw)
                    with self.cond:
                        if "id" in message:
                            self.replies[message["id"]] = message
                        else:
                            self.events.append(message)
                            for listener in list(self.listeners):
                                listener(message)
                        self.cond.notify_all()
        finally:
            with self.cond:
                self.closed = True
                self.cond.notify_all()

    def send(self, method, params=None, session=None, timeout=60):
        with self.lock:
            self.next_id += 1
            ident = self.next_id
            message = {"id": ident, "method": method, "params": params or {}}
            if session:
                message["sessionId"] = session
            self.out.write(json.dumps(message).encode() + b"\0")
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
        if "error" in reply:
            raise BrowserError(f"{method}: {reply['error'].get('message')}")
        return reply.get("result", {})

    def page(self, url="about:blank"):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        page = ChromiumPage(self, target, session)
        if url != "about:blank":
            page.navigate(url)
        return page

    def tabs(self):
        """How many tabs are open."""
        return sum(1 for t in self.send("Target.getTargets")["targetInfos"] if t["type"] == "page")

    def close(self):
        try:
            if not self.closed:
                self.send("Browser.close", timeout=10)
        except BrowserError:
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(10)
        for stream in (self.out, self.inp):
            try:
                stream.close()
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    """A tab: scripts evaluated in it, input sent to it, pictures taken of it. What every
    engine's page shares; each engine's own class does the rest."""

    sees = frozenset()  # what the engine's driver shows or does beyond the common calls

    def reload(self):
        self.navigate(self.evaluate("location.href"))

    def wait_for(self, expression, timeout=20, interval=0.05):
        deadline = time.time() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.time() > deadline:
                raise BrowserError(f"{expression} did not come true within {timeout} s")
            time.sleep(interval)

    def downloaded(self, folder, name, timeout=10):
        """The bytes of a download once it has landed whole in folder. Firefox puts an empty
        file of the name there at the start and writes into a .part file beside it, which it
        renames over the empty one at the end; Chromium writes into a .crdownload file."""
        path = os.path.join(folder, name)
        deadline = time.time() + timeout
        while True:
            busy = [n for n in os.listdir(folder) if n.endswith((".part", ".crdownload"))]
            if os.path.exists(path) and not busy:
                with open(path, "rb") as f:
                    return f.read()
            if time.time() > deadline:
                raise BrowserError(f"{name} did not land in {folder} within {timeout} s: {sorted(os.listdir(folder))}")
            time.sleep(0.001)

    def click(self, x, y):
        self.mouse("mouseMoved", x, y, button="none", buttons=0)
        self.mouse("mousePressed", x, y)
        self.mouse("mouseReleased", x, y)


class ChromiumPage(Page):
    """A tab of Chromium: a target with a session of its own."""

    sees = frozenset({"console", "network", "dialogs", "touch", "scale", "downloads", "mobile", "crash",
                      "devtools"})

    def __init__(self, browser, target, session):
        self.browser, self.target, self.session = browser, target, session
        self.requests = []
        self.console = []
        self.dialogs = []  # what confirm() and alert() asked; each is accepted
        browser.listeners.append(self._event)
        for domain in ("Page", "Runtime", "Network"):
            self.send(f"{domain}.enable")

    def close(self):
        """Closes the tab."""
        if self._event in self.browser.listeners:
            self.browser.listeners.remove(self._event)
        self.browser.send("Target.closeTarget", {"targetId": self.target})

    def _event(self, message):
        if message.get("sessionId") != self.session:
            return
        method, params = message.get("method"), message.get("params", {})
        if method == "Network.requestWillBeSent":
            self.requests.append(params["request"]["url"])
        elif method == "Runtime.consoleAPICalled":
            self.console.append((params.get("type"), " ".join(str(a.get("value", a.get("description", "")))
                                                               for a in params.get("args", []))))
        elif method == "Page.javascriptDialogOpening":
            self.dialogs.append(params.get("message"))
            # Answered from another thread: this one reads the answer.
            threading.Thread(target=self.send, args=("Page.handleJavaScriptDialog", {"accept": True}),
                             daemon=True).start()
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            self.console.append(("exception", details.get("exception", {}).get("description") or details.get("text")))

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def navigate(self, url, wait=True):
        loaded = threading.Event()

        def on_load(message):
            if message.get("sessionId") == self.session and message.get("method") == "Page.loadEventFired":
                loaded.set()

        self.browser.listeners.append(on_load)
        try:
            self.send("Page.navigate", {"url": url})
            if wait and not loaded.wait(30):
                raise BrowserError(f"{url} did not load within 30 s")
        finally:
            self.browser.listeners.remove(on_load)

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression (promises awaited), as JSON."""
        result = self.send("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True, "timeout": timeout * 1000}, timeout + 5)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise BrowserError(f"script failed: {text}")
        return result.get("result", {}).get("value")

    def screenshot_png(self, clip=None):
        """The viewport as PNG; clip, (x, y, w, h) in CSS pixels, a part of it."""
        import base64
        params = {"format": "png"}
        if clip:
            x, y, w, h = clip
            params["clip"] = {"x": x, "y": y, "width": w, "height": h, "scale": 1}
        return base64.b64decode(self.send("Page.captureScreenshot", params)["data"])

    def mouse(self, kind, x, y, button="left", buttons=1, clicks=1):
        self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": button,
                                               "buttons": buttons if kind != "mouseReleased" else 0,
                                               "clickCount": clicks})

    def touch(self, x, y):
        point = [{"x": x, "y": y, "id": 1}]
        self.send("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": point})
        self.send("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    KEYS = {
        "Return": ("Enter", "Enter", 13, "\r"), "Escape": ("Escape", "Escape", 27, ""),
        "BackSpace": ("Backspace", "Backspace", 8, ""), "Tab": ("Tab", "Tab", 9, ""),
        "End": ("End", "End", 35, ""), "Home": ("Home", "Home", 36, ""), "space": (" ", "Space", 32, " "),
        "Right": ("ArrowRight", "ArrowRight", 39, ""), "Left": ("ArrowLeft", "ArrowLeft", 37, ""),
        "Up": ("ArrowUp", "ArrowUp", 38, ""), "Down": ("ArrowDown", "ArrowDown", 40, ""),
        **{f"F{n}": (f"F{n}", f"F{n}", 111 + n, "") for n in range(1, 13)},
    }

    def key(self, name):
        """A key as xdotool names it: "F4", "Return", "alt+x", "a"."""
        names, base = key_parts(name)
        modifiers = 0
        for m in names:
            modifiers |= {"alt": 1, "ctrl": 2, "meta": 4, "shift": 8}[m]
        if base in self.KEYS:
            key, code, vk, text = self.KEYS[base]
        else:
            key = base.upper() if modifiers & 8 and len(base) == 1 else base
            code = f"Key{base.upper()}" if base.isalpha() else (f"Digit{base}" if base.isdigit() else "")
            vk = ord(base.upper())
            text = base if not modifiers & 3 else ""
        down = {"type": "keyDown" if text else "rawKeyDown", "key": key, "code": code,
                "windowsVirtualKeyCode": vk, "modifiers": modifiers}
        if text:
            down["text"] = text
        self.send("Input.dispatchKeyEvent", down)
        self.send("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code,
                                             "windowsVirtualKeyCode": vk, "modifiers": modifiers})

    def set_file_input(self, selector, path):
        root = self.send("DOM.getDocument")["root"]["nodeId"]
        node = self.send("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
        self.send("DOM.setFileInputFiles", {"nodeId": node, "files": [path]})

    def type_text(self, text):
        self.send("Input.insertText", {"text": text})

    def add_init_script(self, source):
        """Runs source in every document loaded in the tab from now on, before the page's own
        scripts; the handle takes it away again."""
        return self.send("Page.addScriptToEvaluateOnNewDocument", {"source": source})["identifier"]

    def remove_init_script(self, handle):
        self.send("Page.removeScriptToEvaluateOnNewDocument", {"identifier": handle})

    def bring_to_front(self):
        self.send("Page.bringToFront")

    def set_viewport(self, width, height, scale=1, mobile=False, touch=False):
        """The viewport in CSS pixels at a device pixel ratio; mobile, a phone's layout viewport."""
        metrics = {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": mobile}
        if mobile:
            metrics["screenOrientation"] = ({"type": "portraitPrimary", "angle": 0} if height >= width
                                            else {"type": "landscapePrimary", "angle": 90})
        self.send("Emulation.setDeviceMetricsOverride", metrics)
        if touch:
            self.send("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})

    def crash(self):
        """The tab's renderer killed, as the system kills it."""
        self.send("Page.crash", timeout=5)

    def allow_downloads(self, folder):
        """Downloads saved without asking; the folder they land in."""
        self.send("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": folder})
        return folder
