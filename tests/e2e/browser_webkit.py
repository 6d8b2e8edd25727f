"""WebKitGTK, the engine of Safari and of every browser on an iPhone, driven
over W3C WebDriver (HTTP) by Debian's WebKitWebDriver, which starts WebKit's
MiniBrowser in automation mode on an Xvfb display of its own. The calls are
browser.Page's.

WebDriver sees neither the network nor the console, cannot change the device
pixel ratio, turns a touch into mouse events, and runs no script before a
page's own: a page loaded with such scripts is loaded from a copy of its file
beside it with the scripts at the head of the document, which is the same
origin (file:) and runs them first."""

import base64
import glob
import json
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import time
import urllib.error
import urllib.request

import harness
from browser import BrowserError, Page
from browser_firefox import key_actions, pointer_actions, webdriver_keys

DRIVER = os.environ.get("VEXAL_WEBKIT_DRIVER", "/usr/bin/WebKitWebDriver")
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"
# A tab in the background keeps its timers, as Chromium's and Firefox's are kept: WebKit slows a
# hidden page's more the longer it stays hidden, and the tabs tests play in several at once.
THROTTLING_OFF = "--features=-HiddenPageDOMTimerThrottling,-HiddenPageDOMTimerThrottlingAutoIncreases,-DOMTimersThrottling"


def minibrowser():
    found = sorted(glob.glob("/usr/lib/*/webkit2gtk-4.1/MiniBrowser") + glob.glob("/usr/lib/*/webkitgtk-6.0/MiniBrowser"))
    if not found:
        raise BrowserError("WebKit's MiniBrowser is missing: run scripts/setup, which installs webkit2gtk-driver")
    return found[0]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class WebKitBrowser:
    """One MiniBrowser under WebKitWebDriver on a display of its own; page() opens a tab."""

    engine = "webkit"

    def __init__(self, width=1024, height=768, extra_args=()):
        if not os.path.exists(DRIVER):
            raise BrowserError(f"{DRIVER} is missing: run scripts/setup, which installs webkit2gtk-driver")
        self.width, self.height = width, height
        self.folder = tempfile.mkdtemp(prefix="vexal-webkit-")
        self.xvfb, self.display = harness.start_xvfb()
        display = self.display
        env = dict(os.environ, DISPLAY=display, WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS="1",
                   HOME=self.folder, XDG_CACHE_HOME=self.folder, XDG_DATA_HOME=self.folder,
                   XDG_CONFIG_HOME=self.folder, GTK_A11Y="none", NO_AT_BRIDGE="1")
        self.lock = threading.RLock()
        self.current = None
        for attempt in range(3):
            self.port = free_port()
            self.driver = subprocess.Popen([DRIVER, f"--port={self.port}"], env=env, stdin=subprocess.DEVNULL,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.time() + 20
            while time.time() < deadline and self.driver.poll() is None:
                try:
                    socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                    break
                except OSError:
                    time.sleep(0.1)
            if self.driver.poll() is None:
                break
        else:
            self.xvfb.terminate()
            raise BrowserError(f"WebKitWebDriver did not start (exit code {self.driver.returncode})")
        reply = self._http("POST", "/session", {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": {"binary": minibrowser(), "args": ["--automation", THROTTLING_OFF]},
            "unhandledPromptBehavior": "ignore", "pageLoadStrategy": "normal"}}}, timeout=60)
        self.session = reply["sessionId"]
        self.version = reply["capabilities"].get("browserVersion", "")
        self.command("POST", "/timeouts", {"script": 600000, "pageLoad": 60000})
        self.first = self.command("GET", "/window")

    def _http(self, method, path, body=None, timeout=60):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(f"http://127.0.0.1:{self.port}{path}", data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=timeout) as answer:
                value = json.loads(answer.read()).get("value")
        except urllib.error.HTTPError as error:
            value = json.loads(error.read() or b"{}").get("value", {})
            raise BrowserError(f"{method} {path}: {value.get('error')}: {value.get('message')}") from None
        except (urllib.error.URLError, OSError) as error:
            raise BrowserError(f"{method} {path}: WebKitWebDriver did not answer ({error})") from None
        return value

    def command(self, method, path, body=None, timeout=60, window=None):
        """A command of the session; window, the tab it is for."""
        with self.lock:
            if window and window != self.current:
                self._http("POST", f"/session/{self.session}/window", {"handle": window})
                self.current = window
            return self._http(method, f"/session/{self.session}{path}", body, timeout)

    def page(self, url="about:blank"):
        with self.lock:
            if self.first:
                handle, self.first = self.first, None
            else:
                handle = self.command("POST", "/window/new", {"type": "window"})["handle"]
            self.current = None
            page = WebKitPage(self, handle)
        page.set_viewport(self.width, self.height)
        if url != "about:blank":
            page.navigate(url)
        return page

    def tabs(self):
        """How many tabs are open."""
        return len(self.command("GET", "/window/handles"))

    def close(self):
        try:
            self._http("DELETE", f"/session/{self.session}", timeout=20)
        except (BrowserError, AttributeError):
            pass
        self.driver.terminate()
        try:
            self.driver.wait(15)
        except subprocess.TimeoutExpired:
            self.driver.kill()
            self.driver.wait(10)
        self.xvfb.terminate()
        self.xvfb.wait(10)
        shutil.rmtree(self.folder, ignore_errors=True)


