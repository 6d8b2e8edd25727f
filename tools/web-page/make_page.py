#!/usr/bin/env python3
"""Writes build/web/vexal.html: the page's HTML with its CSS, its JavaScript,
the program (WebAssembly, gzip), the dialog templates, menu and accelerators
read from the resource scripts, the about logo's bitmaps, the icon and a
subset of the font, all inside the one file. With --app, also the
installable copy of the same page: a folder with index.html, the web app
manifest, its icons and a service worker that keeps them for play offline.
The glyphs of the game's canvas texts come rasterised from vexal-glyphs.
The same inputs give the same bytes."""

import argparse
import base64
import gzip
import hashlib
import io
import json
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import app_icon  # noqa: E402
import font_subset  # noqa: E402
import glyphs  # noqa: E402
import resource_script  # noqa: E402

# The page's JavaScript, in the order its parts build on each other.
SCRIPTS = ["text.js", "gdi.js", "program.js",
           "windows.js", "messages.js", "main_window.js", "access.js", "pointer.js", "menu_bar.js", "dialogs.js",
           "message_box.js", "window_calls.js", "time.js",
           "storage.js", "page.js"]
# Wine's own button text for a message box's OK under the Chinese locale.
OK_TEXT = "确定"
SCREEN_DPI = 96


def b64(data):
    return base64.b64encode(data).decode("ascii")


def gzipped(data):
    out = io.BytesIO()
    with gzip.GzipFile(fileobj=out, mode="wb", compresslevel=9, mtime=0, filename="") as f:
        f.write(data)
    return out.getvalue()


def gbk_texts(source_dir):
    """The GBK byte strings the program draws: literals with \\x escapes of 0x80 and above."""
    found = []
    for folder, _, names in os.walk(os.path.join(source_dir, "src")):
        for name in names:
            if not name.endswith(".cpp"):
                continue
            text = open(os.path.join(folder, name), encoding="utf-8").read()
            for literal in re.findall(r'"((?:\\x[0-9A-Fa-f]{2})+)"', text):
                raw = bytes(int(h, 16) for h in re.findall(r"\\x([0-9A-Fa-f]{2})", literal))
                if any(b >= 0x80 for b in raw):
                    found.append(raw.decode("gbk"))
    return found


def system_font(path):
    """The advances of the system font's characters, as measured in the Wine prefix."""
    out = {"advances": {}}
    for line in open(path, encoding="ascii"):
        words = line.split()
        if not words or line.startswith("#"):
            continue
        if words[0] in ("height", "ascent"):
            out[words[0]], out[words[2]] = int(words[1]), int(words[3])
        elif words[0].startswith("U+"):
            out["advances"][chr(int(words[0][2:], 16))] = int(words[1])
    if "height" not in out or len(out["advances"]) < 95:
        raise SystemExit(f"make_page: {path} lacks the height or printable ASCII")
    return out


