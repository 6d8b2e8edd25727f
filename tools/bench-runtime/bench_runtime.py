"""Memory and CPU of Vexal.exe under Wine against a minimal Win32 window, both in
one Xvfb, one prefix and one running Wine server and desktop. Each program is
started and left to settle; then, over a fixed interval, the CPU time of its
Linux process (utime + stime from /proc/PID/stat) and its resident set at the
end (VmRSS) are read: for the minimal window and the game at rest, and for the
game with a ball selected, which its 50 ms timer redraws in the next bounce
frame. Each measurement is repeated and the medians are printed with their
ratios to the minimal window."""

import argparse
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import board_reader  # noqa: E402
import harness  # noqa: E402

SETTLE = 2.0


def measure(pid, seconds):
    """(resident KiB at the end, CPU in per cent of one core) over the interval."""
    _, before = harness.usage(pid)
    time.sleep(seconds)
    rss, after = harness.usage(pid)
    return rss, (after - before) / os.sysconf("SC_CLK_TCK") / seconds * 100


def start(session, exe, title, folder):
    process = session.launch(exe, folder)
    session.wait_for_window(title, timeout=30)
    time.sleep(SETTLE)
    pid = harness.program_pid(process, os.path.basename(exe))
    if pid is None:
        process.kill()
        raise RuntimeError(f"no process runs {exe}")
    return process, pid


def stop(session, process, title):
    process.kill()
    process.wait(10)
    session.wait_gone(title)


def select_a_ball(session, sheet):
    """Clicks the first ball of the board, found on a screenshot."""
    _, client = session.rect("Vexal5.2")
    image = session.screenshot("vexal")
    origin = board_reader.find_board(image, client)
    board = board_reader.read_board(image, origin, board_reader.CellPictures(sheet))
    column, row = next((c, r) for r in range(9) for c in range(9) if board[r][c] > 0)
    session.click(*board_reader.cell_centre(origin, column, row), pause=SETTLE)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--vexal", required=True)
    parser.add_argument("--minimal", required=True)
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    sheet = harness.read_sheet(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res",
                                            "sprites.gif"))
    session = harness.WineSession("bench-runtime", harness.Build())
    session.start()
    results = {"minimal": [], "vexal idle": [], "vexal bouncing": []}
    try:
        folder = session.new_game_folder("bench")
        for _ in range(args.rounds):
            process, pid = start(session, args.minimal, "MinimalWindow", folder)
            results["minimal"].append(measure(pid, args.seconds))
            stop(session, process, "MinimalWindow")
            process, pid = start(session, args.vexal, "Vexal5.2", folder)
            results["vexal idle"].append(measure(pid, args.seconds))
            select_a_ball(session, sheet)
            results["vexal bouncing"].append(measure(pid, args.seconds))
            stop(session, process, "Vexal5.2")
    finally:
        session.stop()

    print(f"{args.rounds} rounds of {args.seconds:.0f} s each; CPU in per cent of one core")
    base_rss = statistics.median(r for r, _ in results["minimal"])
    base_cpu = statistics.median(c for _, c in results["minimal"])
    for name, values in results.items():
        rss = statistics.median(r for r, _ in values)
        cpu = statistics.median(c for _, c in values)
        cpu_ratio = f"{cpu / base_cpu:.1f}" if base_cpu > 0 else "n/a (the minimal window used none)"
        print(f"{name:15s} VmRSS {rss:7.0f} KiB (ratio {rss / base_rss:.2f}), CPU {cpu:5.2f} % "
              f"(ratio {cpu_ratio}); rounds: " + ", ".join(f"{r} KiB {c:.2f} %" for r, c in values))


if __name__ == "__main__":
    main()
