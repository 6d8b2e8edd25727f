"""Runs a Win32 program under Wine in a headless X server and drives it like
a player: mouse and keys through xdotool, pictures through ImageMagick's
import, and window facts through win_probe.exe, a console program that asks
Win32 itself inside the same Wine desktop.

One Xvfb and one Wine prefix serve a whole test module; every launch gets a
fresh game folder as its current directory. A module runs one build of the
game, win32 or win64 (Build), with the harness's own helpers built for the
same architecture and the Wine loader that serves it."""

import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

DESKTOP_SIZE = (1024, 768)
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def shell_environment(work):
    """What CTest gives the end-to-end tests, for a script run from the shell (soak.py,
    tools/bench-page): the trees scripts/test builds, and work for prefixes and pictures."""
    native = os.path.join(ROOT, "build", "native")
    defaults = {
        "VEXAL_E2E_WORK": work,
        "VEXAL_E2E_ARTIFACTS": os.path.join(work, "artifacts"),
        "VEXAL_SPRITES": os.path.join(ROOT, "res", "sprites.gif"),
        "VEXAL_WINE_LIB": os.path.join(ROOT, "scripts", "lib", "wine-env.sh"),
        "VEXAL_PAGE": os.path.join(ROOT, "build", "web", "vexal.html"),
        "VEXAL_SIM": os.path.join(native, "tools", "vexal-sim", "vexal-sim"),
    }
    for arch in ("win32", "win64"):
        defaults[f"VEXAL_EXE_{arch.upper()}"] = os.path.join(ROOT, "build", arch, "Vexal.exe")
        defaults[f"VEXAL_PROBE_{arch.upper()}"] = os.path.join(native, "tests", "e2e", arch, "win_probe.exe")
        defaults[f"VEXAL_MINIMAL_{arch.upper()}"] = os.path.join(native, "tests", "e2e", arch, "minimal_window.exe")
    for name, value in defaults.items():
        os.environ.setdefault(name, value)
    os.makedirs(os.environ["VEXAL_E2E_WORK"], exist_ok=True)


def env_path(name):
    value = os.environ.get(name, "")
    if not value:
        raise RuntimeError(f"{name} is not set: run the end-to-end tests through CTest")
    return value


def machine_choice(forced=None):
    """(arch, loader, why): the build the suite runs on this machine, as scripts/lib decides.

    forced (else VEXAL_E2E_ARCH) asks for one; a build that cannot run here fails at once."""
    lib = env_path("VEXAL_WINE_LIB")
    forced = forced or os.environ.get("VEXAL_E2E_ARCH", "")
    out = run(["bash", "-c", 'source "$0" && vexal_choose_arch "$1" && printf "%s\\n%s\\n%s\\n" '
               '"$VEXAL_ARCH" "$(vexal_wine_loader "$VEXAL_ARCH")" "$VEXAL_WHY"', lib, forced])
    if out.returncode != 0:
        raise AssertionError(out.stderr.decode(errors="replace").strip() or "vexal_choose_arch failed")
    arch, loader, why = out.stdout.decode().splitlines()[:3]
    return arch, loader, why


class Build:
    """One build of the game with the helpers and the Wine loader of its architecture."""

    def __init__(self, forced=None):
        self.arch, self.loader, self.why = machine_choice(forced)
        suffix = self.arch.upper()
        self.exe = os.environ.get(f"VEXAL_EXE_{suffix}", "")
        self.probe = env_path(f"VEXAL_PROBE_{suffix}")
        self.minimal = env_path(f"VEXAL_MINIMAL_{suffix}")

    def require_exe(self):
        """The path of Vexal.exe, or a failure that says how to build it."""
        if not self.exe:
            raise AssertionError(
                f"VEXAL_{self.arch.upper()}_BUILD was not given to CMake: configure with "
                f"-DVEXAL_{self.arch.upper()}_BUILD=<root>/build/{self.arch} (scripts/test does)")
        if not os.path.isfile(self.exe):
            raise AssertionError(f"{self.exe} does not exist: build the cross build first "
                                 f"(cmake --build build/{self.arch})")
        return self.exe

    def announce(self, module):
        print(f"{module}: the {self.arch} build under {self.loader}: {self.why}", file=sys.stderr, flush=True)


