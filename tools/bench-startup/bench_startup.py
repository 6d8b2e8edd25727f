"""Start-up time of Vexal.exe against a minimal Win32 window, both under Wine in
one Xvfb, one prefix and one running Wine server and desktop, so that Wine's
own start-up cost is the same for both.

For each launch it records two moments, measured from the launch:
  shown  - the program's window is mapped as an X window of the Wine desktop
           (polled with xdotool search --onlyvisible, a few milliseconds a look);
  paint  - the first screenshot of the window's rectangle that equals the
           picture it settles to (taken 2 s later): the first full paint.
           Screenshots come one after another, so this moment is known to
           within one capture interval, which is printed too.
The rounds alternate the programs; medians and their ratios to the minimal
window are printed. --vexal-nopause adds a benchmark-only build of the game
whose animation pauses return at once (cmake -DVEXAL_NO_PAUSES=ON), which
tells the opening's required pauses from the rest of the start-up."""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import harness  # noqa: E402


def window_shown(session, title):
    """True once the window is mapped (created but hidden windows do not count)."""
    out = harness.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=session.env)
    return out.returncode == 0 and out.stdout.strip() != b""


def grab(session, rect):
    x, y, w, h = rect
    out = harness.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "ppm:-"],
                      env=session.env)
    return out.stdout


def one_launch(session, exe, title, folder):
    t0 = time.monotonic()
    process = session.launch(exe, folder)
    shown = None
    while time.monotonic() - t0 < 30:
        if window_shown(session, title):
            shown = time.monotonic() - t0
            break
        time.sleep(0.01)
    if shown is None:
        process.kill()
        raise RuntimeError(f"{title} never appeared")
    outer, _ = session.rect(title)
    frames = []
    while time.monotonic() - t0 < shown + 2.5:
        frames.append((grab(session, outer), time.monotonic() - t0))
    time.sleep(0.5)
    final = grab(session, outer)
    paint = next((t for pic, t in frames if pic == final), None)
    gaps = [b[1] - a[1] for a, b in zip(frames, frames[1:])]
    process.kill()
    process.wait(10)
    session.wait_gone(title)
    return shown, paint, statistics.median(gaps) if gaps else 0.0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--vexal", required=True)
    parser.add_argument("--minimal", required=True)
    parser.add_argument("--vexal-nopause")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    programs = [("minimal", args.minimal, "MinimalWindow"), ("vexal", args.vexal, "Vexal5.2")]
    if args.vexal_nopause:
        programs.append(("nopause", args.vexal_nopause, "Vexal5.2"))
    session = harness.WineSession("bench-startup", harness.Build())
    session.start()
    results = {name: [] for name, _, _ in programs}
    try:
        folder = session.new_game_folder("bench")
        # One unmeasured launch of each warms the file cache.
        for _, exe, title in programs:
            one_launch(session, exe, title, folder)
        for _ in range(args.rounds):
            for name, exe, title in programs:
                results[name].append(one_launch(session, exe, title, folder))
    finally:
        session.stop()

    def med(name, i):
        values = [r[i] for r in results[name] if r[i] is not None]
        return statistics.median(values) if values else float("nan")

    print(f"rounds: {args.rounds}; capture interval (median): {med('vexal', 2) * 1000:.0f} ms")
    for name, _, _ in programs:
        shown = ", ".join(f"{r[0] * 1000:.0f}" for r in results[name])
        paint = ", ".join("-" if r[1] is None else f"{r[1] * 1000:.0f}" for r in results[name])
        print(f"{name:8s} shown ms: {shown}; first full paint ms: {paint}")
    for i, moment in ((0, "shown"), (1, "paint")):
        parts = [f"minimal {med('minimal', i) * 1000:.0f} ms"]
        for name, _, _ in programs[1:]:
            parts.append(f"{name} {med(name, i) * 1000:.0f} ms (ratio {med(name, i) / med('minimal', i):.2f})")
        print(f"median {moment + ':':7s}" + ", ".join(parts))


if __name__ == "__main__":
    main()
