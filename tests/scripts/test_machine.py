"""scripts/lib on machines with and without 32-bit support: the detection's
two answers, the forced choices, and a Wine that cannot start explained
rather than reported as a bare failure; what the launcher's checks make of a
prefix's registry, and the text its message boxes get."""

import glob
import os
import shutil
import subprocess
import tempfile
import unittest

LIB = os.environ.get("VEXAL_SCRIPTS_LIB") or os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib")
WINE32 = "/usr/lib/wine/wine"


def bash(script, *args, **env):
    full = dict(os.environ)
    full.pop("VEXAL_ASSUME_NO_32BIT", None)
    full.update(env)
    return subprocess.run(["bash", "-c", script, "bash", *args], env=full, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=60)


def choose(forced="", **env):
    """(exit code, arch, why, stderr) of vexal_choose_arch."""
    out = bash(f'source "{LIB}/machine.sh"; vexal_choose_arch "$1" || exit $?; '
               'printf "%s\\n%s\\n" "$VEXAL_ARCH" "$VEXAL_WHY"', forced, **env)
    lines = out.stdout.splitlines() + ["", ""]
    return out.returncode, lines[0], lines[1], out.stderr


class MachineTest(unittest.TestCase):

    def test_detection_agrees_with_the_32bit_wine_loader(self):
        if not os.access(WINE32, os.X_OK):
            self.skipTest(f"{WINE32} is not installed here")
        loader = subprocess.run([WINE32, "--version"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                stdin=subprocess.DEVNULL, timeout=60)
        code, arch, why, _ = choose()
        self.assertEqual(code, 0)
        self.assertEqual(arch, "win32" if loader.returncode == 0 else "win64", why)

    def test_a_machine_without_32bit_code_gets_the_64bit_build(self):
        code, arch, why, _ = choose(VEXAL_ASSUME_NO_32BIT="1")
        self.assertEqual((code, arch), (0, "win64"))
        self.assertIn("VEXAL_ASSUME_NO_32BIT", why)

    def test_a_test_program_refused_is_told_in_plain_ascii_whatever_the_locale(self):
        # A program no kernel runs stands in for a kernel without 32-bit emulation.
        out = bash(f'source "{LIB}/machine.sh"; '
                   'vexal_write_elf32_probe() { printf "\\177ELF\\001\\001\\001\\000\\000broken"; }; '
                   'vexal_runs_32bit; printf "%s" "$VEXAL_WHY"', LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8")
        self.assertIn("cannot run 32-bit x86 code (a 32-bit test program gave exit code 126", out.stdout)
        self.assertTrue(out.stdout.isascii(), out.stdout)

    def test_forced_choices(self):
        for forced, no32, expect_code, expect_arch, message in (
                ("win64", "", 0, "win64", ""),
                ("win64", "1", 0, "win64", ""),
                ("win32", "1", 1, "", "use win64"),
                ("win16", "", 1, "", "unknown build 'win16'")):
            with self.subTest(forced=forced, no32=no32):
                env = {"VEXAL_ASSUME_NO_32BIT": no32} if no32 else {}
                code, arch, _, err = choose(forced, **env)
                self.assertEqual((code, arch), (expect_code, expect_arch), err)
                self.assertIn(message, err)

    def test_a_32bit_loader_that_cannot_execute_is_explained(self):
        with tempfile.TemporaryDirectory() as work:
            # What the 32-bit loader does on a kernel without 32-bit emulation.
            fake = os.path.join(work, "wine")
            with open(fake, "w") as f:
                f.write("#!/bin/sh\necho \"$0: cannot execute binary file: Exec format error\" >&2\nexit 126\n")
            os.chmod(fake, 0o755)
            out = bash(f'source "{LIB}/wine-env.sh"; vexal_wine_prefix "$1" "" win32',
                       os.path.join(work, "prefix"), VEXAL_WINE32_LOADER=fake)
        self.assertNotEqual(out.returncode, 0)
        self.assertIn("Exec format error", out.stderr, "what Wine said")
        self.assertIn("cannot run 32-bit programs", out.stderr, "the likely cause")
        self.assertIn("64-bit build", out.stderr, "what to do")

    def test_a_missing_loader_is_explained(self):
        with tempfile.TemporaryDirectory() as work:
            out = bash(f'source "{LIB}/wine-env.sh"; vexal_wine_prefix "$1" "" win64',
                       os.path.join(work, "prefix"), VEXAL_WINE64_LOADER=os.path.join(work, "no-wine64"))
        self.assertNotEqual(out.returncode, 0)
        self.assertIn("is not installed", out.stderr)
        self.assertIn("scripts/setup", out.stderr)

    def test_a_registry_that_is_missing_empty_cut_short_or_replaced(self):
        stamp = "win32 wine-8.0 1 2"
        whole = b'"MS Shell Dlg"="WenQuanYi Micro Hei"\n'.ljust(1600 * 1024, b";")
        settings = b'"ThemeActive"="0"\n'
        for label, system, user, marked, said in (
                ("whole", whole, settings, stamp, ""),
                ("system.reg missing", None, settings, stamp, "system.reg is missing"),
                ("user.reg missing", whole, None, stamp, "user.reg is missing"),
                ("system.reg empty", b"", settings, stamp, "system.reg is empty"),
                ("a stub of 10 KB", b"WINE REGISTRY Version 2\n".ljust(10000, b";"), settings, stamp,
                 "system.reg holds only 9 KB"),
                ("no stamp: a first start cut short", whole, settings, None, "cut short"),
                ("user.reg made anew by Wine", whole, b"WINE REGISTRY Version 2\n", stamp, "lacks the game's settings"),
                # A stamp of another Wine or other settings: the prefix is refreshed, not remade.
                ("an older stamp", whole, b"WINE REGISTRY Version 2\n", "win32 wine-7.0 1 2", "")):
            with self.subTest(label), tempfile.TemporaryDirectory() as prefix:
                for name, data in (("system.reg", system), ("user.reg", user)):
                    if data is not None:
                        with open(os.path.join(prefix, name), "wb") as f:
                            f.write(data)
                if marked:
                    with open(os.path.join(prefix, ".vexal-stamp"), "w") as f:
                        f.write(marked + "\n")
                out = bash(f'source "{LIB}/wine-env.sh"; vexal_prefix_damage "$1" "$2"', prefix, stamp)
                self.assertEqual(out.returncode, 0, out.stderr)
                self.assertIn(said, out.stdout)
                self.assertEqual(out.stdout == "", said == "", out.stdout)

    def test_scores_that_cannot_be_kept_are_told_by_the_modes_of_file_and_folder(self):
        """As a player who is not root: root may write what its modes forbid."""
        as_player = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if os.geteuid() == 0 else []
        lib = LIB
        if as_player:
            # The checkout may lie in a folder only its owner may enter: the player gets a copy it may read.
            copy = tempfile.TemporaryDirectory()
            self.addCleanup(copy.cleanup)
            os.chmod(copy.name, 0o755)
            lib = os.path.join(copy.name, "lib")
            shutil.copytree(LIB, lib)
            for folder, _, names in os.walk(lib):
                os.chmod(folder, 0o755)
                for name in names:
                    os.chmod(os.path.join(folder, name), 0o644)
        for label, file_mode, folder_mode, said in (
                ("both writable", 0o644, 0o755, ""),
                ("no file yet", None, 0o755, ""),
                ("a read-only file", 0o444, 0o755, "vexalrec.res is read-only. "),
                # The game then writes into the file itself.
                ("a folder that takes no new file", 0o644, 0o555, ""),
                ("a folder that takes no file, and none there", None, 0o555, "cannot be written (Permission denied)"),
                ("neither", 0o444, 0o555, "cannot be written (Permission denied)")):
            with self.subTest(label), tempfile.TemporaryDirectory() as work:
                folder = os.path.join(work, "game")
                os.mkdir(folder)
                if file_mode is not None:
                    with open(os.path.join(folder, "vexalrec.res"), "wb") as f:
                        f.write(b"\0" * 160)
                    os.chmod(os.path.join(folder, "vexalrec.res"), file_mode)
                if as_player:
                    for path in (work, folder, *glob.glob(os.path.join(folder, "*"))):
                        os.chown(path, 65534, 65534)
                os.chmod(folder, folder_mode)
                out = subprocess.run([*as_player, "bash", "-c", f'source "{lib}/launch.sh"; vexal_check_scores vexal "$1"',
                                      "bash", folder], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, timeout=60,
                                     # No display: the warning goes to stderr, not into a box.
                                     env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
                self.assertEqual(out.returncode, 0, out.stderr)
                if said:
                    self.assertIn("new high scores will not be kept", out.stderr)
                    self.assertIn(said, out.stderr)
                    self.assertIn("What to do: ", out.stderr)
                    if "read-only" in said:
                        self.assertIn("chmod u+w", out.stderr)
                else:
                    self.assertEqual(out.stderr, "")
                self.assertEqual(sorted(os.listdir(folder)), ["vexalrec.res"] if file_mode is not None else [],
                                 "the check leaves nothing behind")

    def test_message_box_text_is_ascii_and_fits_the_box(self):
        long_path = "/home/player/" + "a" * 100 + "/vexal"
        for label, text, shown_as in (
                ("short", "vexal: starting", "vexal: starting"),
                ("long words", "vexal: " + "word " * 40, "vexal: " + "word " * 40),
                ("curly quotes", "vexal: it said \u2018no\u2019", "vexal: it said 'no'"),
                ("a folder in Chinese", "vexal: in /home/\u73a9\u5bb6/vexal", "vexal: in /home/??/vexal"),
                ("a path longer than the box", f"vexal: in {long_path} now", f"vexal: in {long_path} now"),
                ("not UTF-8", "vexal: b\udcffad", "vexal: b?ad")):
            with self.subTest(label):
                data = text.encode("utf-8", errors="surrogateescape")
                out = subprocess.run(["bash", "-c", f'source "{LIB}/launch.sh"; vexal_box_text'], input=data,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
                shown = out.stdout.decode("ascii")
                lines = shown.splitlines()
                self.assertTrue(lines, out.stderr)
                for line in lines:
                    self.assertLessEqual(len(line), 72, line)
                # Only the white space differs: nothing of the text is lost.
                self.assertEqual("".join(shown.split()), "".join(shown_as.split()), shown)

    def test_a_wrapped_line_keeps_its_indentation(self):
        text = "vexal: first line\n  What to do: " + "mend it " * 20
        out = subprocess.run(["bash", "-c", f'source "{LIB}/launch.sh"; vexal_box_text'], input=text.encode(),
                             stdout=subprocess.PIPE, timeout=60)
        lines = out.stdout.decode().splitlines()
        self.assertEqual(lines[0], "vexal: first line")
        self.assertTrue(lines[1].startswith("  What to do: mend it"), lines)
        self.assertTrue(all(line.startswith("    mend") or line.startswith("    it") for line in lines[2:]), lines)


if __name__ == "__main__":
    unittest.main()