def version(source_dir):
    changelog = open(os.path.join(source_dir, "scripts", "packaging", "changelog"), encoding="utf-8").readline()
    m = re.match(r"\S+ \(([^-)]+)", changelog)
    return m.group(1) if m else "5.2"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", required=True)
    parser.add_argument("--wasm", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--app", help="the folder of the installable copy, written afresh")
    parser.add_argument("--glyphs", required=True, help="vexal-glyphs, built for this machine")
    args = parser.parse_args()
    src, web, res = args.source, os.path.join(args.source, "src", "web"), os.path.join(args.source, "res")

    names = resource_script.defines(open(os.path.join(src, "src", "platform", "resource_ids.h")).read())
    dialogs_text = open(os.path.join(res, "dialogs.rc"), encoding="utf-8").read()
    main_text = open(os.path.join(res, "vexal.rc"), encoding="utf-8").read()
    dialogs = resource_script.dialogs(dialogs_text, names)
    menu, accelerators, icons, bitmaps = resource_script.main_script(main_text, names)
    faces = {t["font"]["points"] for t in dialogs.values() if t["font"]}
    if len(faces) != 1:
        raise SystemExit(f"make_page: the dialogs use {len(faces)} font sizes; the page draws one")
    points = faces.pop()

    scripts = "\n".join(compact(name, open(os.path.join(web, name), encoding="utf-8").read()) for name in SCRIPTS)
    html = open(os.path.join(web, "page.html"), encoding="utf-8").read()
    css = open(os.path.join(web, "page.css"), encoding="utf-8").read()

    shown = [dialogs_text, main_text, OK_TEXT, html, scripts] + gbk_texts(src)
    font, metrics = font_subset.subset("".join(shown))
    # The page's bold texts are the windows' captions, as Windows draws them.
    captions = "".join(t["caption"] for t in dialogs.values())
    bold, _ = font_subset.subset(captions, embolden=True)
    bold_range = ",".join(f"U+{ord(c):X}" for c in font_subset.characters(captions))
    system = system_font(os.path.join(res, "system-font.txt"))
    system["narrowing"] = font_subset.narrowing(system["advances"], system["height"])
    system["width"], system["weight"] = glyphs.SYSTEM_WIDTH, glyphs.SYSTEM_WEIGHT
    atlas = glyphs.atlas(args.glyphs, src, "".join(gbk_texts(src)), system)

    resources = {
        "program": b64(gzipped(open(args.wasm, "rb").read())),
        "font": b64(font),
        "fontMetrics": metrics,
        "boldFont": b64(bold),
        "boldRange": bold_range,
        "systemFont": system,
        "glyphs": atlas,
        "dialogFont": {"points": points, "pixels": round(points * SCREEN_DPI / 72)},
        "dialogs": dialogs,
        "menu": menu,
        "accelerators": accelerators,
        "bitmaps": {str(k): b64(open(os.path.join(res, f), "rb").read()) for k, f in sorted(bitmaps.items())},
        "icon": b64(open(os.path.join(res, icons[names["IDI_VEXAL"]]), "rb").read()),
        "okText": OK_TEXT,
        "version": version(src),
    }
    def page(app_head="", app_script=""):
        return (html.replace("@APP_HEAD@\n", app_head).replace("@APP_SCRIPT@\n", app_script)
                .replace("@STYLE@", css.rstrip("\n"))
                .replace("@ICON@", resources["icon"])
                .replace("@VERSION@", resources["version"])
                .replace("@SCRIPT@", scripts.rstrip("\n"))
                .replace("@RESOURCES@", json.dumps(resources, ensure_ascii=False, sort_keys=True,
                                                   separators=(",", ":"))))

    write_file(args.out, page().encode("utf-8"))
    if args.app:
        icon = open(os.path.join(res, icons[names["IDI_VEXAL"]]), "rb").read()
        write_app(args.app, web, page, icon, resources["version"])


def compact(name, source):
    """A script as the page carries it: without its comment lines, blank lines and indentation,
    a tenth of the page. No text of the program changes: no string of the sources
    spans lines, and the lines stay lines."""
    kept = []
    for number, line in enumerate(source.splitlines(), 1):
        if line.count("`") % 2 or line.rstrip().endswith("\\") or "/*" in line:
            raise SystemExit(f"make_page: {name}:{number} may begin a text or comment over lines, "
                             "which the page's compaction would change")
        line = line.strip()
        if line and not line.startswith("//"):
            kept.append(line)
    return "\n".join(kept)


def write_file(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def app_files(web, page, icon, release):
    """{name: bytes} of the installable copy; page(head, script) is the page with those added."""
    manifest_text = open(os.path.join(web, "manifest.webmanifest"), encoding="utf-8").read()
    manifest = json.loads(manifest_text)
    files = {"manifest.webmanifest": manifest_text.encode("utf-8")}
    for entry in manifest["icons"]:
        width, height = (int(n) for n in entry["sizes"].split("x"))
        if width != height:
            raise SystemExit(f"make_page: the manifest's icon {entry['src']} is not square")
        files[entry["src"]] = app_icon.icon_png(icon, width)
    # The first icon also for the home screens that read no manifest.
    head = (f'<link rel="manifest" href="manifest.webmanifest">\n'
            f'<meta name="theme-color" content="{manifest["theme_color"]}">\n'
            f'<link rel="apple-touch-icon" href="{manifest["icons"][0]["src"]}">\n')
    script = "<script>\n" + open(os.path.join(web, "app.js"), encoding="utf-8").read() + "</script>\n"
    files["index.html"] = page(head, script).encode("utf-8")
    digest = hashlib.sha256()
    for name in sorted(files):
        digest.update(name.encode() + b"\0" + files[name])
    worker = open(os.path.join(web, "service-worker.js"), encoding="utf-8").read()
    # "./" is how the folder itself is asked for, as a served copy's address usually is.
    files["service-worker.js"] = (worker.replace("@RELEASE@", f"{release}-{digest.hexdigest()[:16]}")
                                  .replace("@FILES@", json.dumps(["./"] + sorted(files))).encode("utf-8"))
    return files


def write_app(folder, web, page, icon, release):
    """Writes the folder afresh, so that no file of an earlier build stays in it."""
    files = app_files(web, page, icon, release)
    tmp = folder.rstrip("/") + ".tmp"
    shutil.rmtree(tmp, ignore_errors=True)
    os.makedirs(tmp)
    for name, data in files.items():
        with open(os.path.join(tmp, name), "wb") as f:
            f.write(data)
    shutil.rmtree(folder, ignore_errors=True)
    os.replace(tmp, folder)


if __name__ == "__main__":
    main()
