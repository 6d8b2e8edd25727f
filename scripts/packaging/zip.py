#!/usr/bin/env python3
"""Writes a Windows player's zip: Vexal.exe and README.txt, nothing else.

    zip.py OUT.zip EXE README_TEMPLATE VERSION BUILD_LABEL EPOCH

The same inputs give the same bytes: the entries have a fixed order, the
time EPOCH (seconds, as SOURCE_DATE_EPOCH), fixed modes and the Unix system
mark, whoever runs it. README_TEMPLATE's @VERSION@ and @BUILD@ are filled in
and its lines end in CR LF, for Notepad."""

import os
import sys
import time
import zipfile

# The earliest time a zip entry can hold.
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC


def entry(name, epoch, mode):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(max(epoch, ZIP_EPOCH))[:6])
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3
    info.external_attr = (0o100000 | mode) << 16
    return info


def readme_text(template, version, build):
    text = template.replace("@VERSION@", version).replace("@BUILD@", build)
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def write_zip(out, exe, template, version, build, epoch):
    with open(exe, "rb") as f:
        program = f.read()
    with open(template, encoding="utf-8") as f:
        readme = readme_text(f.read(), version, build)
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w", compresslevel=9) as z:
        z.writestr(entry("Vexal.exe", epoch, 0o755), program)
        z.writestr(entry("README.txt", epoch, 0o644), readme)
    os.replace(partial, out)


def main(argv):
    if len(argv) != 7:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    out, exe, template, version, build, epoch = argv[1:]
    try:
        epoch = int(epoch)
    except ValueError:
        print(f"zip.py: the time {epoch!r} is not a whole number of seconds", file=sys.stderr)
        return 2
    for path in (exe, template):
        if not os.path.isfile(path):
            print(f"zip.py: {path} does not exist", file=sys.stderr)
            return 1
    write_zip(out, exe, template, version, build, epoch)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
