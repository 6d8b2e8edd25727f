#!/usr/bin/env python3
"""Plays N whole games back to back in one Wine session and one running
Vexal.exe, the player bot checking every move (player_bot), and reports the
moves, lines, points, games and failures, and the program's memory (resident
set) at the start, after the first game and at the end. Not part of the suite.

    tests/e2e/soak.py N          (after scripts/test has built the three trees)

It keeps its own Wine prefix and the last screenshots under build/soak/. A
failed check is counted and reported, and play goes on in a fresh process."""

import os
import signal
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))


def default_environment():
    """What CTest gives the suite, for a run from the shell."""
    native = os.path.join(ROOT, "build", "native", "tests", "e2e")
    defaults = {
        "VEXAL_E2E_WORK": os.path.join(ROOT, "build", "soak"),
        "VEXAL_E2E_ARTIFACTS": os.path.join(ROOT, "build", "soak", "artifacts"),
        "VEXAL_SPRITES": os.path.join(ROOT, "res", "sprites.gif"),
        "VEXAL_WINE_LIB": os.path.join(ROOT, "scripts", "lib", "wine-env.sh"),
    }
    for arch in ("win32", "win64"):
        defaults[f"VEXAL_EXE_{arch.upper()}"] = os.path.join(ROOT, "build", arch, "Vexal.exe")
        defaults[f"VEXAL_PROBE_{arch.upper()}"] = os.path.join(native, arch, "win_probe.exe")
        defaults[f"VEXAL_MINIMAL_{arch.upper()}"] = os.path.join(native, arch, "minimal_window.exe")
    for name, value in defaults.items():
        os.environ.setdefault(name, value)
    os.makedirs(os.environ["VEXAL_E2E_WORK"], exist_ok=True)


default_environment()
sys.path.insert(0, HERE)

import board_reader  # noqa: E402
import harness  # noqa: E402
import player_bot  # noqa: E402
import score_reader  # noqa: E402
from game_case import DEFAULT_TABLE, NAME_DIALOG, TABLE_DIALOG, TITLE, Game  # noqa: E402


def resident_kib(process):
    pid = harness.program_pid(process, "Vexal.exe")
    return harness.usage(pid)[0] if pid else None


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
    def __init__(self, games):
        self.games = games
        self.build = harness.Build()
        self.exe = self.build.require_exe()
        sheet = harness.read_sheet(os.environ["VEXAL_SPRITES"])
        self.pictures = board_reader.CellPictures(sheet)
        self.race = score_reader.Race(sheet)
        self.session = harness.WineSession("soak", self.build)
        self.session.keep_last = 40
        self.failures = []
        self.memory = []  # (process number, games played in it, KiB)
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
        self.session.start()
        started = time.time()
        try:
            digits, _ = player_bot.learn_digits(self.session, self.exe, "Soak")
            number, played = 1, 0
            game = self.launch(number)
            player = player_bot.Player(game, digits, self.race, seed=number, table=DEFAULT_TABLE)
            player.start()
            self.memory.append((number, 0, resident_kib(game.process)))
            while played < self.games:
                try:
                    player.play_game()
                    player.finish(accept_preset(self.session))
                    played += 1
                    self.memory.append((number, player.tally.games, resident_kib(game.process)))
                    print(f"game {played}: {player.tally.moves} moves, {player.tally.lines} lines, "
                          f"{player.tally.points} points so far; {self.memory[-1][2]} KiB", flush=True)
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
                    self.memory.append((number, 0, resident_kib(game.process)))
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

    def report(self, seconds):
        t = self.tally
        print(f"soak: {self.build.arch} build, {self.games} games asked, {t.games} played to the end, "
              f"{t.moves} moves, {t.lines} lines, {t.points} points, {len(self.failures)} failures, "
              f"{seconds / 60:.1f} min")
        first = [kib for n, g, kib in self.memory if n == self.memory[-1][0]]
        if len(first) >= 2:
            print(f"soak: memory (VmRSS) of the last process: {first[0]} KiB at the start, "
                  f"{first[1]} KiB after its first game, {first[-1]} KiB at the end; "
                  f"lowest {min(first)}, highest {max(first)} KiB over {len(first) - 1} games")
        for failure in self.failures:
            print("soak: " + failure)


def main():
    if len(sys.argv) != 2 or not sys.argv[1].isdigit() or int(sys.argv[1]) < 1:
        print("usage: tests/e2e/soak.py N   (N whole games, N >= 1)", file=sys.stderr)
        return 2
    # Stopped from outside, it still ends its Wine session and its X server.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    return Soak(int(sys.argv[1])).run()


if __name__ == "__main__":
    sys.exit(main())
