"""The harness against a minimal window of its own, so that a fault in the
plumbing (display, prefix, probe, input, exit codes) shows up here and not
as a puzzling game failure."""

import os
import signal
import subprocess
import threading
import time
import unittest

import harness

FILL = (0, 128, 255)
TITLE = "MinimalWindow"


class HarnessSelfTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        build = harness.Build()
        build.announce(cls.__module__)
        cls.exe = build.minimal
        cls.session = harness.WineSession(cls.__module__, build)
        cls.session.start()

    @classmethod
    def tearDownClass(cls):
        cls.session.stop()

    def launch(self, *args):
        folder = self.session.new_game_folder(f"{self._testMethodName}{len(args)}")
        process = self.session.launch(self.exe, folder, *args)
        self.session.wait_for_window(TITLE, timeout=30)
        return process

    def close(self, process):
        outer, client = self.session.rect(TITLE)
        self.session.click(client[0] + 10, client[1] + 10)
        self.session.key("alt+F4", pause=0.5)
        code = harness.wait_exit(process, 15)
        if code is None:
            process.kill()
            process.wait(10)
        return code

    def test_probe_rectangles_match_the_picture(self):
        process = self.launch()
        outer, client = self.session.rect(TITLE)
        self.assertEqual(outer, (202, 174, 620, 420))
        cx, cy, cw, ch = client
        image = self.session.screenshot("minimal-window")
        for x, y in ((cx, cy), (cx + cw - 1, cy), (cx, cy + ch - 1), (cx + cw - 1, cy + ch - 1)):
            self.assertEqual(image.pixel(x, y), FILL, f"client pixel {x},{y}")
        for x, y in ((cx - 1, cy), (cx, cy - 1), (cx + cw, cy + ch - 1), (cx, cy + ch)):
            self.assertNotEqual(image.pixel(x, y), FILL, f"frame pixel {x},{y}")
        self.assertEqual(self.close(process), 0)

    def test_exit_codes_reach_the_harness(self):
        for args, expected in (((), 0), (("quit-with-7",), 7)):
            with self.subTest(args=args):
                self.assertEqual(self.close(self.launch(*args)), expected)
                self.assertTrue(self.session.wait_gone(TITLE))

    def test_displays_started_at_once_are_each_a_server_of_their_own(self):
        # Modules start beside each other; the scripts' helper and the harness's must
        # never hand two of them one display.
        lib = harness.env_path("VEXAL_WINE_LIB")
        scripts = [subprocess.Popen(["bash", "-c", 'source "$0"; vexal_xvfb_start 320x200 || exit 1; '
                                     'echo "$DISPLAY $VEXAL_XVFB_PID"; read -r _; vexal_stop', lib],
                                    stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True) for _ in range(3)]
        started = []
        threads = [threading.Thread(target=lambda: started.append(harness.start_xvfb())) for _ in range(3)]
        try:
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            said = [p.stdout.readline().split() for p in scripts]
            displays = [d for _, d in started] + [s[0] for s in said if s]
            self.assertEqual(len(displays), 6, f"every server started: {displays}")
            self.assertEqual(len(set(displays)), 6, f"six displays, none shared: {displays}")
            time.sleep(0.3)
            for xvfb, display in started:
                self.assertIsNone(xvfb.poll(), f"the server of {display} is the harness's own and runs")
            for display, pid in said:
                with open(f"/proc/{pid}/stat") as stat:
                    self.assertNotEqual(stat.read().split()[2], "Z", f"the server of {display} is the script's own")
        finally:
            for xvfb, _ in started:
                xvfb.terminate()
                xvfb.wait(10)
            for p in scripts:
                p.communicate("\n", timeout=30)

    def test_the_sampler_says_when_the_display_was_held_up(self):
        # A picture due while the X server stands still may never be shown; the animation
        # tests excuse a missing one only where the sampler saw the server held up.
        from screen_sampler import ScreenSampler
        xvfb, display = harness.start_xvfb()
        try:
            sampler = ScreenSampler(display, (0, 0, 64, 64)).start()
            time.sleep(0.2)
            os.kill(xvfb.pid, signal.SIGSTOP)
            stopped = time.monotonic() - sampler.t0
            time.sleep(0.15)
            # Read before the signal: the server answers within microseconds of it, and the
            # sampler's thread may read its clock before this one does after the kill.
            resuming = time.monotonic() - sampler.t0
            os.kill(xvfb.pid, signal.SIGCONT)
            time.sleep(0.2)
            sampler.stop()
        finally:
            os.kill(xvfb.pid, signal.SIGCONT)
            xvfb.terminate()
            xvfb.wait(10)
        # The grab asked just before or after the stop is answered once the server goes on;
        # held is rounded to the millisecond, hence the half millisecond.
        self.assertTrue(any(start <= stopped + 0.05 and end >= resuming - 0.0005 and end - start >= 0.12
                            for start, end in sampler.held),
                        f"the stop from {stopped:.4f} s to {resuming:.4f} s among the grabs held up: {sampler.held}")
        self.assertGreater(stopped, 0.15, "sampling ran from start() on")

    def test_ppm_reader_rejects_bad_input(self):
        for blob in (b"", b"P5\n1 1\n255\n\0", b"P6\n2 2\n255\n\0\0\0", b"P6\n1 1\n65535\n\0\0\0\0\0\0"):
            with self.subTest(blob=blob):
                with self.assertRaises(ValueError):
                    harness.Image.from_ppm(blob)
        image = harness.Image.from_ppm(b"P6\n# c\n2 1\n255\n\x01\x02\x03\x04\x05\x06")
        self.assertEqual(image.pixel(1, 0), (4, 5, 6))


if __name__ == "__main__":
    unittest.main()
