"""The page (build/web/vexal.html) in headless Chromium, driven as the Wine
session drives Vexal.exe: the same calls (windows, rect, children, click, key,
screenshot, launch a game in a folder), so that the readers, the player bot
and GameCase work on both. The page's windows are read from its DOM, as the
probe reads them from Win32; pictures are screenshots of the page, whose
canvas pixels come through exactly; a game's folder becomes the page's
storage before it starts and is written back from it.

On a phone or tablet (device: its pixel ratio, mobile and touch) the page
scales its desk, and every place the session takes or gives is in the desk's
client pixels all the same: rectangles are divided by the scale, clicks
become taps at the client pixel's centre, and a screenshot is the screen
sampled at client pixels with each canvas read from its own backing store,
one device pixel per client pixel, so that the sheet's pictures read exactly."""

import base64
import json
import math
import os
import shutil
import subprocess
import tempfile
import time

import browser
import harness

VIEWPORT = (1024, 768)
DESKTOP = {"scale": 1, "mobile": False, "touch": False}
STORE_PREFIX = "vexal/"   # localStorage, where the earlier release kept its files
DATABASE = "vexal"
# A loaded page whose program has made its main window (a tab in the background paints nothing).
PAGE_READY = "window.vexalPage && vexalPage.facts.started > 0 && !!document.querySelector('#desk > .window.main')"


class PageBuild:
    """What Build is for the Windows exes: the page, and where it comes from."""

    arch = "page"

    def __init__(self):
        self.exe = harness.env_path("VEXAL_PAGE")
        self.engine = browser.engine()
        self.why = f"{self.exe} in {self.engine}"

    def require_exe(self):
        if not os.path.isfile(self.exe):
            raise AssertionError(f"{self.exe} does not exist: build the page first (cmake --build build/web)")
        return self.exe

    def announce(self, module):
        print(f"{module}: the page {self.exe} in {self.engine}", flush=True)


class PageProcess:
    """A started game in the page, with the calls a Popen has."""

    def __init__(self, session, folder):
        self.session, self.folder = session, folder
        self.returncode = None
        self.killed = False

    def poll(self):
        if self.returncode is None and not self.killed:
            ended = self.session.page.evaluate("window.vexalPage ? window.vexalPage.facts.ended : null")
            if ended is not None:
                self.returncode = ended
                self.session.pull_files(self.folder)
        return self.returncode

    def wait(self, timeout=None):
        deadline = time.time() + (timeout if timeout is not None else 3600)
        while self.poll() is None and not self.killed:
            if time.time() > deadline:
                raise subprocess.TimeoutExpired("page", timeout)
            time.sleep(0.1)
        return self.returncode

    def kill(self):
        """The tab taken away from the game: nothing it has not kept yet is kept."""
        if self.returncode is None and not self.killed:
            self.session.pull_files(self.folder)
            self.session.page.navigate("about:blank")
            self.killed = True
            self.returncode = -9


