"""The Debian package as a player meets it: unpacked into a scratch root
(dpkg -x) and started through its launcher with a scratch home, in an X
server without a Wine desktop, where the game's window is a plain X window.
The launcher makes its own Wine prefix, keeps the high-score file in its own
folder, copes with a home beyond ASCII on a system without the Chinese
locale, runs one game per player, makes a damaged prefix again, removes a
first start's prefix when the start fails or is stopped, says before play
when scores cannot be kept, and explains every start that cannot work, in
a message box a player can read when there is no terminal.

A full disk is a small tmpfs and a read-only folder a read-only mount: those
cases need root (or are skipped, saying so). Prefix builds are slow, so the
cases that need a working prefix copy one made once for the module."""

import errno
import glob
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

import harness
from game_case import Game, GameCase, TITLE, read_table, table_bytes

# Long enough for a first start, which makes the Wine prefix.
FIRST_START = 180
# How wide a message box is, in characters (scripts/lib/launch.sh).
BOX_COLUMNS = 72
ZERO_TABLE = table_bytes([("Launcher", 0)] * 10)


def flat(text):
    """text with every run of white space made one space: a message box wraps its lines."""
    return " ".join(text.split())


class Boxes:
    """Recording stand-ins for the message-box tools: zenity (the text is its --text) or
    xmessage (the text comes on stdin). Each box is kept as (tool, kind, text), where kind is
    error or warning (zenity), message (an xmessage with a button) or busy (a box that stands
    while something slow runs, closed by the launcher)."""

    def __init__(self, work, tool="zenity"):
        self.bin = os.path.join(work, f"bin-{tool}")
        self.log = os.path.join(work, f"shown-{tool}.txt")
        os.makedirs(self.bin, exist_ok=True)
        if tool == "zenity":
            script = ("#!/bin/sh\nkind=; text=\nfor a in \"$@\"; do case $a in --text=*) text=${a#--text=} ;;"
                      " --error|--warning|--info) kind=${a#--} ;; esac; done\n"
                      f"printf '=== zenity %s\\n%s\\n' \"$kind\" \"$text\" >>'{self.log}'\n")
        else:
            script = f"#!/bin/sh\nprintf '=== xmessage %s\\n' \"$*\" >>'{self.log}'\ncat >>'{self.log}'\n"
        path = os.path.join(self.bin, tool)
        with open(path, "w") as f:
            f.write(script)
        os.chmod(path, stat.S_IRWXU)

    def clear(self):
        if os.path.exists(self.log):
            os.remove(self.log)

    def shown(self):
        """[(tool, kind, text)] in the order they appeared."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, "rb") as f:
            raw = f.read().decode("utf-8", errors="replace")
        boxes = []
        for part in raw.split("=== ")[1:]:
            head, _, text = part.partition("\n")
            tool, _, kind = head.partition(" ")
            if tool == "xmessage":
                kind = "message" if "-buttons OK" in kind else "busy"
            elif kind == "info":
                kind = "busy"
            boxes.append((tool, kind, text.rstrip("\n")))
        return boxes

    def messages(self):
        """The boxes that wait for a click."""
        return [box for box in self.shown() if box[1] != "busy"]


class PackageLauncherTest(GameCase):
    session_class = harness.PlainSession
    seed = None  # a prefix made once, copied where a case needs a working one

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.root = os.path.join(cls.session.games_root, "root")
        debs = glob.glob(os.path.join(harness.env_path("VEXAL_PACKAGE_DIR"), "vexal_*_all.deb"))
        if len(debs) != 1:
            raise AssertionError(f"not one package in VEXAL_PACKAGE_DIR but {debs}: run scripts/package first")
        out = harness.run(["dpkg-deb", "-x", debs[0], cls.root])
        if out.returncode != 0:
            raise AssertionError("dpkg-deb -x failed: " + out.stderr.decode(errors="replace"))
        cls.launcher = os.path.join(cls.root, "usr", "games", "vexal")
        cls.shell_lib = os.path.join(cls.root, "usr", "lib", "vexal", "shell")

    # ---- starting the launcher ------------------------------------------------------------

    def launch(self, label, env, args=()):
        """Starts the launcher with ENV (None drops a variable); output goes to a file, not a
        pipe, since the Wine server it starts would keep a pipe open after it ends. Without a
        PATH of its own in ENV, a recording zenity stands in for the boxes, which would
        otherwise wait for a click."""
        full = dict(self.session.base_env)
        if "PATH" not in env:
            quiet = Boxes(self.session.games_root, "zenity")
            full["PATH"] = quiet.bin + os.pathsep + full["PATH"]
        if os.environ.get("VEXAL_E2E_ARCH"):
            # The suite's forced build is the one the launcher must run.
            full["VEXAL_PLAY_ARCH"] = self.build.arch
        for key, value in env.items():
            if value is None:
                full.pop(key, None)
            else:
                full[key] = value
        output = open(os.path.join(self.session.games_root, f"{label}.out"), "w+b")
        self.addCleanup(output.close)
        process = subprocess.Popen([self.launcher, *args], env=full, stdin=subprocess.DEVNULL,
                                   stdout=output, stderr=subprocess.STDOUT)
        self.addCleanup(self.end_process, process)
        return process, output

    @staticmethod
    def end_process(process):
        if process.poll() is None:
            process.kill()
            process.wait(10)

    def end_wine(self, prefix):
        """Ends every Wine program in prefix: a launcher that was killed leaves its game running."""
        env = dict(self.session.base_env, WINEPREFIX=prefix)
        harness.run(["wineserver", "-k"], env=env)
        harness.run(["wineserver", "-w"], env=env, timeout=60)

    @staticmethod
    def text(output):
        output.seek(0)
        return output.read().decode("utf-8", errors="replace")

    def prefix_of(self, data):
        return os.path.join(data, "wine-prefix" if self.build.arch == "win32" else "wine-prefix-win64")

    def needs_mb(self):
        """What the launcher asks to be free for a first start (scripts/lib/wine-env.sh)."""
        out = harness.run(["bash", "-c", 'source "$0/wine-env.sh" && vexal_prefix_needs_mb "$1"', self.shell_lib,
                           self.build.arch])
        return int(out.stdout.decode().strip())

    def play_from_launcher(self, label, home, data, env, boxes=None):
        """Starts the game through the launcher and waits for its window; returns the Game."""
        env = dict(env, HOME=home)
        if boxes:
            env["PATH"] = boxes.bin + os.pathsep + env.get("PATH", os.environ["PATH"])
        process, output = self.launch(label, env)
        self.addCleanup(self.end_wine, self.prefix_of(data))
        try:
            self.session.wait_x_window(TITLE, FIRST_START)
        except AssertionError as missing:
            running = []
            for pid in self.wine_processes(self.prefix_of(data)):
                try:
                    with open(f"/proc/{pid}/cmdline", "rb") as f:
                        running.append(f.read().replace(b"\0", b" ").decode(errors="replace").strip())
                except OSError:
                    pass
            process.kill()
            process.wait(10)
            raise AssertionError(f"the game did not appear ({missing}); running in its prefix: {running}; "
                                 f"the launcher said:\n{self.text(output)}")
        # The probe sees the locale the launcher gave the game.
        probe_env = {"LOCPATH": os.path.join(data, "locale")} if env.get("LOCPATH") else {}
        self.session.use_prefix(self.prefix_of(data), **probe_env)
        game = Game(self.session, self.pictures, os.path.join(data, "game"), process)
        self.games.append(game)
        self.session.wait_for_window(TITLE)
        game.locate()
        game.output = output
        return game

    def assert_quits_cleanly(self, game):
        self.assertEqual(self.quit_game(game), 0, self.text(game.output))
        self.assertTrue(os.path.isdir(game.folder), "the scores folder")
        self.assertIn(f"high scores in {game.folder}", self.text(game.output))

    # ---- prefixes, disks and folders ------------------------------------------------------

    def seeded_data(self, label, table=None, under=None):
        """A player's game folder holding a working prefix, copied from one made once for the
        module as the launcher makes it, and the high-score file table when given."""
        cls = type(self)
        if cls.seed is None:
            seed = os.path.join(self.session.games_root, "seed-prefix")
            out = harness.run(["bash", "-c", 'source "$0/wine-env.sh" && vexal_wine_prefix "$1" "" "$2"',
                               self.shell_lib, seed, self.build.arch], timeout=FIRST_START,
                              env=dict(self.session.base_env))
            self.assertEqual(out.returncode, 0, out.stderr.decode(errors="replace"))
            cls.seed = seed
        data = os.path.join(under or self.session.new_game_folder(label), "vexal")
        os.makedirs(os.path.join(data, "game"))
        out = harness.run(["cp", "-a", cls.seed, self.prefix_of(data)], timeout=120)
        self.assertEqual(out.returncode, 0, out.stderr.decode(errors="replace"))
        if table is not None:
            with open(os.path.join(data, "game", "vexalrec.res"), "wb") as f:
                f.write(table)
        return data

    def mount(self, label, *options):
        """A folder with something mounted on it (mount's own arguments), undone after the test."""
        if os.geteuid() != 0:
            self.skipTest("a small or read-only disk is a mount here, which needs root")
        folder = self.session.new_game_folder(label)
        out = harness.run(["mount", *options, folder])
        if out.returncode != 0:
            self.skipTest("mount refused here: " + out.stderr.decode(errors="replace").strip())
        self.addCleanup(self.unmount, folder)
        return folder

    def small_disk(self, label, megabytes):
        return self.mount(label, "-t", "tmpfs", "-o", f"size={megabytes}m", "tmpfs")

    def read_only(self, folder):
        """Mounts folder (or a file) on itself read-only, as a disk mounted so would be."""
        if os.geteuid() != 0:
            self.skipTest("a read-only folder is a read-only mount here, which needs root")
        for options in (["--bind", folder, folder], ["-o", "remount,bind,ro", folder]):
            out = harness.run(["mount", *options])
            self.assertEqual(out.returncode, 0, out.stderr.decode(errors="replace"))
            if options[0] == "--bind":
                self.addCleanup(self.unmount, folder)

    def unmount(self, folder):
        for prefix in glob.glob(os.path.join(folder, "*", "wine-prefix*")):
            env = dict(self.session.base_env, WINEPREFIX=prefix)
            harness.run(["wineserver", "-k"], env=env)
            harness.run(["wineserver", "-w"], env=env, timeout=60)
        if harness.run(["umount", folder]).returncode != 0:
            harness.run(["umount", "-l", folder])

    def fill(self, disk):
        """Writes disk/filler until the disk is full."""
        chunk = b"\0" * (1 << 20)
        refused = None
        with open(os.path.join(disk, "filler"), "wb", buffering=0) as f:
            while chunk:
                try:
                    f.write(chunk)
                except OSError as error:
                    refused = error.errno
                    chunk = chunk[:len(chunk) // 2]
        # Not statvfs afterwards: a program that fails for want of room may free some at once.
        self.assertEqual(refused, errno.ENOSPC, "a single byte more did not fit: the disk was full")

    @staticmethod
    def wine_processes(prefix):
        """The processes that run in the Wine prefix prefix."""
        mark = f"WINEPREFIX={prefix}\0".encode()
        found = []
        for pid in os.listdir("/proc"):
            if pid.isdigit():
                try:
                    with open(f"/proc/{pid}/environ", "rb") as f:
                        if mark in f.read() + b"\0":
                            found.append(int(pid))
                except OSError:
                    pass
        return found

    def wait_for(self, what, predicate, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if predicate():
                return
            time.sleep(0.1)
        self.fail(f"{what} within {timeout}s")

    def x_windows(self, title=f"^{TITLE}$"):
        out = harness.run(["xdotool", "search", "--name", title], env=self.session.env)
        return out.stdout.decode().split()

    def assert_readable_boxes(self, boxes):
        """Every box a player can read whole: ASCII only, no line wider than the box, and
        what to do."""
        for tool, kind, text in boxes:
            self.assertTrue(text.isascii(), f"{tool} box in ASCII: {text!r}")
            for line in text.splitlines():
                self.assertLessEqual(len(line), BOX_COLUMNS, f"wrapped to the box: {line!r}")
            if kind != "busy":
                self.assertIn("What to do", text)

    # ---- starts that work -----------------------------------------------------------------

    def test_starts_from_the_unpacked_package_plays_and_quits(self):
        home = self.session.new_game_folder("home")
        data = os.path.join(home, ".local", "share", "vexal")
        boxes = Boxes(home)
        game = self.play_from_launcher("first-start", home, data, {"XDG_DATA_HOME": None}, boxes)
        # Without a terminal, messages appear when they happen, not at the game's end: the box
        # that stood while the prefix was made, and the start, before the game has ended.
        self.assertIn("starting Vexal", self.text(game.output))
        shown = boxes.shown()
        self.assertEqual([kind for _, kind, _ in shown], ["busy"], shown)
        self.assertIn("making the", shown[0][2])
        self.assert_readable_boxes(shown)
        image, board = game.stable_board("launcher-start")
        self.assertEqual(sum(v > 0 for row in board for v in row), 5, board)
        self.assertNotEqual(game.best_box(image).data, game.score_box(image).data,
                            "the default record, 100, is not the score, 0")
        self.assert_quits_cleanly(game)

        self.assertEqual(sorted(os.listdir(data)),
                         sorted(["game", "vexal.lock", os.path.basename(self.session.env["WINEPREFIX"])]))
        self.assertTrue(os.path.isfile(os.path.join(self.session.env["WINEPREFIX"], ".vexal-stamp")),
                        "the prefix was made by scripts/lib")
        # Wine's menu builder would add its own entries and file types to the player's menus.
        for folder in (os.path.join(home, ".local", "share", "applications"), os.path.join(home, ".config", "menus")):
            self.assertFalse(os.path.exists(folder), folder)

        with open(self.exe, "rb") as built, open(os.path.join(self.root, "usr", "lib", "vexal", self.build.arch,
                                                              "Vexal.exe"), "rb") as packed:
            self.assertTrue(packed.read() == built.read(), "the package holds the build's own exe")

    def test_a_home_beyond_ascii_without_the_chinese_locale(self):
        home = self.session.new_game_folder("home-cjk")
        data = os.path.join(home, "玩家数据", "vexal")
        no_locales = tempfile.mkdtemp(dir=home)
        # A table whose record is 0: the record's box then shows what the score's box shows.
        os.makedirs(os.path.join(data, "game"))
        with open(os.path.join(data, "game", "vexalrec.res"), "wb") as f:
            f.write(ZERO_TABLE)
        game = self.play_from_launcher("cjk-home", home, data, {
            "XDG_DATA_HOME": os.path.dirname(data),
            # No locale at all where glibc looks: as on a system without zh_CN.UTF-8.
            "LOCPATH": no_locales})
        image = game.shot("cjk-home")
        self.assertEqual(game.best_box(image).data, game.score_box(image).data,
                         "the record 0 was read from the game's folder: " + self.session.last_shot_path)
        self.assert_quits_cleanly(game)
        self.assertIn("making one for the game", self.text(game.output))
        self.assertTrue(os.path.isfile(os.path.join(data, "locale", "zh_CN.UTF-8", "LC_CTYPE")))

    # ---- one game per player --------------------------------------------------------------

    def test_a_second_start_brings_the_running_game_to_the_front(self):
        data = self.seeded_data("second-start", ZERO_TABLE)
        home = os.path.dirname(data)
        env = {"XDG_DATA_HOME": home}
        game = self.play_from_launcher("second-start-first", home, data, env)
        game.stable_board("running")
        window = self.x_windows()
        self.assertEqual(len(window), 1, window)
        # Without xdotool the launcher cannot raise a window: a PATH of everything else.
        no_xdotool = os.path.join(home, "no-xdotool")
        os.makedirs(no_xdotool)
        for folder in ("/usr/local/bin", "/usr/bin", "/bin"):
            for tool in os.listdir(folder) if os.path.isdir(folder) else ():
                if tool != "xdotool" and not os.path.exists(os.path.join(no_xdotool, tool)):
                    os.symlink(os.path.join(folder, tool), os.path.join(no_xdotool, tool))
        boxes = Boxes(home)
        for label, path, said, boxed in (
                ("xdotool", os.environ["PATH"], "its window was brought to the front", False),
                ("no xdotool", no_xdotool, "xdotool, which brings windows to the front, is not installed", True)):
            with self.subTest(label):
                boxes.clear()
                # A window over the game's, as another program's would be.
                x, y, w, h = game.outer
                cover = subprocess.Popen(["xmessage", "-geometry", f"{w}x{h}+{x}+{y}", "a window on top"],
                                         env=self.session.env, stdin=subprocess.DEVNULL,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.addCleanup(self.end_process, cover)
                self.wait_for("the covering window appears",
                              lambda: self.x_windows("^xmessage$") or self.x_windows("^a window on top$"), 10)
                time.sleep(0.5)
                game.shot(f"covered-{label}")
                self.assertIsNone(game.origin, "the game is covered: " + self.session.last_shot_path)
                process, output = self.launch(f"second-start-{label.replace(' ', '-')}",
                                              dict(env, HOME=home, PATH=boxes.bin + os.pathsep + path))
                self.assertEqual(process.wait(60), 0, self.text(output))
                self.assertIn(said, flat(self.text(output)))
                self.assertIn("already running", self.text(output))
                self.assertEqual(self.x_windows(), window, "no second game")
                shown = boxes.shown()
                self.assert_readable_boxes(shown)
                if boxed:
                    self.assertEqual([k for _, k, _ in shown], ["warning"], shown)
                    self.assertIn("switch to the running game", flat(shown[0][2]))
                else:
                    self.assertEqual(shown, [], "the window in front says it all")
                    time.sleep(0.5)
                    image, board = game.stable_board(f"raised-{label}")
                    self.assertEqual(sum(v > 0 for row in board for v in row), 5, "the game's board in front")
                    focus = harness.run(["xdotool", "getwindowfocus"], env=self.session.env)
                    self.assertEqual(focus.stdout.decode().split(), window, "and it has the focus")
                cover.terminate()
                cover.wait(10)
        self.assert_quits_cleanly(game)
        with open(os.path.join(data, "game", "vexalrec.res"), "rb") as f:
            self.assertEqual(f.read(), ZERO_TABLE)

    def test_concurrent_first_starts_make_the_prefix_once(self):
        home = self.session.new_game_folder("concurrent")
        data = os.path.join(home, "vexal")
        env = {"XDG_DATA_HOME": home, "HOME": home}
        starts = [self.launch(f"concurrent-{i}", env) for i in range(2)]
        self.addCleanup(self.end_wine, self.prefix_of(data))
        self.session.wait_x_window(TITLE, FIRST_START)
        self.wait_for("one start ends", lambda: any(p.poll() is not None for p, _ in starts), 60)
        ended = [(p, o) for p, o in starts if p.poll() is not None]
        self.assertEqual(len(ended), 1, "one start ends, the other plays")
        joiner, joined = ended[0]
        player, played = next((p, o) for p, o in starts if p is not joiner)
        said = flat(self.text(joined))
        self.assertEqual(joiner.returncode, 0, said)
        self.assertIn("another start of Vexal is making the game's Wine prefix", said)
        self.assertIn("waiting for it to finish", said)
        self.assertIn("its window was brought to the front", said)
        both = self.text(joined) + self.text(played)
        self.assertEqual(both.count(f"making the {self.build.arch} Wine prefix"), 1, both)
        self.assertNotIn("File exists", both)
        self.assertEqual(len(self.x_windows()), 1, "one game")

        self.session.use_prefix(self.prefix_of(data))
        game = Game(self.session, self.pictures, os.path.join(data, "game"), player)
        self.games.append(game)
        self.session.wait_for_window(TITLE)
        game.locate()
        game.output = played
        self.assert_quits_cleanly(game)

    # ---- the high-score file --------------------------------------------------------------

    def test_scores_that_cannot_be_kept_are_said_before_play(self):
        # The read-only file gets a score entered: the game shows it in its table, and the file
        # stays as it was, as the warning said. Root may write a file of mode 0444, so the file
        # is made read-only by a read-only mount of its own (scripts_machine tries the modes as
        # a user who is not root).
        for label, spoil, said, todo, score in (
                ("read-only file", lambda game: self.read_only(os.path.join(game, "vexalrec.res")),
                 "vexalrec.res is read-only", "mount it read-write", True),
                ("read-only folder", self.read_only, "cannot be written (Read-only file system)", "read-write",
                 False)):
            with self.subTest(label):
                data = self.seeded_data(f"scores-{label.replace(' ', '-')}", ZERO_TABLE)
                home = os.path.dirname(data)
                folder = os.path.join(data, "game")
                spoil(folder)
                boxes = Boxes(home)
                game = self.play_from_launcher(f"scores-{label.replace(' ', '-')}", home, data,
                                               {"XDG_DATA_HOME": home}, boxes)
                out = flat(self.text(game.output))
                self.assertIn(f"new high scores will not be kept: the", out)
                self.assertIn(said, out)
                self.assertLess(out.index("will not be kept"), out.index("starting Vexal"), "said before play")
                shown = boxes.shown()
                self.assertEqual([k for _, k, _ in shown], ["warning"], shown)
                self.assertIn(todo, flat(shown[0][2]))
                self.assert_readable_boxes(shown)
                if score:
                    self.play_until_scored(game)
                    game.point_at_panel()
                    self.session.key("F4", pause=0.5)
                    self.enter_name("Kept", unsaved=True)
                self.assert_quits_cleanly(game)
                with open(os.path.join(folder, "vexalrec.res"), "rb") as f:
                    self.assertEqual(f.read(), ZERO_TABLE, "the table as it was")
                self.assertEqual(os.listdir(folder), ["vexalrec.res"])

    # ---- broken prefixes, full disks and signals ------------------------------------------

    def make_stub(self, prefix):
        """What an earlier launcher left: system.reg deleted, then wineboot -i run on the prefix."""
        os.remove(os.path.join(prefix, "system.reg"))
        env = dict(self.session.base_env, WINEPREFIX=prefix, WINEARCH=self.build.arch, WINEDEBUG="-all",
                   WINEDLLOVERRIDES=harness.WINE_DLL_OVERRIDES, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8")
        harness.run([self.build.loader, "wineboot", "-i"], env=env, timeout=120)
        harness.run(["wineserver", "-w"], env=env, timeout=60)
        size = os.path.getsize(os.path.join(prefix, "system.reg"))
        self.assertLess(size, 64 * 1024, "Wine wrote a stub registry")

    def test_a_damaged_prefix_is_made_again(self):
        for label, damage, said in (
                ("system.reg deleted", lambda p: os.remove(os.path.join(p, "system.reg")), "system.reg is missing"),
                ("system.reg empty", lambda p: open(os.path.join(p, "system.reg"), "w").close(), "system.reg is empty"),
                ("a stub registry", self.make_stub, "system.reg holds only")):
            with self.subTest(label):
                data = self.seeded_data(f"damaged-{label.replace(' ', '-')}", ZERO_TABLE)
                home = os.path.dirname(data)
                prefix = self.prefix_of(data)
                damage(prefix)
                game = self.play_from_launcher(f"damaged-{label.replace(' ', '-')}", home, data,
                                               {"XDG_DATA_HOME": home})
                out = flat(self.text(game.output))
                self.assertIn(f"the Wine prefix {prefix} cannot be used", out)
                self.assertIn(said, out)
                self.assertIn("It is removed and made again now", out)
                self.assertIn("are kept outside the prefix and are not touched", out)
                self.assert_quits_cleanly(game)
                self.assertGreater(os.path.getsize(os.path.join(prefix, "system.reg")), 1500 * 1024)
                with open(os.path.join(data, "game", "vexalrec.res"), "rb") as f:
                    self.assertEqual(f.read(), ZERO_TABLE, "the scores kept")
                # The next start finds it whole and says nothing of it.
                game = self.play_from_launcher(f"damaged-again-{label.replace(' ', '-')}", home, data,
                                               {"XDG_DATA_HOME": home})
                self.assertNotIn("cannot be used", self.text(game.output))
                self.assert_quits_cleanly(game)

    def first_start_in_progress(self, label, home):
        """A first start under way, with its prefix begun: (process, output, data, prefix)."""
        data = os.path.join(home, "vexal")
        os.makedirs(os.path.join(data, "game"))
        with open(os.path.join(data, "game", "vexalrec.res"), "wb") as f:
            f.write(ZERO_TABLE)
        process, output = self.launch(label, {"XDG_DATA_HOME": home, "HOME": home})
        prefix = self.prefix_of(data)
        self.addCleanup(self.end_wine, prefix)
        self.wait_for("the prefix is begun", lambda: os.path.isdir(os.path.join(prefix, "drive_c", "windows")), 60)
        return process, output, data, prefix

    def assert_nothing_half_made(self, data, prefix, output):
        self.wait_for("every Wine program of the prefix has ended", lambda: not self.wine_processes(prefix), 20)
        self.assertFalse(os.path.exists(prefix), self.text(output))
        self.assertEqual(sorted(os.listdir(data)), ["game", "vexal.lock"])
        with open(os.path.join(data, "game", "vexalrec.res"), "rb") as f:
            self.assertEqual(f.read(), ZERO_TABLE, "the scores kept")

    def test_a_first_start_stopped_by_a_signal_removes_what_it_made(self):
        for sig, code in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
            with self.subTest(sig.name):
                home = self.session.new_game_folder(f"stopped-{sig.name}")
                process, output, data, prefix = self.first_start_in_progress(f"stopped-{sig.name}", home)
                # A program of the prefix that never reached the server, as a services.exe that
                # was starting when the server was told to end: wineserver -k cannot end it.
                stray = subprocess.Popen(["sleep", "600"], env=dict(self.session.base_env, WINEPREFIX=prefix),
                                         start_new_session=True)
                self.addCleanup(lambda p=stray: (p.kill(), p.wait()))
                process.send_signal(sig)
                self.assertEqual(harness.wait_exit(process, 60), code, self.text(output))
                said = flat(self.text(output))
                self.assertIn(f"the first start was stopped by {sig.name} while it made the Wine prefix {prefix}",
                              said)
                self.assertIn("the half-made prefix was removed", said)
                self.assert_nothing_half_made(data, prefix, output)

    def test_a_disk_that_fills_during_the_first_start(self):
        disk = self.small_disk("filling-disk", self.needs_mb() + 60)
        process, output, data, prefix = self.first_start_in_progress("filling-disk", disk)
        # Another program takes the rest of the disk while Wine makes the prefix.
        self.fill(disk)
        self.assertEqual(harness.wait_exit(process, FIRST_START), 1, self.text(output))
        said = flat(self.text(output))
        self.assertIn("No space left on device", said, "Wine's own words, quoted")
        self.assertIn(f"Likely cause: the disk that holds {prefix} is full", said)
        self.assertIn("The half-made prefix was removed", said)
        self.assertIn("What to do: free space on that disk", said)
        os.remove(os.path.join(disk, "filler"))
        self.assert_nothing_half_made(data, prefix, output)

    def test_a_full_disk_at_save_time_keeps_the_table(self):
        """The game cannot write its table to a full disk: the stored table stays as it was, and
        the launcher said before play that new scores would not be kept."""
        disk = self.small_disk("full-at-save", self.needs_mb() + 60)
        data = self.seeded_data("full-at-save", ZERO_TABLE, under=disk)
        self.fill(disk)
        home = self.session.new_game_folder("full-at-save-home")
        boxes = Boxes(home)
        game = self.play_from_launcher("full-at-save", home, data, {"XDG_DATA_HOME": disk}, boxes)
        self.assertIn(f"the disk that holds {os.path.join(data, 'game')} is full", flat(self.text(game.output)))
        self.play_until_scored(game)
        game.point_at_panel()
        self.session.key("F4", pause=0.5)
        self.enter_name("Full", unsaved=True)
        self.assert_quits_cleanly(game)
        with open(os.path.join(data, "game", "vexalrec.res"), "rb") as f:
            kept = f.read()
        self.assertEqual(read_table(kept), read_table(ZERO_TABLE))
        self.assertEqual(kept, ZERO_TABLE, "byte for byte")
        self.assertEqual(os.listdir(os.path.join(data, "game")), ["vexalrec.res"], "no half-written file left")

    # ---- starts that cannot work ----------------------------------------------------------

    def test_starts_that_cannot_work_are_explained(self):
        work = self.session.new_game_folder("failures")
        # A message box stands in for the terminal when there is none: these record their text.
        zenity, xmessage = Boxes(work, "zenity"), Boxes(work, "xmessage")
        scratch = os.path.join(work, "tmp")
        os.makedirs(scratch)
        base = {"HOME": work, "XDG_DATA_HOME": None, "PATH": os.environ["PATH"], "TMPDIR": scratch}
        missing = os.path.join(work, "no-such-wine")
        # No system locale, and a localedef that cannot make one, as without the package locales.
        broken = os.path.join(work, "broken")
        os.makedirs(os.path.join(broken, "locales"))
        with open(os.path.join(broken, "localedef"), "w") as f:
            f.write("#!/bin/sh\necho 'cannot open locale definition file zh_CN' >&2\nexit 4\n")
        os.chmod(os.path.join(broken, "localedef"), stat.S_IRWXU)
        no_locale = {"LOCPATH": os.path.join(broken, "locales"), "XDG_DATA_HOME": os.path.join(work, "数据"),
                     "PATH": broken + os.pathsep + base["PATH"]}
        chinese = {"LANG": "zh_CN.UTF-8", "LC_ALL": "zh_CN.UTF-8"}
        # A display now and then closes a connection it has just taken, unanswered, when another
        # client connects at the same moment: this xdpyinfo turns its first caller away so, then
        # asks the real display. The start must get past it (to the missing Wine).
        flaky, asked = os.path.join(work, "flaky"), os.path.join(work, "xdpyinfo-asked")
        os.makedirs(flaky)
        with open(os.path.join(flaky, "xdpyinfo"), "w") as f:
            f.write(f"#!/bin/sh\necho asked >>'{asked}'\n[ \"$(wc -l <'{asked}')\" -gt 1 ] || exit 1\n"
                    "exec /usr/bin/xdpyinfo \"$@\"\n")
        os.chmod(os.path.join(flaky, "xdpyinfo"), stat.S_IRWXU)
        turned_away = {"PATH": flaky + os.pathsep + base["PATH"], "VEXAL_WINE32_LOADER": missing,
                       "VEXAL_WINE64_LOADER": missing}

        def asked_again(env):
            with open(asked) as f:
                self.assertEqual(len(f.readlines()), 2, "the display asked once more")

        def read_only_disk():
            return dict(chinese, XDG_DATA_HOME=self.mount("read-only-data", "-t", "tmpfs", "-o", "ro,size=1m",
                                                          "tmpfs"))

        def small_disk():
            return {"XDG_DATA_HOME": self.small_disk("small-data", 50)}

        def nothing_made(env):
            data = os.path.join(env["XDG_DATA_HOME"], "vexal")
            self.assertEqual(sorted(os.listdir(data)), ["game", "vexal.lock"], "no prefix begun")

        for label, env, args, code, said, box, check in (
                ("help", {}, ["--help"], 0, "Usage: vexal", None, None),
                ("unknown argument", {}, ["--fast"], 2, "unknown argument '--fast'", None, None),
                ("no display", {"DISPLAY": None}, [], 1, "no X display", None, None),
                ("display gone", {"DISPLAY": ":199"}, [], 1, "does not answer", zenity, None),
                ("a display that turns its first caller away", turned_away, [], 1, "Wine is not installed",
                 zenity, asked_again),
                ("no wine", {"VEXAL_WINE32_LOADER": missing, "VEXAL_WINE64_LOADER": missing}, [], 1,
                 "Wine is not installed", zenity, None),
                ("unknown build", {"VEXAL_PLAY_ARCH": "win16"}, [], 1, "unknown build 'win16'", zenity, None),
                ("no home", {"HOME": None, "XDG_DATA_HOME": "relative/data"}, [], 1,
                 "neither XDG_DATA_HOME nor HOME", zenity, None),
                ("no locale for a home beyond ASCII", no_locale, [], 1, "is not plain ASCII", xmessage, None),
                ("a read-only data folder under a Chinese locale", read_only_disk, [], 1,
                 "Read-only file system", xmessage, None),
                ("a disk too small for the prefix", small_disk, [], 1, "it needs about", zenity, nothing_made)):
            with self.subTest(label):
                zenity.clear()
                xmessage.clear()
                env = env() if callable(env) else env
                env = dict(base, **env)
                if box:
                    env["PATH"] = box.bin + os.pathsep + env["PATH"]
                process, output = self.launch(f"failure-{label.replace(' ', '-')}", env, args)
                self.assertEqual(process.wait(60), code, self.text(output))
                text = self.text(output)
                self.assertIn(said, flat(text))
                self.assertTrue(text.isascii() or label.endswith("beyond ASCII"), f"plain ASCII: {text!r}")
                if code == 1:
                    self.assertIn("What to do:", text)
                # The box appears for a failure on a display that is there to show it.
                if box:
                    shown = box.messages()
                    self.assertEqual(len(shown), 1, shown)
                    self.assertIn(said, flat(shown[0][2]))
                    self.assert_readable_boxes(box.shown())
                self.assertEqual(zenity.shown() + xmessage.shown(), box.shown() if box else [], label)
                if check:
                    check(env)
        self.assertFalse(os.path.exists(os.path.join(work, ".local")), "no start made the game's folder")
        self.assertEqual(os.listdir(scratch), [], "the launcher leaves no temporary file behind")


if __name__ == "__main__":
    unittest.main()
