#!/usr/bin/env python3
"""Writes the page's zip: every file of a folder (the installable copy of the
page), under one folder named TOP, nothing else.

    web_zip.py OUT.zip FOLDER TOP EPOCH

The same files give the same bytes, as zip.py's zips do: the entries in name
order, each with the time EPOCH (seconds, as SOURCE_DATE_EPOCH), mode 0644
and the Unix system mark."""

import os
import sys
import zipfile

from zip import entry


def write_zip(out, folder, top, epoch):
    names = sorted(os.listdir(folder))
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w", compresslevel=9) as z:
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                z.writestr(entry(f"{top}/{name}", epoch, 0o644), f.read())
    os.replace(partial, out)


def main(argv):
    if len(argv) != 5:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    out, folder, top, epoch = argv[1:]
    try:
        epoch = int(epoch)
    except ValueError:
        print(f"web_zip.py: the time {epoch!r} is not a whole number of seconds", file=sys.stderr)
        return 2
    names = os.listdir(folder) if os.path.isdir(folder) else []
    if not names or not all(os.path.isfile(os.path.join(folder, name)) for name in names):
        print(f"web_zip.py: {folder} is not a folder of files", file=sys.stderr)
        return 1
    write_zip(out, folder, top, epoch)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