class WebKitPage(Page):
    """A tab of MiniBrowser: a window handle of the session."""

    sees = frozenset()

    def __init__(self, browser, handle):
        self.browser, self.handle = browser, handle
        self.requests, self.console, self.dialogs = [], [], []
        self.scripts, self.next_script = {}, 0
        self.copies = 0

    def command(self, method, path, body=None, timeout=60):
        return self.browser.command(method, path, body, timeout, window=self.handle)

    def close(self):
        self.command("DELETE", "/window")
        self.browser.current = None

    def navigate(self, url, wait=True):
        if self.scripts and url.startswith("file://") and url.endswith(".html"):
            url = self._with_scripts(url)
        self.command("POST", "/url", {"url": url}, timeout=60)

    def _with_scripts(self, url):
        """A copy of the page's file beside it, the scripts at the head of the document. A reload
        of the copy runs the page alone, as a reload does where the engine runs such scripts."""
        path = url[len("file://"):]
        with open(path, encoding="utf-8") as f:
            text = f.read()
        guard = "if ((performance.getEntriesByType('navigation')[0] || {}).type !== 'reload') {"
        scripts = "".join(f"<script>{guard}\n{source}\n}}</script>" for source in self.scripts.values())
        start = text.find("<head>")
        at = start + len("<head>") if start >= 0 else 0
        self.copies += 1
        folder = os.path.dirname(path)
        copy = os.path.join(folder, f".{os.path.basename(path)}.webkit-{id(self)}-{self.copies}.html")
        try:
            with open(copy, "w", encoding="utf-8") as f:
                f.write(text[:at] + scripts + text[at:])
        except OSError:
            copy = os.path.join(self.browser.folder, f"page-{id(self)}-{self.copies}.html")
            with open(copy, "w", encoding="utf-8") as f:
                f.write(text[:at] + scripts + text[at:])
        return "file://" + copy

    def reload(self):
        self.command("POST", "/refresh", {})

    # Runs the source as a script (statements allowed) and hands back its completion value,
    # promises awaited, as JSON.
    CALL = """const source = arguments[0], done = arguments[arguments.length - 1];
      (async () => JSON.stringify(await (0, eval)(source)))().then(
        (value) => done({ value }), (e) => done({ error: String(e && e.stack || e) }));"""

    def evaluate(self, expression, timeout=60):
        result = self.command("POST", "/execute/async", {"script": self.CALL, "args": [expression]},
                              timeout=timeout + 5)
        if result is None:
            return None
        if "error" in result:
            raise BrowserError(f"script failed: {result['error']}")
        value = result.get("value")
        return None if value is None else json.loads(value)

    # WebKit's screenshot is the picture it last composited, which on a busy machine may be
    # older than the page: the window just shown missing from it. Two animation frames bring
    # it up to date (a page out of view has none: half a second is waited at most).
    FRAMES = """new Promise((done) => { setTimeout(done, 500);
      requestAnimationFrame(() => requestAnimationFrame(() => done(true))); })"""

    def screenshot_png(self, clip=None):
        self.evaluate(self.FRAMES)
        png = base64.b64decode(self.command("GET", "/screenshot"))
        if clip:
            x, y, w, h = (round(v) for v in clip)
            out = harness.run(["convert", "png:-", "-crop", f"{w}x{h}+{x}+{y}", "+repage", "png:-"], input=png)
            png = out.stdout
        return png

    def _perform(self, source):
        self.command("POST", "/actions", {"actions": [source]})

    def mouse(self, kind, x, y, button="left", buttons=1, clicks=1):
        actions = pointer_actions(kind, round(x), round(y), button)
        self._perform({"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                       "actions": actions})

    def touch(self, x, y):
        self.click(round(x), round(y))

    def key(self, name):
        self._perform({"type": "key", "id": "keyboard", "actions": key_actions(webdriver_keys(name))})

    def type_text(self, text):
        self._perform({"type": "key", "id": "keyboard", "actions": [a for ch in text for a in key_actions([ch])]})

    def set_file_input(self, selector, path):
        element = self.command("POST", "/element", {"using": "css selector", "value": selector})[ELEMENT]
        self.command("POST", f"/element/{element}/value", {"text": path})

    def add_init_script(self, source):
        self.next_script += 1
        self.scripts[self.next_script] = source
        return self.next_script

    def remove_init_script(self, handle):
        self.scripts.pop(handle, None)

    def bring_to_front(self):
        """The tab's window raised and given the focus, as a window manager does on a click:
        WebDriver's switch to a window changes neither (each tab is a window of its own here)."""
        marker = f"vexal-front-{id(self)}"
        title = self.evaluate(f"(() => {{ const t = document.title; document.title = {json.dumps(marker)}; return t; }})()")
        env = dict(os.environ, DISPLAY=self.browser.display)
        try:
            deadline = time.time() + 5
            found = []
            while not found and time.time() < deadline:
                found = harness.run(["xdotool", "search", "--name", marker], env=env).stdout.split()
                time.sleep(0.05)
            for window in found:
                harness.run(["xdotool", "windowraise", window, "windowfocus", "--sync", window], env=env)
        finally:
            self.evaluate(f"document.title = {json.dumps(title)}; true")

    def set_viewport(self, width, height, scale=1, mobile=False, touch=False):
        """The window sized so that its viewport is width by height CSS pixels."""
        for _ in range(3):
            inner = self.evaluate("[innerWidth, innerHeight]")
            if inner == [width, height]:
                return
            rect = self.command("GET", "/window/rect")
            self.command("POST", "/window/rect", {"width": rect["width"] + width - inner[0],
                                                   "height": rect["height"] + height - inner[1]})
            time.sleep(0.2)
