"""The Debian package as a player meets it: unpacked into a scratch root
(dpkg -x) and started through its launcher with a scratch home, in an X
server without a Wine desktop, where the game's window is a plain X window.
The launcher makes its own Wine prefix, keeps the high-score file in its own
folder, copes with a home beyond ASCII on a system without the Chinese
locale, and explains every start that cannot work."""

import glob
import os
import stat
import subprocess
import tempfile
import unittest

import harness
from game_case import Game, GameCase, TITLE, table_bytes

# Long enough for a first start, which makes the Wine prefix.
FIRST_START = 180


class PackageLauncherTest(GameCase):
    session_class = harness.PlainSession

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

    def launch(self, label, env, args=()):
        """Starts the launcher with ENV (None drops a variable); output goes to a file, not a
        pipe, since the Wine server it starts would keep a pipe open after it ends."""
        full = dict(self.session.base_env)
        for key, value in env.items():
            if value is None:
                full.pop(key, None)
            else:
                full[key] = value
        output = open(os.path.join(self.session.games_root, f"{label}.out"), "w+b")
        self.addCleanup(output.close)
        process = subprocess.Popen([self.launcher, *args], env=full, stdin=subprocess.DEVNULL,
                                   stdout=output, stderr=subprocess.STDOUT)
        return process, output

    @staticmethod
    def text(output):
        output.seek(0)
        return output.read().decode("utf-8", errors="replace")

    def play_from_launcher(self, label, home, data, env):
        """Starts the game through the launcher and waits for its window; returns the Game."""
        env = dict(env, HOME=home)
        if os.environ.get("VEXAL_E2E_ARCH"):
            # The suite's forced build is the one the launcher must run.
            env["VEXAL_PLAY_ARCH"] = self.build.arch
        process, output = self.launch(label, env)
        try:
            self.session.wait_x_window(TITLE, FIRST_START)
        except AssertionError:
            process.kill()
            process.wait(10)
            raise AssertionError(f"the game did not appear; the launcher said:\n{self.text(output)}")
        prefix = os.path.join(data, "wine-prefix" if self.build.arch == "win32" else "wine-prefix-win64")
        # The probe sees the locale the launcher gave the game.
        probe_env = {"LOCPATH": os.path.join(data, "locale")} if env.get("LOCPATH") else {}
        self.session.use_prefix(prefix, **probe_env)
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

    def test_starts_from_the_unpacked_package_plays_and_quits(self):
        home = self.session.new_game_folder("home")
        data = os.path.join(home, ".local", "share", "vexal")
        game = self.play_from_launcher("first-start", home, data, {"XDG_DATA_HOME": None})
        image, board = game.stable_board("launcher-start")
        self.assertEqual(sum(v > 0 for row in board for v in row), 5, board)
        self.assertNotEqual(game.best_box(image).data, game.score_box(image).data,
                            "the default record, 100, is not the score, 0")
        self.assert_quits_cleanly(game)

        self.assertEqual(sorted(os.listdir(data)), sorted(["game", os.path.basename(self.session.env["WINEPREFIX"])]))
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
            f.write(table_bytes([("Launcher", 0)] * 10))
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

    def test_starts_that_cannot_work_are_explained(self):
        work = self.session.new_game_folder("failures")
        # A message box stands in for the terminal when there is none: this one records its text.
        fakes = os.path.join(work, "bin")
        os.makedirs(fakes)
        shown = os.path.join(work, "shown.txt")
        with open(os.path.join(fakes, "zenity"), "w") as f:
            f.write(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >>'{shown}'\n")
        os.chmod(os.path.join(fakes, "zenity"), stat.S_IRWXU)
        scratch = os.path.join(work, "tmp")
        os.makedirs(scratch)
        base = {"HOME": work, "XDG_DATA_HOME": None, "PATH": fakes + os.pathsep + os.environ["PATH"],
                "TMPDIR": scratch}
        missing = os.path.join(work, "no-such-wine")
        # No system locale, and a localedef that cannot make one, as without the package locales.
        broken = os.path.join(work, "broken")
        os.makedirs(os.path.join(broken, "locales"))
        with open(os.path.join(broken, "localedef"), "w") as f:
            f.write("#!/bin/sh\necho 'cannot open locale definition file zh_CN' >&2\nexit 4\n")
        os.chmod(os.path.join(broken, "localedef"), stat.S_IRWXU)
        no_locale = {"LOCPATH": os.path.join(broken, "locales"), "XDG_DATA_HOME": os.path.join(work, "数据"),
                     "PATH": broken + os.pathsep + base["PATH"]}
        for label, env, args, code, said in (
                ("help", {}, ["--help"], 0, "Usage: vexal"),
                ("unknown argument", {}, ["--fast"], 2, "unknown argument '--fast'"),
                ("no display", {"DISPLAY": None}, [], 1, "no X display"),
                ("display gone", {"DISPLAY": ":199"}, [], 1, "does not answer"),
                ("no wine", {"VEXAL_WINE32_LOADER": missing, "VEXAL_WINE64_LOADER": missing}, [], 1,
                 "Wine is not installed"),
                ("unknown build", {"VEXAL_PLAY_ARCH": "win16"}, [], 1, "unknown build 'win16'"),
                ("no home", {"HOME": None, "XDG_DATA_HOME": "relative/data"}, [], 1,
                 "neither XDG_DATA_HOME nor HOME"),
                ("no locale for a home beyond ASCII", no_locale, [], 1, "is not plain ASCII")):
            with self.subTest(label):
                if os.path.exists(shown):
                    os.remove(shown)
                process, output = self.launch(f"failure-{label.replace(' ', '-')}", dict(base, **env), args)
                self.assertEqual(process.wait(60), code, self.text(output))
                self.assertIn(said, self.text(output))
                # The box appears for a failure on a display that is there to show it.
                boxed = code == 1 and env.get("DISPLAY", "") is not None
                if boxed:
                    with open(shown) as f:
                        self.assertIn(said, f.read())
                else:
                    self.assertFalse(os.path.exists(shown), label)
        self.assertFalse(os.path.exists(os.path.join(work, ".local")), "no start made the game's folder")
        self.assertEqual(os.listdir(scratch), [], "the launcher leaves no temporary file behind")


if __name__ == "__main__":
    unittest.main()
