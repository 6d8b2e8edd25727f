#!/usr/bin/env python3
"""Figures of the page, each a ratio within one run:

  size     its size, raw and gzip-compressed, against Vexal.exe;
  paint    the load to the first full paint against the 500 ms of pauses the
           opening requires (five balls, two 50 ms frames each), and the memory
           it holds after start-up (WebAssembly memory, JavaScript heap where the
           engine's driver tells it), in each engine;
  decode   the sheet's decoding in WebAssembly (the decoder alone, built as the
           page's program is: build/web/tools/bench-page/vexal_bench_decoder.wasm)
           against the native build of the same decoder (vexal-bench-image), in
           each engine;
  pacing   the ball's travel: the interval between the cells it is seen on, in
           the page and in Vexal.exe under Wine, both sampled every few
           milliseconds, against the game's 50 ms a cell.

    tools/bench-page/bench-page.py [--parts size,paint,decode,pacing] [--engines chromium,firefox,webkit]
                                   [--rounds N] [--moves N] [PAGE] [EXE]

PAGE defaults to build/web/vexal.html, EXE (for the size) to build/win32/Vexal.exe; the pacing
keeps a Wine prefix of its own under build/bench-page/."""

import argparse
import base64
import gzip
import json
import os
import statistics
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import browser  # noqa: E402
import harness  # noqa: E402

REQUIRED_PAUSES_MS = 500
CELL_MS = 50
PARTS = ("size", "paint", "decode", "pacing")
DECODER_WASM = os.path.join(root, "build", "web", "tools", "bench-page", "vexal_bench_decoder.wasm")
NATIVE_BENCH = os.path.join(root, "build", "native", "tools", "bench-image", "vexal-bench-image")


def require(path, how):
    if not os.path.isfile(path):
        sys.exit(f"bench-page: {path} is missing: {how}")


def sizes(args):
    page_bytes = open(args.page, "rb").read()
    exe_bytes = open(args.exe, "rb").read()
    page_gz = len(gzip.compress(page_bytes, 9, mtime=0))
    exe_gz = len(gzip.compress(exe_bytes, 9, mtime=0))
    print("| file | bytes | gzip -9 | ratio to Vexal.exe (raw, gzip) |")
    print("|---|---|---|---|")
    print(f"| {os.path.basename(args.exe)} | {len(exe_bytes):,} | {exe_gz:,} | 1, 1 |")
    print(f"| {os.path.basename(args.page)} | {len(page_bytes):,} | {page_gz:,} | "
          f"{len(page_bytes) / len(exe_bytes):.2f}, {page_gz / exe_gz:.2f} |")


def paint_and_memory(args):
    print(f"| load to first full paint, {args.rounds} loads | median | worst | ratio to the "
          f"{REQUIRED_PAUSES_MS} ms of required pauses | WebAssembly memory | JavaScript heap |")
    print("|---|---|---|---|---|---|")
    for engine in args.engines:
        b = browser.start(name=engine)
        try:
            tab = b.page()
            paints, wasm, heap = [], [], []
            url = "file://" + os.path.abspath(args.page)
            for _ in range(args.rounds):
                tab.navigate("about:blank")
                tab.navigate(url)
                tab.wait_for("window.vexalPage && vexalPage.facts.firstPaint > 0", timeout=30)
                # firstPaint is on the page's clock, whose zero is the navigation's start.
                paints.append(tab.evaluate("vexalPage.facts.firstPaint"))
                wasm.append(tab.evaluate("vexalPage.memory().buffer.byteLength"))
                if "devtools" in tab.sees:
                    heap.append(tab.send("Runtime.getHeapUsage")["usedSize"])
            version = b.version
        finally:
            b.close()
        median = statistics.median(paints)
        heap_text = f"{statistics.median(heap) / 1024:.0f} KiB" if heap else "not told"
        print(f"| {engine} {version} | {median:.0f} ms | {max(paints):.0f} ms | {median / REQUIRED_PAUSES_MS:.2f} | "
              f"{statistics.median(wasm) / 1024:.0f} KiB | {heap_text} |")


