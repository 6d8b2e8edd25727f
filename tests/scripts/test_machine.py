"""scripts/lib on machines with and without 32-bit support: the detection's
two answers, the forced choices, and a Wine that cannot start explained
rather than reported as a bare failure."""

import os
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


if __name__ == "__main__":
    unittest.main()