class Image:
    """A 24-bit picture read from a binary PPM."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(blob):
        m = re.match(rb"P6\s+(?:#.*\s+)*(\d+)\s+(\d+)\s+(\d+)\s", blob)
        if not m:
            raise ValueError("not a binary PPM")
        w, h, maxval = int(m.group(1)), int(m.group(2)), int(m.group(3))
        if maxval != 255:
            raise ValueError("only 8-bit PPM is handled")
        start = m.end()
        data = blob[start:start + w * h * 3]
        if len(data) != w * h * 3:
            raise ValueError("short PPM")
        return Image(w, h, data)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, w, h):
        rows = []
        for yy in range(y, y + h):
            i = (yy * self.width + x) * 3
            rows.append(self.data[i:i + w * 3])
        return Image(w, h, b"".join(rows))

    def row(self, y, x0=0, x1=None):
        x1 = self.width if x1 is None else x1
        i = y * self.width * 3
        return self.data[i + x0 * 3:i + x1 * 3]

    def difference(self, other):
        """Mean absolute difference per channel, 0 for identical pictures."""
        assert (self.width, self.height) == (other.width, other.height)
        total = sum(abs(a - b) for a, b in zip(self.data, other.data))
        return total / len(self.data)

    def count(self, predicate):
        n = 0
        d = self.data
        for i in range(0, len(d), 3):
            if predicate(d[i], d[i + 1], d[i + 2]):
                n += 1
        return n

    def to_ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data

    def save_png(self, path):
        out = run(["convert", "ppm:-", path], input=self.to_ppm())
        if out.returncode != 0:
            raise RuntimeError(f"convert could not write {path}: " + out.stderr.decode(errors="replace"))


def run(cmd, timeout=30, **kw):
    if "input" not in kw:
        kw["stdin"] = subprocess.DEVNULL
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout, **kw)


# What scripts/lib/wine-env.sh gives every Wine program.
WINE_DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"


def start_xvfb():
    """An Xvfb of DESKTOP_SIZE on a free display: (process, display name), once it answers.

    Xvfb picks the display itself (-displayfd): it takes the number by creating
    the display's lock file, which only one server can do. A number chosen here
    by looking for lock files was sometimes chosen by two modules starting at
    once; the second server then failed, and its module ran on the first one's
    display until that module ended and took the display away."""
    w, h = DESKTOP_SIZE
    read_end, write_end = os.pipe()
    try:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{w}x{h}x24",
                                 "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        write_end = None
        number = b""
        deadline = time.time() + 30
        while not number.endswith(b"\n") and time.time() < deadline:
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.time()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            number += chunk
    finally:
        os.close(read_end)
        if write_end is not None:
            os.close(write_end)
    if number.strip().isdigit():
        display = f":{int(number)}"
        # A display now and then closes a connection it has just taken, unanswered, when another
        # client connects at the same moment: one turned-away call is not its answer.
        for _ in range(5):
            if run(["xdpyinfo"], env=dict(os.environ, DISPLAY=display)).returncode == 0:
                return xvfb, display
            time.sleep(0.2)
    xvfb.terminate()
    xvfb.wait(10)
    raise RuntimeError(f"Xvfb did not start (it said {number!r} for its display)")


class WineSession:
    """One Xvfb display and one Wine prefix for a test module.

    By default every program runs in one Wine virtual desktop; with a window manager named
    instead (window_manager="openbox"), the programs' windows are X windows of their own,
    framed and managed by it, as on a player's desktop."""

    def __init__(self, name, build, window_manager=None):
        self.name = name
        self.build = build
        self.window_manager = window_manager
        work = env_path("VEXAL_E2E_WORK")
        self.prefix = os.path.join(work, f"prefix-{build.arch}")
        self.artifacts = os.path.join(env_path("VEXAL_E2E_ARTIFACTS"), name)
        self.probe = build.probe
        self.loader = build.loader
        self.lib = env_path("VEXAL_WINE_LIB")
        os.makedirs(self.artifacts, exist_ok=True)
        self.games_root = tempfile.mkdtemp(prefix=f"{name}-", dir=work)
        self.xvfb = None
        self.desktop = None
        self.manager = None
        self.env = None
        self.shot_number = 0
        self.keep_last = None  # keep every screenshot, or only this many of the latest
        self.kept = []
        self.screen_size = DESKTOP_SIZE

    def start(self):
        # A start that fails must not leave its server and desktop behind: the next start in
        # the prefix would find the desktop in that server, on the old display, and wait in vain.
        try:
            self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        w, h = DESKTOP_SIZE
        desktop = "" if self.window_manager else f"{w}x{h}"
        prep = run(["bash", "-c", 'source "$0"; vexal_wine_prefix "$1" "$2" "$3"', self.lib, self.prefix,
                    desktop, self.build.arch], timeout=300)
        if prep.returncode != 0:
            raise RuntimeError("the Wine prefix could not be made: " + prep.stderr.decode(errors="replace"))
        self.xvfb, display = start_xvfb()
        self.env = dict(os.environ, DISPLAY=display)
        self.use_prefix(self.prefix)
        env = self.env
        # Start the Wine server and the desktop once, detached from every pipe: a
        # process that started them would otherwise hand its output pipe on to
        # them, and whoever reads that pipe would wait for their end.
        subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.window_manager:
            self._start_window_manager()
            return
        # Its output goes to a file, which Wine's fatal messages reach whatever WINEDEBUG says.
        log_path = os.path.join(self.artifacts, "wine-desktop.log")
        with open(log_path, "wb") as log:
            self.desktop = subprocess.Popen([self.loader, "explorer", f"/desktop=Vexal,{w}x{h}"], env=env,
                                            stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        # Usually a second or two, but more than ten on a busy shared machine.
        deadline = time.time() + 40
        while "Vexal - Wine desktop" not in run(["xwininfo", "-root", "-tree"], env=env).stdout.decode(errors="replace"):
            if time.time() > deadline:
                with open(log_path, "rb") as log:
                    said = log.read().decode(errors="replace").strip()
                running = run(["pgrep", "-a", "-f", "wine|\\.exe"]).stdout.decode(errors="replace").strip()
                raise RuntimeError(f"the Wine desktop did not appear: explorer's exit code {self.desktop.poll()}; "
                                   f"it said: {said[-600:]!r}; Wine's processes: {running[-1200:]!r}")
            time.sleep(0.1)

    def _start_window_manager(self):
        log_path = os.path.join(self.artifacts, f"{self.window_manager}.log")
        # A fresh display turned the manager's first connection away once, and answered the
        # next client: as start_xvfb does for its own check, a refusal is asked again.
        for attempt in range(1, 4):
            with open(log_path, "wb") as log:
                self.manager = subprocess.Popen([self.window_manager], env=self.env, stdin=subprocess.DEVNULL,
                                                stdout=log, stderr=log)
            deadline = time.time() + 30
            while time.time() < deadline and self.manager.poll() is None:
                out = run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env)
                if b"window id" in out.stdout:
                    if attempt > 1:
                        print(f"\n{self.name}: {self.window_manager} started at attempt {attempt}", flush=True)
                    return
                time.sleep(0.1)
            answers = run(["xdpyinfo"], env=self.env).returncode == 0
            with open(log_path, "rb") as log:
                said = log.read().decode(errors="replace").strip()
            if self.manager.poll() is None or not answers:
                break
            print(f"\n{self.name}: {self.window_manager} ended with {self.manager.poll()} at attempt {attempt} "
                  f"while the display answers; it said: {said[-300:]!r}", flush=True)
            time.sleep(0.5)
        raise RuntimeError(f"{self.window_manager} did not take charge of the display {self.env['DISPLAY']}: "
                           f"exit code {self.manager.poll()} at attempt {attempt}, the display "
                           f"{'answers' if answers else 'does not answer'}; it said: {said[-600:]!r}")

    def use_prefix(self, prefix, **extra):
        """Runs the probe and every Wine program after this in PREFIX, as scripts/lib does."""
        self.env = {k: v for k, v in self.env.items() if not k.startswith("WINE")}
        self.env.update(WINEPREFIX=prefix, WINEARCH=self.build.arch, WINELOADER=self.loader, WINEDEBUG="-all",
                        WINEDLLOVERRIDES=WINE_DLL_OVERRIDES, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8", **extra)

    def stop(self):
        if self.env:
            run(["wineserver", "-k"], env=self.env)
            run(["wineserver", "-w"], env=self.env, timeout=60)
        if self.desktop:
            wait_exit(self.desktop, 10)
            self.desktop = None
        if self.manager:
            self.manager.terminate()
            wait_exit(self.manager, 10)
            self.manager = None
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(10)
            self.xvfb = None
        shutil.rmtree(self.games_root, ignore_errors=True)

    # ---- the game folder and the program -------------------------------------------------

    def new_game_folder(self, label):
        folder = os.path.join(self.games_root, label)
        os.makedirs(folder)
        return folder

    def launch(self, exe, folder, *args):
        return subprocess.Popen([self.loader, exe, *args], cwd=folder, env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # ---- Win32 facts -------------------------------------------------------------------------

    def probe_lines(self, *args):
        with tempfile.TemporaryFile() as out:
            subprocess.run([self.loader, self.probe, *args], env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=30)
            out.seek(0)
            return out.read().decode("utf-8", errors="replace").splitlines()

    def windows(self):
        """Visible top-level windows: (title, class, x, y, w, h)."""
        result = []
        for line in self.probe_lines("windows"):
            m = re.match(r"window \S+ (-?\d+) (-?\d+) (\d+) (\d+) ([^\t]*)\t(.*)$", line)
            if m:
                x, y, w, h = (int(m.group(i)) for i in range(1, 5))
                result.append((m.group(6), m.group(5), x, y, w, h))
        return result

    def wait_for_window(self, title, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            for win in self.windows():
                if win[0] == title:
                    return win
            time.sleep(0.2)
        raise AssertionError(f"no window titled {title!r} within {timeout}s; open: {self.windows()}")

    def wait_gone(self, title, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if all(w[0] != title for w in self.windows()):
                return True
            time.sleep(0.2)
        return False

    def rect(self, title, window_class=None):
        """((x, y, w, h) outer, (x, y, w, h) client) in screen pixels."""
        lines = self.probe_lines("rect", title, *([window_class] if window_class else []))
        for line in lines:
            m = re.match(r"outer (-?\d+) (-?\d+) (\d+) (\d+) client (-?\d+) (-?\d+) (\d+) (\d+)", line)
            if m:
                v = [int(g) for g in m.groups()]
                return tuple(v[:4]), tuple(v[4:])
        # Nothing said at all is a probe that did not run to its end.
        raise AssertionError(f"no window titled {title!r} (the probe said {lines!r})")

    def children(self, title, window_class=None, timeout=20):
        """Child controls: (id, class, text, x, y, w, h). Read again while a control's text
        does not come (the program busy or held up for the probe's 2 s), up to timeout."""
        deadline = time.time() + timeout
        while True:
            result = []
            lines = self.probe_lines("children", title, *([window_class] if window_class else []))
            for line in lines:
                m = re.match(r"child (-?\d+) (-?\d+) (-?\d+) (\d+) (\d+) (\d) ([^\t]*)\t(.*)$", line)
                if m:
                    result.append((int(m.group(1)), m.group(7), m.group(8), int(m.group(2)), int(m.group(3)),
                                   int(m.group(4)), int(m.group(5))))
            if not any(line.startswith("unanswered ") for line in lines):
                return result
            if time.time() > deadline:
                raise AssertionError(f"the controls of {title!r} did not give their texts within {timeout}s")
            time.sleep(0.2)

    def foreground(self):
        lines = self.probe_lines("focus")
        return lines[0][len("focus "):] if lines and lines[0].startswith("focus") else ""

    # ---- input ---------------------------------------------------------------------------------

    def xdo(self, *args):
        out = run(["xdotool", *args], env=self.env)
        if out.returncode != 0:
            raise RuntimeError("xdotool " + " ".join(args) + ": " + out.stderr.decode(errors="replace"))

    def click(self, x, y, pause=0.15):
        self.xdo("mousemove", str(x), str(y))
        time.sleep(0.05)
        self.xdo("click", "1")
        time.sleep(pause)

    def drag(self, x0, y0, x1, y1):
        self.xdo("mousemove", str(x0), str(y0))
        time.sleep(0.1)
        self.xdo("mousedown", "1")
        time.sleep(0.2)
        steps = 8
        for i in range(1, steps + 1):
            self.xdo("mousemove", str(x0 + (x1 - x0) * i // steps), str(y0 + (y1 - y0) * i // steps))
            time.sleep(0.05)
        time.sleep(0.2)
        self.xdo("mouseup", "1")
        time.sleep(0.3)

    def key(self, *keys, pause=0.3):
        self.xdo("key", "--delay", "60", *keys)
        time.sleep(pause)

    def type_text(self, text, pause=0.2):
        self.xdo("type", "--delay", "40", text)
        time.sleep(pause)

    # ---- pictures ------------------------------------------------------------------------------

    def screenshot(self, label):
        """Grabs the whole desktop, keeps it as a numbered PNG artefact and returns it.

        Xvfb draws the pointer into its frame buffer, so it goes to the desktop's
        far corner first, away from every window."""
        self.xdo("mousemove", str(DESKTOP_SIZE[0] - 1), str(DESKTOP_SIZE[1] - 1))
        time.sleep(0.05)
        out = run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env)
        if out.returncode != 0:
            raise RuntimeError("import failed: " + out.stderr.decode(errors="replace"))
        image = Image.from_ppm(out.stdout)
        self.shot_number += 1
        path = os.path.join(self.artifacts, f"{self.shot_number:02d}-{label}.png")
        image.save_png(path)
        self.last_shot_path = path
        if self.keep_last:
            self.kept.append(path)
            while len(self.kept) > self.keep_last:
                os.remove(self.kept.pop(0))
        return image

    def capture(self, x, y, w, h):
        """A part of the desktop, quickly and without keeping it (for watching animations)."""
        out = run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "ppm:-"], env=self.env)
        if out.returncode != 0:
            raise RuntimeError("import failed: " + out.stderr.decode(errors="replace"))
        return Image.from_ppm(out.stdout)

    def settle(self, seconds=0.4):
        time.sleep(seconds)

    def wait_turn_over(self, timeout=10):
        """Under Wine a turn's end cannot be seen from outside but by its pictures: the
        callers' own waits cover it."""

    def sampler(self, rect, area=None):
        """A sampler of the screen rectangle rect (screen_sampler.ScreenSampler). area (what the
        page's sampler restricts itself to) is left aside: the X server's copies take no time
        from the program's process."""
        from screen_sampler import ScreenSampler
        return ScreenSampler(self.env["DISPLAY"], rect)


class PlainSession(WineSession):
    """An Xvfb without a Wine desktop, for a program that makes its own Wine
    prefix, as the installed launcher does: its windows are plain X windows.
    use_prefix() points the probe at that prefix once it exists."""

    def start(self):
        self.xvfb, display = start_xvfb()
        # What the program under test starts with: the display and nothing of Wine.
        self.base_env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
        self.base_env["DISPLAY"] = display
        self.env = dict(self.base_env)
        self.prefixes = []

    def use_prefix(self, prefix, **extra):
        self.env = dict(self.base_env)
        super().use_prefix(prefix, **extra)
        self.prefixes.append(prefix)

    def wait_x_window(self, title, timeout=30):
        """Waits for a window titled TITLE through X alone: until the program has
        made its prefix, the probe would make a second one of its own there."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"], env=self.env)
            if found.stdout.strip():
                return
            time.sleep(0.2)
        # What is on the display instead, for the one who reads the failure.
        ids = run(["xdotool", "search", "--onlyvisible", "--name", "."], env=self.env).stdout.split()
        names = [run(["xdotool", "getwindowname", i], env=self.env).stdout.decode(errors="replace").strip()
                 for i in ids[:20]]
        self.screenshot(f"no-{re.sub(r'[^A-Za-z0-9]+', '-', title)}-window")
        raise AssertionError(f"no X window titled {title!r} within {timeout}s; visible windows: {names}")

    def stop(self):
        for prefix in self.prefixes:
            env = dict(self.env, WINEPREFIX=prefix)
            run(["wineserver", "-k"], env=env)
            run(["wineserver", "-w"], env=env, timeout=60)
        self.env = None
        super().stop()


def read_sheet(gif_path):
    """The sprite sheet as an Image, decoded by ImageMagick."""
    out = run(["convert", gif_path + "[0]", "-depth", "8", "ppm:-"])
    if out.returncode != 0:
        raise RuntimeError("cannot read " + gif_path + ": " + out.stderr.decode(errors="replace"))
    return Image.from_ppm(out.stdout)


def program_pid(process, name):
    """The pid of the Linux process that runs the Windows program name (say
    "Vexal.exe"): the launched loader itself or one of its children."""
    pids = [process.pid]
    children = f"/proc/{process.pid}/task/{process.pid}/children"
    try:
        with open(children) as f:
            pids += [int(p) for p in f.read().split()]
    except OSError:
        pass
    for pid in pids:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if name.encode() in f.read():
                    return pid
        except OSError:
            continue
    return None


def usage(pid):
    """(resident set in KiB, CPU time in clock ticks so far) of a Linux process."""
    with open(f"/proc/{pid}/status") as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    with open(f"/proc/{pid}/stat") as f:
        # The fields after the command name, which may hold spaces: utime and stime are 14th and 15th.
        fields = f.read().rsplit(")", 1)[1].split()
    return rss, int(fields[11]) + int(fields[12])


def wait_exit(process, timeout=10):
    try:
        return process.wait(timeout)
    except subprocess.TimeoutExpired:
        return None
