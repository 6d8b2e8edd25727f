"""The page's font: the face the Wine prefix maps the game's fonts to
(WenQuanYi Micro Hei, from Debian's fonts-wqy-microhei), cut down to the
characters the game shows and to every printable ASCII character, as WOFF2;
and the metrics the page needs to size text as Windows does."""

import io

from fontTools import subset as ft_subset
from fontTools.ttLib import TTCollection, TTFont

FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
FACE_NAME = "WenQuanYi Micro Hei"


def face():
    try:
        # The font's own time stays in its head table: a saved font would otherwise take the
        # time of the build, and no two builds of the page would be the same.
        fonts = TTCollection(FONT_FILE, recalcTimestamp=False).fonts
    except OSError as error:
        raise SystemExit(f"font_subset: {FONT_FILE} cannot be read ({error}); run scripts/setup, "
                         "which installs fonts-wqy-microhei") from error
    for font in fonts:
        if font["name"].getDebugName(1) == FACE_NAME:
            return font
    raise SystemExit(f"font_subset: {FONT_FILE} has no face {FACE_NAME}")


def characters(text):
    """The page's characters: printable ASCII and those of text beyond it, in code order."""
    wanted = {c for c in text if ord(c) > 0x7E and not c.isspace() or ord(c) == 0x3000}
    wanted |= {chr(c) for c in range(0x20, 0x7F)}
    return "".join(sorted(wanted))


def subset(text):
    """(WOFF2 bytes, metrics) for the characters of text and printable ASCII."""
    font = face()
    buffer = io.BytesIO()
    font.save(buffer)
    buffer.seek(0)
    font = TTFont(buffer, recalcTimestamp=False)
    options = ft_subset.Options()
    options.flavor = "woff2"
    options.layout_features = []
    options.hinting = False
    options.desubroutinize = True
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6]
    options.drop_tables += ["FFTM"]
    sub = ft_subset.Subsetter(options)
    sub.populate(text=characters(text))
    sub.subset(font)
    metrics = {
        "unitsPerEm": font["head"].unitsPerEm,
        "winAscent": font["OS/2"].usWinAscent,
        "winDescent": font["OS/2"].usWinDescent,
    }
    out = io.BytesIO()
    font.flavor = "woff2"
    font.save(out)
    return out.getvalue(), metrics


def narrowing(advances, height):
    """How much narrower than the face Wine draws the prefix's system font, whose glyphs it takes
    from this face at the em of a cell of height pixels, bold by emboldening, which adds a pixel to
    every advance: the measured advances less that pixel, against the face's own at that em."""
    font = face()
    units, cmap, metrics = font["head"].unitsPerEm, font.getBestCmap(), font["hmtx"]
    em = round(height * units / (font["OS/2"].usWinAscent + font["OS/2"].usWinDescent))
    measured = own = 0
    for ch, advance in advances.items():
        if ord(ch) in cmap and advance > 1:
            measured += advance - 1
            own += metrics[cmap[ord(ch)]][0] * em / units
    return round(measured / own, 4) if own else 1
