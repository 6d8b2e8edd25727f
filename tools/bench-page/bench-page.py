#!/usr/bin/env python3
"""Figures of the page, each a ratio within one run: its size, raw and
gzip-compressed, against Vexal.exe; the load to the first full paint against
the 500 ms of pauses the opening requires (five balls, two 50 ms frames each);
the memory it holds after start-up (WebAssembly memory, JavaScript heap).

    tools/bench-page/bench-page.py [--rounds N] [PAGE] [EXE]

PAGE defaults to build/web/vexal.html, EXE to build/win32/Vexal.exe."""

import argparse
import gzip
import os
import statistics
import sys

root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import browser  # noqa: E402

REQUIRED_PAUSES_MS = 500


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("page", nargs="?", default=os.path.join(root, "build", "web", "vexal.html"))
    parser.add_argument("exe", nargs="?", default=os.path.join(root, "build", "win32", "Vexal.exe"))
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    for path in (args.page, args.exe):
        if not os.path.isfile(path):
            sys.exit(f"bench-page: {path} is missing: build it first (scripts/test or scripts/play web)")

    page_bytes = open(args.page, "rb").read()
    exe_bytes = open(args.exe, "rb").read()
    page_gz = len(gzip.compress(page_bytes, 9, mtime=0))
    exe_gz = len(gzip.compress(exe_bytes, 9, mtime=0))
    print("| file | bytes | gzip -9 | ratio to Vexal.exe (raw, gzip) |")
    print("|---|---|---|---|")
    print(f"| {os.path.basename(args.exe)} | {len(exe_bytes):,} | {exe_gz:,} | 1, 1 |")
    print(f"| {os.path.basename(args.page)} | {len(page_bytes):,} | {page_gz:,} | "
          f"{len(page_bytes) / len(exe_bytes):.2f}, {page_gz / exe_gz:.2f} |")

    b = browser.Browser()
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
            heap.append(tab.send("Runtime.getHeapUsage")["usedSize"])
    finally:
        b.close()
    median = statistics.median(paints)
    print()
    print(f"load to first full paint over {args.rounds} loads: median {median:.0f} ms, "
          f"worst {max(paints):.0f} ms; ratio to the {REQUIRED_PAUSES_MS} ms of required pauses: "
          f"{median / REQUIRED_PAUSES_MS:.2f}")
    print(f"memory after start-up: WebAssembly {statistics.median(wasm) / 1024:.0f} KiB, "
          f"JavaScript heap {statistics.median(heap) / 1024:.0f} KiB")


if __name__ == "__main__":
    main()
