#!/usr/bin/env python3
"""Plays N whole games back to back, the player bot checking every move
(player_bot), and reports the moves, lines, points, games and failures and the
program's memory at the start, after the first game and at the end. Not part
of the suite.

    tests/e2e/soak.py N          one Wine session and one running Vexal.exe;
                                 memory: its resident set
    tests/e2e/soak.py --page N   one page (build/web/vexal.html) in headless
                                 Chromium; memory: the WebAssembly memory and
                                 the JavaScript heap after a garbage collection

(after scripts/test has built the trees). It keeps its Wine prefix and the last
screenshots under build/soak/. A failed check is counted and reported, and play
goes on in a fresh process (for the page, a fresh load)."""

import os
import signal
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import harness  # noqa: E402

harness.shell_environment(os.path.join(harness.ROOT, "build", "soak"))

import board_reader  # noqa: E402
import page_session  # noqa: E402
import player_bot  # noqa: E402
import score_reader  # noqa: E402
from game_case import DEFAULT_TABLE, NAME_DIALOG, TABLE_DIALOG, TITLE, Game  # noqa: E402


def resident_kib(session, process):
    """{"VmRSS": KiB} of the process that runs Vexal.exe."""
    pid = harness.program_pid(process, "Vexal.exe")
    return {"VmRSS": harness.usage(pid)[0]} if pid else {}


def page_kib(session, process):
    """{"WebAssembly": KiB, "JS heap": KiB, "JS heap allocated": KiB}: the program's linear
    memory, and the page's JavaScript heap in use once its garbage has been collected, and
    as allocated."""
    page = session.page
    page.send("HeapProfiler.collectGarbage")
    page.send("Performance.enable")
    metrics = {m["name"]: m["value"] for m in page.send("Performance.getMetrics")["metrics"]}
    return {"WebAssembly": page.evaluate("vexalPage.memory().buffer.byteLength") // 1024,
            "JS heap": page.send("Runtime.getHeapUsage")["usedSize"] // 1024,
            "JS heap allocated": int(metrics["JSHeapTotalSize"]) // 1024}


def accept_preset(session):
    """Answers the high-score check as a hurried player: the preset name, then OK on the table."""
    def answer(preset):
        session.wait_for_window(NAME_DIALOG, timeout=20)
        session.key("Return", pause=0.6)
        session.wait_for_window(TABLE_DIALOG)
        session.key("Return", pause=0.5)
        if not session.wait_gone(TABLE_DIALOG):
            raise AssertionError("the table dialog stays open")
        return preset
    return answer


class Soak:
    def __init__(self, games, page=False):
        self.games = games
        if page:
            self.build = page_session.PageBuild()
            self.session = page_session.PageSession("soak-page", self.build)
            self.measure = page_kib
            self.run_name = "load of the page"
        else:
            self.build = harness.Build()
            self.session = harness.WineSession("soak", self.build)
            self.measure = resident_kib
            self.run_name = "process"
        self.exe = self.build.require_exe()
        sheet = harness.read_sheet(os.environ["VEXAL_SPRITES"])
        self.pictures = board_reader.CellPictures(sheet)
        self.race = score_reader.Race(sheet)
        self.session.keep_last = 40
        self.failures = []
        self.memory = []  # (process number, games played in it, {figure: KiB})
        self.tally = player_bot.Tally()

    def launch(self, number):
        folder = self.session.new_game_folder(f"process-{number}")
        process = self.session.launch(self.exe, folder)
        self.session.wait_for_window(TITLE, timeout=30)
        time.sleep(0.8)
        game = Game(self.session, self.pictures, folder, process)
        game.locate()
        return game

    def run(self):
        started = time.time()
        try:
            self.session.start()
            digits, _ = player_bot.learn_digits(self.session, self.exe, "Soak")
            number, played = 1, 0
            game = self.launch(number)
            player = player_bot.Player(game, digits, self.race, seed=number, table=DEFAULT_TABLE)
            player.start()
            self.memory.append((number, 0, self.measure(self.session, game.process)))
            while played < self.games:
                try:
                    player.play_game()
                    player.finish(accept_preset(self.session))
                    played += 1
                    self.memory.append((number, player.tally.games, self.measure(self.session, game.process)))
                    print(f"game {played}: {player.tally.moves} moves, {player.tally.lines} lines, "
                          f"{player.tally.points} points so far; {self.memory_text(self.memory[-1][2])}; "
                          f"{(time.time() - started) / 60:.1f} min", flush=True)
                except AssertionError as fault:
                    played += 1
                    self.failures.append(f"game {played}: {fault}")
                    print(f"game {played} FAILED: {fault}", flush=True)
                    self.add(player.tally)
                    game.process.kill()
                    game.process.wait(10)
                    self.session.wait_gone(TITLE)
                    number += 1
                    game = self.launch(number)
                    player = player_bot.Player(game, digits, self.race, seed=number, table=DEFAULT_TABLE)
                    player.start()
                    self.memory.append((number, 0, self.measure(self.session, game.process)))
            self.add(player.tally)
            game.process.kill()
            game.process.wait(10)
        finally:
            self.session.stop()
        self.report(time.time() - started)
        return 1 if self.failures else 0

    def add(self, tally):
        for field in ("moves", "lines", "points", "games"):
            setattr(self.tally, field, getattr(self.tally, field) + getattr(tally, field))

    @staticmethod
    def memory_text(figures):
        return ", ".join(f"{name} {kib} KiB" for name, kib in figures.items()) or "memory unknown"

    def report(self, seconds):
        t = self.tally
        print(f"soak: {self.build.arch} build, {self.games} games asked, {t.games} played to the end, "
              f"{t.moves} moves checked, {t.lines} lines, {t.points} points, {len(self.failures)} failures, "
              f"{seconds / 60:.1f} min")
        last = [figures for n, g, figures in self.memory if n == self.memory[-1][0]]
        if len(last) >= 2:
            for name in last[0]:
                values = [figures[name] for figures in last if name in figures]
                if len(values) < 2:
                    continue
                print(f"soak: {name} in the last {self.run_name}: {values[0]} KiB at the start, {values[1]} KiB after "
                      f"its first game, {values[-1]} KiB at the end (ratio to after the first game "
                      f"{values[-1] / values[1]:.3f}); lowest {min(values[1:])}, highest {max(values[1:])} KiB "
                      f"after each of its {len(values) - 1} games")
        for failure in self.failures:
            print("soak: " + failure)


def main():
    args = sys.argv[1:]
    page = args[:1] == ["--page"]
    if page:
        args = args[1:]
    if len(args) != 1 or not args[0].isdigit() or int(args[0]) < 1:
        print("usage: tests/e2e/soak.py [--page] N   (N whole games, N >= 1)", file=sys.stderr)
        return 2
    # Stopped from outside, it still ends its Wine session and its X server, or its browser.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    return Soak(int(args[0]), page).run()


if __name__ == "__main__":
    sys.exit(main())