class PageSession:
    """One browser for a test module; every launch loads the page afresh."""

    def __init__(self, name, build, window_manager=None, viewport=VIEWPORT, device=None, engine=None):
        self.engine = engine or browser.engine()
        if self.engine != "chromium":
            name = f"{name}-{self.engine}"
        self.name, self.build, self.viewport = name, build, viewport
        self.device = dict(DESKTOP, **(device or {}))
        self.layout = {"k": 1, "device": 1}
        work = harness.env_path("VEXAL_E2E_WORK")
        self.artifacts = os.path.join(harness.env_path("VEXAL_E2E_ARTIFACTS"), name)
        os.makedirs(self.artifacts, exist_ok=True)
        os.makedirs(work, exist_ok=True)
        self.games_root = tempfile.mkdtemp(prefix=f"{name}-", dir=work)
        self.browser = self.page = None
        self.shot_number = 0
        self.keep_last = None
        self.kept = []
        self.last_shot_path = None
        self.pointer = (0, 0)
        self.injected = None
        self.screen_size = (viewport[0], viewport[1])
        self.env = {}

    @property
    def blank_url(self):
        """The session's own blank page, of the page's origin, where it prepares the storage."""
        return "file://" + os.path.join(self.games_root, "blank.html")

    @property
    def url(self):
        return "file://" + os.path.abspath(self.build.exe)

    def start(self):
        self.browser = browser.start(*self.viewport, name=self.engine)
        print(f"{self.name}: {self.engine} {self.browser.version}", flush=True)
        self.page = self.browser.page()
        self.set_viewport(*self.viewport)

    def set_viewport(self, width, height, scale=None):
        """The page's size in CSS pixels, as a phone turned on its side changes it; scale, the
        device pixel ratio, another screen's."""
        self.viewport = (width, height)
        self.device["scale"] = scale or self.device["scale"]
        self.page.set_viewport(width, height, self.device["scale"], self.device["mobile"], self.device["touch"])
        if self.page.evaluate("!!window.vexalPage"):
            self.page.wait_for(f"innerWidth === {width} && innerHeight === {height}")
            self.settle(0.5)
            self.read_layout()

    def read_layout(self):
        """The page's scale (vexalPage.layout) and its desk's size, in client pixels."""
        self.layout = self.page.evaluate("window.vexalPage.layout()")
        self.screen_size = tuple(self.page.evaluate("[window.vexalPage.screen.width, window.vexalPage.screen.height]"))
        return self.layout

    def stop(self):
        if self.browser:
            self.browser.close()
            self.browser = self.page = None
        shutil.rmtree(self.games_root, ignore_errors=True)

    # ---- the game folder and the program -----------------------------------------------

    def new_game_folder(self, label):
        folder = os.path.join(self.games_root, label)
        os.makedirs(folder)
        return folder

    def before_load(self, script):
        """Runs script in every page loaded from now on, before the page's own."""
        if self.injected:
            self.page.remove_init_script(self.injected)
        self.injected = self.page.add_init_script(script) if script else None

    def launch(self, exe, folder, storage="files", raw=None, ticks=None):
        """Loads the page with the folder's files as its storage. storage="blocked" gives it a browser
        that refuses storage (as a policy does), "refused" one whose database will not open, "full"
        one whose storage is full; "earlier" keeps the files where the earlier release kept them, in
        localStorage, for the page to take over. raw ({name: text}) stores texts as they are, also
        ones that hold no bytes. ticks, when given, is what the page's clock reads the first time the
        program asks it (GetTickCount, which seeds the opening deal), so that the page deals what a
        Windows game seeded so dealt."""
        files = {}
        for name in sorted(os.listdir(folder)):
            with open(os.path.join(folder, name), "rb") as f:
                files[name] = f.read().decode("latin-1")
        self.prepare_storage(files, raw or {}, earlier=storage == "earlier", refused=storage == "refused")
        # What runs before the page's own scripts touches no storage: Chromium may then give the
        # tab a localStorage of its own, which no other tab sees.
        script = "(() => { if (location.protocol !== 'file:') return; "
        if storage == "full":
            script += """const refuse = function () { throw new DOMException("The quota has been exceeded.", "QuotaExceededError"); };
              IDBObjectStore.prototype.put = IDBObjectStore.prototype.add = refuse;"""
        if storage == "blocked":
            script += """for (const name of ["localStorage", "indexedDB"]) Object.defineProperty(window, name, {
              configurable: true, get() { throw new DOMException("The user denied permission to access the database.",
                                                              "SecurityError"); } });"""
        if ticks is not None:
            script += self.clock_script(ticks)
        script += "})();"
        self.before_load(script)
        self.page.navigate(self.url)
        # Later loads of the page (a reload) find the storage as it was left.
        self.before_load("")
        self.page.wait_for("window.vexalPage && window.vexalPage.facts.started > 0", timeout=20)
        self.read_layout()
        return PageProcess(self, folder)

    @staticmethod
    def clock_script(ticks):
        # GetTickCount is floor(timeOrigin + now()). The first read of timeOrigin gives ticks and
        # makes the now() read just after it give 0: taking now() as it runs instead let a stall
        # between the two reads (a busy renderer, the host stopping the processor) move the tick
        # count, and with it the whole deal. Later reads see the browser's own clock.
        return f"""Object.defineProperty(performance, "timeOrigin", {{ configurable: true,
              get() {{ delete performance.timeOrigin;
                performance.now = () => {{ delete performance.now; return 0; }};
                return {int(ticks)} + 0.5; }} }});"""

    def prepare_storage(self, files, raw, earlier=False, refused=False):
        """Empties the page's storage and stores files ({name: latin-1 text}) and raw ({name: text},
        kept as text): in the page's database, or with earlier=True in localStorage as the earlier
        release kept them. refused: a database of a later version than the page's, which the page
        cannot open. Done from a blank page of the same origin (file://), before the page loads."""
        blank = self.blank_url[len("file://"):]
        if not os.path.exists(blank):
            with open(blank, "w") as f:
                f.write("<!doctype html><title>storage</title>\n")
        self.page.navigate(self.blank_url)
        stored = {**{k: {"bytes": v} for k, v in files.items()}, **{k: {"text": v} for k, v in raw.items()}}
        self.page.evaluate(f"""(async () => {{
          const stored = {json.dumps(stored)}, earlier = {json.dumps(earlier)}, refused = {json.dumps(refused)};
          const value = (v) => v.bytes === undefined ? v.text : Uint8Array.from(v.bytes, (c) => c.charCodeAt(0));
          const done = (r) => new Promise((ok, fail) => {{ r.onsuccess = () => ok(r.result); r.onerror = () => fail(r.error); }});
          localStorage.clear();
          await done(indexedDB.deleteDatabase({json.dumps(DATABASE)}));
          if (earlier) {{
            for (const [k, v] of Object.entries(stored)) localStorage.setItem({json.dumps(STORE_PREFIX)} + k, v.bytes ?? v.text);
          }} else {{
            const opening = indexedDB.open({json.dumps(DATABASE)}, refused ? 1000 : 1);
            opening.onupgradeneeded = () => {{
              const files = opening.result.createObjectStore("files"), facts = opening.result.createObjectStore("facts");
              for (const [k, v] of Object.entries(stored)) files.put(value(v), k);
              facts.put({{ from: "the test" }}, "taken over"); }};
            (await done(opening)).close();
          }}
          return true; }})()""")

    def seed(self, files, raw=None):
        """Stores files ({name: bytes}) and raw ({name: text}) in the page's database in place of
        whatever it holds, as one transaction, without loading the page."""
        stored = {**{k: {"bytes": v.decode("latin-1")} for k, v in files.items()},
                  **{k: {"text": v} for k, v in (raw or {}).items()}}
        self.page.evaluate(f"""(async () => {{ const db = await {self.OPEN_JS};
            const t = db.transaction("files", "readwrite"), files = t.objectStore("files");
            files.clear();
            for (const [k, v] of Object.entries({json.dumps(stored)}))
              files.put(v.bytes === undefined ? v.text : Uint8Array.from(v.bytes, (c) => c.charCodeAt(0)), k);
            await new Promise((ok, fail) => {{ t.oncomplete = ok; t.onabort = () => fail(t.error); }});
            db.close(); return true; }})()""")

    # ---- tabs driven from inside: several at once, in front or not --------------------------

    def open_tab(self, ticks=None, before=None):
        """Another tab of the browser, with the page loaded, whose clock deals every load of the
        page from ticks when given (launch); before, a script run before the page's own at every
        load. The new tab comes to the front."""
        page = self.browser.page()
        if before:
            page.add_init_script(before)
        if ticks is not None:
            page.add_init_script("(() => { if (location.protocol !== 'file:') return; " + self.clock_script(ticks) + "})();")
        page.navigate(self.url)
        page.wait_for(PAGE_READY, timeout=20)
        return page

    # The turn's clicks as the pointer gives them, at the centres of board cells; vexalPlayed
    # comes true once no call is suspended after the last one.
    PLAY_JS = """((moves, origin) => { window.vexalPlayed = false;
      const canvas = document.querySelector('.window.main > canvas.client');
      const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));
      const over = async () => { do { await sleep(40); } while (vexalPage.calls().length > 0); };
      const click = (c, r) => { const b = canvas.getBoundingClientRect(), k = b.width / parseFloat(canvas.style.width);
        const x = b.left + (origin[0] + 20 + 36 * c) * k, y = b.top + (origin[1] + 20 + 36 * r) * k;
        for (const type of ['pointerdown', 'pointerup'])
          canvas.dispatchEvent(new PointerEvent(type, { clientX: x, clientY: y, button: 0, pointerId: 1, bubbles: true })); };
      (async () => { for (const [[sc, sr], [tc, tr]] of moves) { click(sc, sr); await over(); click(tc, tr); await over(); }
        window.vexalPlayed = true; })(); })"""

    def play_moves(self, page, moves, origin):
        """Starts playing moves ([(source, target)]) in page's game, the board's top left corner at
        client point origin, without waiting; played() tells when the last turn is over."""
        page.evaluate(f"{self.PLAY_JS}({json.dumps(moves)}, {json.dumps(list(origin))})")

    @staticmethod
    def played(page):
        return page.evaluate("window.vexalPlayed === true")

    @staticmethod
    def command_key(page, key):
        """A key of the game's (F4, F3 ...) pressed with the page's focus on its body."""
        page.evaluate(f"document.body.dispatchEvent(new KeyboardEvent('keydown', {{ key: {json.dumps(key)}, bubbles: true }}))")

    @staticmethod
    def window_open(title):
        """An expression true while a window titled title is open in the page."""
        return f"[...document.querySelectorAll('#desk > .window')].some((w) => w.dataset.title === {json.dumps(title)})"

    # Presses OK in the dialog titled title at the time `at` (ms since the epoch), the name field
    # first given name when there is one; vexalPressed is the time it was pressed.
    PRESS_AT_JS = """((title, name, at) => { window.vexalPressed = null;
      setTimeout(() => { const d = [...document.querySelectorAll('#desk > .window')].find((w) => w.dataset.title === title);
        if (name !== null) d.querySelector("input[data-id='257']").value = name;
        d.querySelector("[data-id='256']").click(); window.vexalPressed = Date.now(); }, at - Date.now()); })"""

    def press_ok_at(self, page, title, at, name=None):
        page.evaluate(f"{self.PRESS_AT_JS}({json.dumps(title)}, {json.dumps(name)}, {at})")

    def wait_turn_over(self, timeout=10):
        """Waits until no call of the program is in an animation's pause. The page's timers
        run late while the browser takes screenshots, so a turn can outlast the waits that
        suit the Windows build; what the turn showed is still checked as it was."""
        self.page.wait_for("!vexalPage.calls().some((c) => c.wait === 'pause')", timeout=timeout)

    # The page's database as it stands, without making it where it is not.
    OPEN_JS = f"""new Promise((ok, fail) => {{ const r = indexedDB.open({json.dumps(DATABASE)});
        r.onupgradeneeded = () => r.transaction.abort(); r.onsuccess = () => ok(r.result); r.onerror = () => fail(r.error); }})"""

    def storage(self, raw=False):
        """The page's stored files: {name: bytes}; with raw=True, also the records that hold text
        and not bytes, as {name: text}."""
        entries = self.page.evaluate(f"""(async () => {{ let db;
            try {{ db = await {self.OPEN_JS}; }} catch (e) {{ return null; }}
            const t = db.transaction("files"), files = t.objectStore("files"), names = files.getAllKeys(), values = files.getAll();
            await new Promise((ok, fail) => {{ t.oncomplete = ok; t.onabort = () => fail(t.error); }});
            db.close();
            const out = {{}};
            names.result.forEach((k, i) => {{ const v = values.result[i];
              out[k] = v instanceof Uint8Array ? {{ bytes: String.fromCharCode(...v) }} : {{ text: String(v) }}; }});
            return out; }})()""")
        if entries is None:
            return {}
        return {name: v["bytes"].encode("latin-1") if "bytes" in v else v["text"] for name, v in entries.items()
                if raw or "bytes" in v}

    def pull_files(self, folder):
        if not self.page or not self.page.evaluate("location.protocol === 'file:'"):
            return
        for name, data in self.storage().items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)

    # ---- window facts --------------------------------------------------------------------

    WINDOWS_JS = """(() => {
      const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; };
      return [...document.querySelectorAll('#desk > .window')]
        .filter((w) => getComputedStyle(w).visibility !== 'hidden' && w.isConnected)
        .map((w) => { const client = w.querySelector(':scope > .client');
          return { title: w.dataset.title, cls: w.dataset.class, outer: box(w), client: client ? box(client) : box(w),
            active: w.classList.contains('active'), hwnd: w.dataset.hwnd,
            children: [...w.querySelectorAll('[data-id]')].map((c) => ({ id: Number(c.dataset.id), cls: c.dataset.class,
              text: c.tagName === 'INPUT' ? c.value : c.innerText.replace(/\\n/g, ' '), rect: box(c) })) }; });
    })()"""

    def page_windows(self):
        windows = self.page.evaluate(self.WINDOWS_JS) or []
        for w in windows:
            w["outer"], w["client"] = self.desk_box(w["outer"]), self.desk_box(w["client"])
            for c in w["children"]:
                c["rect"] = self.desk_box(c["rect"])
        return windows

    def desk_box(self, box):
        """A CSS pixel rectangle of the page in the desk's client pixels."""
        k = self.layout["k"]
        return [math.floor(v / k + 0.5) for v in box]

    def css_point(self, x, y):
        """Where client pixel (x, y) of the desk is on the page: its centre, once the desk is scaled."""
        k = self.layout["k"]
        return (x, y) if k == 1 else ((x + 0.5) * k, (y + 0.5) * k)

    def windows(self):
        return [(w["title"], w["cls"], *w["outer"]) for w in self.page_windows()]

    def find(self, title, window_class=None):
        for w in self.page_windows():
            if w["title"] == title and (window_class is None or w["cls"] == window_class):
                return w
        return None

    def wait_for_window(self, title, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            for win in self.windows():
                if win[0] == title:
                    return win
            time.sleep(0.1)
        raise AssertionError(f"no window titled {title!r} within {timeout}s; open: {self.windows()}")

    def wait_gone(self, title, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if all(w[0] != title for w in self.windows()):
                return True
            time.sleep(0.1)
        return False

    def rect(self, title, window_class=None):
        w = self.find(title, window_class)
        if not w:
            raise AssertionError(f"no window titled {title!r}")
        return tuple(w["outer"]), tuple(w["client"])

    def children(self, title, window_class=None):
        w = self.find(title, window_class)
        if not w:
            return []
        return [(c["id"], c["cls"], c["text"], *c["rect"]) for c in w["children"]]

    def foreground(self):
        for w in self.page_windows():
            if w["active"]:
                return w["title"]
        return ""

    def facts(self):
        return self.page.evaluate("window.vexalPage ? JSON.parse(JSON.stringify(window.vexalPage.facts)) : null")

    def menu_marks(self):
        """(next balls checked, statistics checked), read from the menu's items."""
        return tuple(self.page.evaluate("[512, 513].map((id) => document.querySelector("
                                        "`.menu-item[data-command='${id}']`).classList.contains('checked'))"))

    def board_names(self):
        """The board grid's 81 cell names in reading order, as a screen reader is given them:
        from the browser's accessibility tree where the driver shows it (DevTools), else from
        the cells' aria-label attributes."""
        if "devtools" in self.page.sees:
            self.page.send("Accessibility.enable")
            nodes = self.page.send("Accessibility.getFullAXTree")["nodes"]
            return [n.get("name", {}).get("value") for n in nodes
                    if n.get("role", {}).get("value") == "gridcell" and not n.get("ignored")]
        return self.page.evaluate("[...document.querySelectorAll('.board-grid [role=gridcell]')]"
                                  ".map((c) => c.getAttribute('aria-label'))")

    def news(self, since=0):
        """(lines said in all, the live region's lines after the first since of them)."""
        said, lines = self.page.evaluate(
            "(() => { const n = document.querySelector('.board-news');"
            " return n ? [Number(n.dataset.said || 0), [...n.children].map((p) => p.textContent)] : [0, []]; })()")
        return said, lines[len(lines) - (said - since):] if said - since <= len(lines) else None

    def notices(self):
        return self.page.evaluate("[...document.querySelectorAll('#notices .notice-text')].map((e) => e.textContent)")

    # ---- input ---------------------------------------------------------------------------------

    def move_pointer(self, x, y):
        self.pointer = (x, y)
        if not self.device["touch"]:
            self.page.mouse("mouseMoved", *self.css_point(x, y), button="none", buttons=0)

    def click(self, x, y, pause=0.15):
        """A click, or on a touch screen a tap."""
        self.move_pointer(x, y)
        if self.device["touch"]:
            self.page.touch(*self.css_point(x, y))
        else:
            self.page.mouse("mousePressed", *self.css_point(x, y))
            self.page.mouse("mouseReleased", *self.css_point(x, y))
        time.sleep(pause)

    def drag(self, x0, y0, x1, y1):
        self.move_pointer(x0, y0)
        self.page.mouse("mousePressed", *self.css_point(x0, y0))
        steps = 8
        for i in range(1, steps + 1):
            x, y = x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps
            self.page.mouse("mouseMoved", *self.css_point(x, y))
            time.sleep(0.03)
        self.page.mouse("mouseReleased", *self.css_point(x1, y1))
        self.pointer = (x1, y1)
        time.sleep(0.3)

    def key(self, *keys, pause=0.3):
        for k in keys:
            self.page.key(k)
            time.sleep(0.06)
        time.sleep(pause)

    def type_text(self, text, pause=0.2):
        self.page.type_text(text)
        time.sleep(pause)

    def xdo(self, command, *args):
        """The few xdotool commands the shared helpers send."""
        if command == "mousemove":
            self.move_pointer(int(args[0]), int(args[1]))
        elif command == "click":
            self.click(*self.pointer, pause=0)
        elif command == "mousedown":
            self.page.mouse("mousePressed", *self.css_point(*self.pointer))
        elif command == "mouseup":
            self.page.mouse("mouseReleased", *self.css_point(*self.pointer))
        elif command == "key":
            self.key(*[a for a in args if not a.startswith("--") and not a.isdigit()], pause=0)
        else:
            raise NotImplementedError(f"xdotool {command} has no counterpart in the page")

    # ---- pictures --------------------------------------------------------------------------------

    # Every window's canvases, one pixel per client pixel, each pixel the device pixel that covers the
    # client pixel's centre; windows bottom first, and what lies over each: the windows above it,
    # open menus, notices.
    SURFACES_JS = """(() => {
      const k = window.vexalPage.layout().k;
      const box = (e) => { const r = e.getBoundingClientRect(); return [r.left / k, r.top / k, r.width / k, r.height / k]; };
      const read = (c) => { const w = Math.round(parseFloat(c.style.width)), h = Math.round(parseFloat(c.style.height));
        const sx = c.width / w, sy = c.height / h, rgb = new Uint8Array(w * h * 3);
        const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        for (let y = 0, j = 0; y < h; ++y) { const row = Math.min(c.height - 1, Math.floor((y + 0.5) * sy)) * c.width;
          for (let x = 0; x < w; ++x) { const o = (row + Math.min(c.width - 1, Math.floor((x + 0.5) * sx))) * 4;
            rgb[j++] = d[o]; rgb[j++] = d[o + 1]; rgb[j++] = d[o + 2]; } }
        let text = ''; for (let i = 0; i < rgb.length; i += 32768) text += String.fromCharCode(...rgb.subarray(i, i + 32768));
        return { box: box(c), width: w, height: h, rgb: btoa(text) }; };
      const windows = [...document.querySelectorAll('#desk > .window')]
        .filter((w) => getComputedStyle(w).visibility !== 'hidden')
        .sort((a, b) => Number(a.style.zIndex) - Number(b.style.zIndex))
        .map((w) => ({ box: box(w), canvases: [...w.querySelectorAll('canvas.client, canvas.dialog-canvas')]
          .filter((c) => c.width > 1).map(read) }));
      const above = [...document.querySelectorAll('.menu-title.open .menu-popup, #notices .notice, #ended:not([hidden])')].map(box);
      return { windows, above };
    })()"""

    def screenshot(self, label):
        png = self.page.screenshot_png()
        self.shot_number += 1
        path = os.path.join(self.artifacts, f"{self.shot_number:02d}-{label}.png")
        with open(path, "wb") as f:
            f.write(png)
        self.last_shot_path = path
        if self.keep_last:
            self.kept.append(path)
            while len(self.kept) > self.keep_last:
                os.remove(self.kept.pop(0))
        if self.layout["k"] * self.device["scale"] == 1:
            return png_image(png)
        return self.desk_picture(png)

    def desk_picture(self, png):
        """The screenshot in the desk's client pixels, the canvases as they hold them."""
        width, height = self.screen_size
        s = self.layout["k"] * self.device["scale"]
        picture = png_image(png, ["-crop", f"{round(width * s)}x{round(height * s)}+0+0", "+repage",
                                  "-sample", f"{width}x{height}!"])
        data = bytearray(picture.data)
        surfaces = self.page.evaluate(self.SURFACES_JS, timeout=60)
        covers = [w["box"] for w in surfaces["windows"]] + surfaces["above"]
        for index, w in enumerate(surfaces["windows"]):
            over = [[math.floor(v + 0.5) for v in b] for b in covers[index + 1:]]
            for c in w["canvases"]:
                x0, y0 = (math.floor(v + 0.5) for v in c["box"][:2])
                rgb = base64.b64decode(c["rgb"])
                for y in range(max(0, -y0), min(c["height"], height - y0)):
                    for left, right in visible_spans(x0, x0 + c["width"], y0 + y, over, width):
                        i = 3 * (y * c["width"] + left - x0)
                        o = 3 * ((y0 + y) * width + left)
                        data[o:o + 3 * (right - left)] = rgb[i:i + 3 * (right - left)]
        return harness.Image(width, height, bytes(data))

    def capture(self, x, y, w, h):
        if self.layout["k"] * self.device["scale"] != 1:
            return self.desk_picture(self.page.screenshot_png()).crop(x, y, w, h)
        return png_image(self.page.screenshot_png(clip=(x, y, w, h)))

    def settle(self, seconds=0.4):
        time.sleep(seconds)

    def sampler(self, rect, area=None):
        """A sampler of the main window's client area (rect is where it is on the screen); area, a
        part of it in client pixels, is all it reads."""
        return PageSampler(self, area)


def visible_spans(x0, x1, y, over, width):
    """The parts of row y from x0 to x1 (within 0..width) that no rectangle of over covers."""
    spans = [(max(0, x0), min(width, x1))]
    for ox, oy, ow, oh in over:
        if oy <= y < oy + oh:
            spans = [part for left, right in spans
                     for part in ((left, min(right, ox)), (max(left, ox + ow), right)) if part[0] < part[1]]
    return [span for span in spans if span[0] < span[1]]


def png_image(png, operations=()):
    out = harness.run(["convert", "png:-", *operations, "-depth", "8", "ppm:-"], input=png)
    if out.returncode != 0:
        raise RuntimeError("convert failed: " + out.stderr.decode(errors="replace"))
    return harness.Image.from_ppm(out.stdout)


class PageSampler:
    """ScreenSampler's counterpart: the page's main canvas sampled from inside the
    page, each picture that differs from the one before kept with its time; stop()
    gives [(seconds, Image)] of the client area. It is read after every task that
    draws on it, before the page does anything else, and every few milliseconds
    besides: no picture the page shows can fall between two grabs, however late the
    machine runs (missed counts drawing tasks not read after, 0 unless the reading
    fails). With area (x, y, w, h in client pixels) only that part is read, which
    keeps each grab short, and the rest of every picture is black."""

    START_JS = """((area) => {
      const canvas = document.querySelector('.window.main > canvas.client');
      const ctx = canvas.getContext('2d', { willReadFrequently: true });
      const cw = Math.round(parseFloat(canvas.style.width)), ch = Math.round(parseFloat(canvas.style.height));
      const [ax, ay, aw, ah] = area || [0, 0, cw, ch];
      const kx = canvas.width / cw, ky = canvas.height / ch;
      const gx = Math.round(ax * kx), gy = Math.round(ay * ky);
      const gw = Math.max(1, Math.round((ax + aw) * kx) - gx), gh = Math.max(1, Math.round((ay + ah) * ky) - gy);
      const s = { frames: [], grabs: 0, last: null, longest: 0, previous: null, t0: performance.now(), area: [ax, ay, aw, ah], kx, ky, cw, ch,
                  drawn: 0, read: 0, pending: false, methods: [] };
      const grab = () => {
        const data = ctx.getImageData(gx, gy, gw, gh).data;
        const now = performance.now();
        if (s.last !== null) s.longest = Math.max(s.longest, now - s.last);
        s.last = now;
        s.grabs += 1;
        const words = new Uint32Array(data.buffer);
        const p = s.previous;
        let same = p !== null && p.length === words.length;
        if (same) for (let i = 0; i < words.length; ++i) if (words[i] !== p[i]) { same = false; break; }
        if (!same) { s.previous = words; s.frames.push([(performance.now() - s.t0) / 1000, gw, data]); }
      };
      s.timer = setInterval(grab, 1);
      // Every drawing call on the canvas: its task's picture is read as the task ends.
      for (const name of ['putImageData', 'drawImage', 'fillRect', 'clearRect', 'strokeRect', 'fillText', 'strokeText', 'fill', 'stroke']) {
        const own = Object.prototype.hasOwnProperty.call(ctx, name), before = ctx[name];
        s.methods.push([name, own, before]);
        ctx[name] = function (...args) {
          const result = before.apply(this, args);
          if (!s.pending) { s.pending = true; s.drawn += 1;
            queueMicrotask(() => { s.pending = false; s.read += 1; grab(); }); }
          return result; };
      }
      s.ctx = ctx;
      window.vexalSampler = s;
    })"""

    # Each frame in client pixels: the device pixel at each client pixel's centre.
    STOP_JS = """(() => {
      const s = window.vexalSampler; clearInterval(s.timer);
      for (const [name, own, before] of s.methods) { if (own) s.ctx[name] = before; else delete s.ctx[name]; }
      const { cw, ch, kx, ky } = s, [ax, ay, aw, ah] = s.area;
      const out = s.frames.map(([t, gw, d]) => { const rgb = new Uint8Array(cw * ch * 3);
        const gh = d.length / 4 / gw;
        for (let y = Math.max(0, ay); y < Math.min(ch, ay + ah); ++y) {
          const row = Math.min(gh - 1, Math.floor((y - ay + 0.5) * ky)) * gw;
          for (let x = Math.max(0, ax), j = 3 * (y * cw + x); x < Math.min(cw, ax + aw); ++x) {
            const i = (row + Math.min(gw - 1, Math.floor((x - ax + 0.5) * kx))) * 4;
            rgb[j++] = d[i]; rgb[j++] = d[i + 1]; rgb[j++] = d[i + 2]; } }
        let text = ''; for (let i = 0; i < rgb.length; i += 32768) text += String.fromCharCode(...rgb.subarray(i, i + 32768));
        return [t, cw, ch, btoa(text)]; });
      const result = { grabs: s.grabs, longest: s.longest / 1000, missed: s.drawn - s.read - (s.pending ? 1 : 0), frames: out };
      delete window.vexalSampler; return result;
    })()"""

    def __init__(self, session, area=None):
        self.session, self.area = session, area
        self.grabs = 0
        self.longest_gap = 0.0
        self.missed = 0

    def start(self):
        self.session.page.evaluate(f"{self.START_JS}({json.dumps(list(self.area) if self.area else None)})")
        return self

    def still_for(self):
        """Seconds since the canvas last changed, on the page's clock (the first grab is a change)."""
        return self.session.page.evaluate(
            "(() => { const s = window.vexalSampler; return (performance.now() - s.t0) / 1000 - s.frames.at(-1)[0]; })()")

    def stop(self):
        result = self.session.page.evaluate(self.STOP_JS, timeout=120)
        self.grabs = result["grabs"]
        self.longest_gap = result["longest"]
        self.missed = result["missed"]
        return [(t, harness.Image(w, h, base64.b64decode(data))) for t, w, h, data in result["frames"]]
