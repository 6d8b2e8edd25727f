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


def subset(text, embolden=False):
    """(WOFF2 bytes, metrics) for the characters of text and printable ASCII; with embolden, the
    face made bold as Wine makes it (the face has no bold of its own), so that the page's bold
    texts are the same in every browser instead of each one's own imitation."""
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
    if embolden:
        make_bold(font)
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


def make_bold(font):
    """Every outline widened by an em / 24 (as Wine emboldens a face at any size): each point
    moved out along the bisector of its two edges, as FreeType's FT_Outline_EmboldenXY moves it,
    and the advance widened by as much."""
    glyf, hmtx = font["glyf"], font["hmtx"]
    strength = font["head"].unitsPerEm / 24
    half = strength / 2
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        if glyph.isComposite() or glyph.numberOfContours <= 0:
            continue
        points = [tuple(p) for p in glyph.coordinates]
        ends = list(glyph.endPtsOfContours)
        area, start = 0.0, 0
        for end in ends:
            contour = points[start:end + 1]
            area += sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(contour, contour[1:] + contour[:1]))
            start = end + 1
        clockwise = area < 0  # TrueType's outer contours
        moved, start = [], 0
        for end in ends:
            contour = points[start:end + 1]
            n = len(contour)
            for i, (x, y) in enumerate(contour):
                (px, py), (nx, ny) = contour[i - 1], contour[(i + 1) % n]
                ix, iy, ox, oy = x - px, y - py, nx - x, ny - y
                li, lo = (ix * ix + iy * iy) ** 0.5, (ox * ox + oy * oy) ** 0.5
                sx = sy = 0.0
                if li > 0 and lo > 0:
                    ix, iy, ox, oy = ix / li, iy / li, ox / lo, oy / lo
                    d = ix * ox + iy * oy
                    if d > -0.9375:  # turns sharper than about 160 degrees are left alone
                        d += 1
                        sx, sy = iy + oy, ix + ox
                        q = ox * iy - oy * ix
                        if clockwise:
                            sx, q = -sx, -q
                        else:
                            sy = -sy
                        limit = min(li, lo)
                        k = half / d if half * q <= limit * d else limit / q
                        sx, sy = sx * k, sy * k
                moved.append((round(x + half + sx), round(y + half + sy)))
            start = end + 1
        glyph.coordinates = type(glyph.coordinates)(moved)
        glyph.recalcBounds(glyf)
    for name, (advance, lsb) in list(hmtx.metrics.items()):
        glyph = glyf[name]
        hmtx.metrics[name] = (advance + round(strength), getattr(glyph, "xMin", lsb))
    font["OS/2"].usWeightClass = 700