# Times batches of decodings in the browser, after enough of them for the engine's optimising tier.
DECODE_JS = """(async (wasm, batches, runs) => {
  const bytes = Uint8Array.from(atob(wasm), (c) => c.charCodeAt(0));
  const { instance } = await WebAssembly.instantiate(bytes, {});
  const decode = instance.exports.DecodeSheet;
  const pixels = decode(runs * 2);
  const times = [];
  for (let i = 0; i < batches; ++i) {
    const t0 = performance.now();
    decode(runs);
    times.push((performance.now() - t0) * 1000 / runs);
  }
  return { pixels, times };
})"""


def decoding(args):
    require(DECODER_WASM, "build the page's tree first (cmake --build build/web)")
    require(NATIVE_BENCH, "build the native tree first (cmake --build build/native)")
    native = subprocess.run([NATIVE_BENCH, "--benchmark_filter=OursDecode", "--benchmark_repetitions=5",
                             "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
                            capture_output=True, text=True, check=True)
    rows = {r["name"]: r for r in json.loads(native.stdout)["benchmarks"]}
    median = rows["OursDecode_median"]
    scale = {"ns": 1e-3, "us": 1, "ms": 1e3}[median["time_unit"]]
    native_us, native_pixels = median["real_time"] * scale, int(median["pixels"])

    wasm = base64.b64encode(open(DECODER_WASM, "rb").read()).decode()
    print("| the decoder (`DecodeImagePixels`), the 511 × 585 sheet from memory | median | ratio |")
    print("|---|---|---|")
    print(f"| native (vexal-bench-image, 5 repetitions) | {native_us:.0f} µs | 1 |")
    for engine in args.engines:
        b = browser.start(name=engine)
        try:
            found = b.page().evaluate(f"{DECODE_JS}({json.dumps(wasm)}, 5, 20)", timeout=300)
            version = b.version
        finally:
            b.close()
        if found["pixels"] != native_pixels:
            sys.exit(f"bench-page: the WebAssembly decoder gave {found['pixels']} pixels in {engine}, "
                     f"the native one {native_pixels}")
        wasm_us = statistics.median(found["times"])
        print(f"| WebAssembly in {engine} {version} (5 batches of 20) | {wasm_us:.0f} µs | {wasm_us / native_us:.2f} |")


def travel_intervals(frames, board, source, target, steps):
    """The milliseconds between the times the travelling ball is first seen on the cells of
    consecutive steps of its route."""
    from board_reader import distances
    colour = board[source[1]][source[0]]
    from_source, to_target = distances(board, source), distances(board, target)
    arrival = next((t for t, (c, _) in frames.history(*target) if c == colour), None)
    if arrival is None:
        return []
    seen = {steps: arrival}
    for cell, d in from_source.items():
        if 0 < d < steps and d + to_target.get(cell, 99) == steps:
            shown = [t for t, (c, row) in frames.history(*cell) if c == colour and row < 6 and t < arrival]
            if shown:
                seen[d] = min(shown[0], seen.get(d, shown[0]))
    return [1000 * (seen[d + 1] - seen[d]) for d in sorted(seen) if d + 1 in seen]


# The page's pauses as its own clock times them: each 50 ms timeout from the moment it is set to
# the moment it fires.
PAUSE_CLOCK_JS = """(() => { const plain = window.setTimeout; window.vexalPauses = [];
  window.setTimeout = (f, ms, ...rest) => { const t0 = performance.now();
    return plain(() => { if (ms === 50) vexalPauses.push(performance.now() - t0); f(...rest); }, ms); }; })();"""


def pace(session, exe, pictures, moves, clocked=False):
    """Intervals (ms) between cells seen, grabs a second, and with clocked (the page) the 50 ms
    pauses of as many moves again played unsampled, on the page's clock."""
    import game_case
    import test_animation
    from board_reader import FRAME
    from screen_sampler import Frames
    session.start()
    try:
        if clocked:
            session.page.add_init_script(PAUSE_CLOCK_JS)
        folder = session.new_game_folder("pacing")
        process = session.launch(exe, folder)
        session.wait_for_window(game_case.TITLE, timeout=30)
        time.sleep(0.8)
        game = game_case.Game(session, pictures, folder, process)
        game.locate()
        intervals, rates, pauses = [], [], []
        for move in range(2 * moves if clocked else moves):
            session.wait_turn_over()
            _, board = game.stable_board("before")
            source, target, steps = test_animation.longest_move(board)
            settle = steps * CELL_MS / 1000 + 0.8
            if move >= moves:
                session.page.evaluate("vexalPauses.length = 0")
                game.move(source, target, settle=settle)
                pauses += session.page.evaluate("vexalPauses")
                continue
            # The board alone: in the page the sampler runs on the program's own thread.
            board_area = (game.origin[0] - game.client[0], game.origin[1] - game.client[1], FRAME, FRAME)
            sampler = session.sampler(game.client, board_area).start()
            t0 = time.monotonic()
            game.move(source, target, settle=settle)
            sampled = time.monotonic() - t0  # before stop(), whose copying out takes a while
            samples = sampler.stop()
            rates.append(sampler.grabs / sampled)
            intervals += travel_intervals(Frames(game, samples), board, source, target, steps)
        process.kill()
        process.wait(10)
        return intervals, statistics.median(rates), pauses
    finally:
        session.stop()


def interval_row(name, intervals, rate):
    if not intervals:
        return f"| {name} | 0 | — | — | — | {rate} |"
    median, worst = statistics.median(intervals), max(intervals)
    return (f"| {name} | {len(intervals)} | {median:.1f} ms | {worst:.1f} ms | "
            f"{median / CELL_MS:.2f}, {worst / CELL_MS:.2f} | {rate} |")


def pacing(args):
    harness.shell_environment(os.path.join(root, "build", "bench-page"))
    import board_reader
    import page_session
    os.environ["VEXAL_PAGE"] = os.path.abspath(args.page)
    pictures = board_reader.CellPictures(harness.read_sheet(os.environ["VEXAL_SPRITES"]))
    wine_build = harness.Build()
    sides = [(f"Vexal.exe ({wine_build.arch}) under Wine", harness.WineSession("pacing", wine_build),
              wine_build.require_exe()),
             ("the page in Chromium", page_session.PageSession("pacing-page", page_session.PageBuild()), args.page)]
    print(f"| travel, {args.moves} longest moves | cells | median interval | worst | "
          f"ratio to {CELL_MS} ms (median, worst) | samples a second |")
    print("|---|---|---|---|---|---|")
    for name, session, exe in sides:
        clocked = isinstance(session, page_session.PageSession)
        intervals, rate, pauses = pace(session, exe, pictures, args.moves, clocked)
        print(interval_row(name, intervals, f"{rate:.0f}"))
        if clocked:
            print(interval_row(f"the page's 50 ms pauses on its own clock, {args.moves} more moves unsampled",
                               pauses, "—"))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("page", nargs="?", default=os.path.join(root, "build", "web", "vexal.html"))
    parser.add_argument("exe", nargs="?", default=os.path.join(root, "build", "win32", "Vexal.exe"))
    parser.add_argument("--parts", default=",".join(PARTS), help="which figures, of " + ", ".join(PARTS))
    parser.add_argument("--engines", default=",".join(browser.ENGINES),
                        help="the engines of the paint and the decoding, of " + ", ".join(browser.ENGINES))
    parser.add_argument("--rounds", type=int, default=5, help="page loads for the first paint")
    parser.add_argument("--moves", type=int, default=4, help="moves on each side for the pacing")
    args = parser.parse_args()
    parts = args.parts.split(",")
    args.engines = args.engines.split(",")
    if not args.engines or any(e not in browser.ENGINES for e in args.engines):
        parser.error(f"--engines takes some of {', '.join(browser.ENGINES)}")
    if not parts or any(p not in PARTS for p in parts):
        parser.error(f"--parts takes some of {', '.join(PARTS)}")
    for path in (args.page, args.exe):
        require(path, "build it first (scripts/test or scripts/play web)")
    for i, part in enumerate(p for p in PARTS if p in parts):
        if i:
            print()
        {"size": sizes, "paint": paint_and_memory, "decode": decoding, "pacing": pacing}[part](args)


if __name__ == "__main__":
    main()
