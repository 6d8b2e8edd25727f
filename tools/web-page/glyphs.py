"""The glyphs of the game's canvas texts as Wine draws them: vexal-glyphs
(tools/glyphs) rasterises the characters those texts can hold in each font the
program draws with, and they are packed here for gdi.js, which writes their
pixels itself instead of asking the browser to draw the face."""

import base64
import gzip
import io
import os
import re
import subprocess

import font_subset

# The font of a window's context: Wine's stock system font under code page 936, a cell of
# res/system-font.txt's height, 7 pixels wide on average and bold.
SYSTEM_WIDTH = 7
SYSTEM_WEIGHT = 700
WEIGHTS = {"FW_DONTCARE": 0, "FW_THIN": 100, "FW_LIGHT": 300, "FW_NORMAL": 400, "FW_REGULAR": 400,
           "FW_MEDIUM": 500, "FW_SEMIBOLD": 600, "FW_BOLD": 700, "FW_HEAVY": 900}
CREATE_FONT = re.compile(r"\bCreateFontA\(\s*(-?\w+)\s*,\s*(-?\w+)\s*,\s*[^,]+,\s*[^,]+,\s*(\w+)")


def program_fonts(source_dir):
    """(height, width, weight) of each font the program makes with CreateFontA, its arguments
    read from the source: numbers, FW_ weights, or constants of the same file. The width's sign
    does not count, as in Wine."""
    found = set()
    for folder, _, names in os.walk(os.path.join(source_dir, "src")):
        for name in sorted(names):
            if not name.endswith(".cpp"):
                continue
            path = os.path.join(folder, name)
            text = open(path, encoding="utf-8").read()
            for call in CREATE_FONT.finditer(text):
                height, width, weight = (value(token, text, path) for token in call.groups())
                found.add((height, abs(width), weight))
    return sorted(found)


def value(token, text, path):
    if re.fullmatch(r"-?\d+", token):
        return int(token)
    if token in WEIGHTS:
        return WEIGHTS[token]
    m = re.search(rf"\b{token}\s*=\s*(-?\d+)\b", text)
    if not m:
        raise SystemExit(f"make_page: {path}: CreateFontA's {token} is not a number this file gives")
    return int(m.group(1))


def rasterise(tool, fonts, chars):
    """[(font, {character: (advance, left, top, width, height, levels)})] from vexal-glyphs."""
    args = [tool, font_subset.FONT_FILE, font_subset.FACE_NAME] + [f"{h}:{w}:{wt}" for h, w, wt in fonts]
    out = subprocess.run(args, input=chars.encode("utf-8"), stdout=subprocess.PIPE, check=True)
    result = []
    for line in out.stdout.decode("ascii").splitlines():
        words = line.split()
        if words[0] == "font":
            font = {"height": int(words[1]), "width": int(words[2]), "weight": int(words[3]),
                    "ascent": int(words[7]), "descent": int(words[9])}
            result.append((font, {}))
        else:
            advance, left, top, width, height = (int(w) for w in words[1:6])
            levels = [int(c, 17) for c in (words[6] if len(words) > 6 else "")]
            result[-1][1][chr(int(words[0][2:], 16))] = (advance, left, top, width, height, levels)
    if len(result) != len(fonts):
        raise SystemExit("make_page: vexal-glyphs did not rasterise every font")
    return result


def pack(rasterised):
    """The page's resource: each font's metrics and characters, and one gzipped block of their
    glyphs in that order, each five bytes (advance, left and top as signed bytes, width, height)
    and its levels two to a byte, first in the high half. Wine leaves a pixel of level 1 as it
    was, as one of 0, so 2 to 16 are kept as 1 to 15."""
    block = bytearray()
    fonts = []
    for font, glyphs in rasterised:
        chars = "".join(glyphs)
        for ch in chars:
            advance, left, top, width, height, levels = glyphs[ch]
            if not (0 <= advance < 256 and -128 <= left < 128 and -128 <= top < 128
                    and width < 256 and height < 256):
                raise SystemExit(f"make_page: the glyph of U+{ord(ch):04X} does not fit its five bytes")
            block += bytes([advance, left & 0xFF, top & 0xFF, width, height])
            kept = [level - 1 if level > 1 else 0 for level in levels]
            kept += [0] * (len(kept) % 2)
            block += bytes((kept[i] << 4) | kept[i + 1] for i in range(0, len(kept), 2))
        fonts.append(dict(font, chars=chars))
    out = io.BytesIO()
    with gzip.GzipFile(fileobj=out, mode="wb", compresslevel=9, mtime=0, filename="") as f:
        f.write(block)
    return {"fonts": fonts, "data": base64.b64encode(out.getvalue()).decode("ascii")}


def atlas(tool, source_dir, text, system):
    """The glyphs, in the system font and the program's fonts, of what the program's canvas texts
    can hold: printable ASCII (names, which the name entry takes only in ASCII, numbers, the race's
    names) and the characters of text, the GBK texts the program draws. A character beyond them,
    from a damaged table, is left to the browser's text. The system font's advances must be those
    measured in the Wine prefix: where they are not, these glyphs are not Wine's either."""
    fonts = [(system["height"], SYSTEM_WIDTH, SYSTEM_WEIGHT)]
    fonts += [f for f in program_fonts(source_dir) if f not in fonts]
    rasterised = rasterise(tool, fonts, font_subset.characters(text))
    font, glyphs = rasterised[0]
    wrong = {f"U+{ord(ch):04X}": (glyphs[ch][0], measured) for ch, measured in system["advances"].items()
             if ch in glyphs and glyphs[ch][0] != measured}
    if wrong or font["ascent"] != system["ascent"]:
        raise SystemExit(f"make_page: the system font's glyphs do not advance as Wine's (glyph, measured): "
                         f"{wrong}, ascent {font['ascent']} against {system['ascent']}")
    return pack(rasterised)
