// Text for the page's platform: the game's byte strings are GBK (code page
// 936), as the ANSI calls take them on Windows; the one face, carried inside
// the page, and its metrics as Wine gives them for a requested height; and
// the glyphs Wine draws of it in the program's fonts, rasterised at build
// time (tools/glyphs), which gdi.js writes pixel by pixel.

const gbkDecoder = new TextDecoder("gbk");
let gbkEncoding = null;  // character -> [lead, trail], built on first use

function decodeGbk(bytes) {
  return gbkDecoder.decode(bytes);
}

// GBK's two-byte codes, read back through the browser's own decoder, so the
// page needs no table of its own.
function gbkTable() {
  if (gbkEncoding) return gbkEncoding;
  gbkEncoding = new Map();
  const pair = new Uint8Array(2);
  for (let lead = 0x81; lead <= 0xfe; ++lead) {
    pair[0] = lead;
    for (let trail = 0x40; trail <= 0xfe; ++trail) {
      if (trail === 0x7f) continue;
      pair[1] = trail;
      const text = gbkDecoder.decode(pair);
      if (text.length === 1 && text !== "\ufffd" && !gbkEncoding.has(text)) gbkEncoding.set(text, [lead, trail]);
    }
  }
  return gbkEncoding;
}

// What GetDlgItemTextA hands the program for a field's text. A character
// that GBK lacks becomes a full-width space (0xA1 0xA1) rather than the "?"
// Windows would give, so that the name test still sees it is not Latin.
function encodeGbk(text) {
  const out = [];
  for (const ch of text) {
    const code = ch.codePointAt(0);
    if (code < 0x80) {
      out.push(code);
      continue;
    }
    const pair = gbkTable().get(ch) || [0xa1, 0xa1];
    out.push(pair[0], pair[1]);
  }
  return Uint8Array.from(out);
}

const FACE = "VexalFace";

// A font as CreateFontA makes it: a positive height is the cell (ascent and
// descent), a negative one the em, as Wine scales the face's Windows metrics.
// Its glyphs are Wine's where the build rasterised that font.
function makeFont(height, weight, width = 0) {
  const m = RESOURCES.fontMetrics;
  const span = m.winAscent + m.winDescent;
  let em, ascent, cell;
  if (height > 0) {
    em = Math.round((height * m.unitsPerEm) / span);
    ascent = Math.round((m.winAscent * em) / m.unitsPerEm);
    cell = height;
  } else {
    em = height < 0 ? -height : 16;
    ascent = Math.round((m.winAscent * em) / m.unitsPerEm);
    cell = ascent + Math.round((m.winDescent * em) / m.unitsPerEm);
  }
  const glyphs = glyphFonts && glyphFonts.get(`${height}:${Math.abs(width)}:${weight}`);
  if (glyphs) {
    ascent = glyphs.ascent;
    cell = glyphs.ascent + glyphs.descent;
  }
  return { kind: "font", em, ascent, height: cell, bold: weight >= 600, advances: null,
    glyphs: glyphs ? glyphs.map : null };
}

// The system font of a window's context, as the Wine prefix shows the game's
// own texts: Wine's stock font, a 16-pixel cell 7 pixels wide on average and
// bold, whose glyphs the build rasterised. A character they lack is the face
// bold, narrowed as Wine narrows them (make_page.py works the ratio out from
// the measured advances).
let systemFont = null;
function SYSTEM_FONT() {
  if (systemFont) return systemFont;
  const m = RESOURCES.systemFont;
  systemFont = makeFont(m.height, m.weight, m.width);
  systemFont.ascent = m.ascent;
  systemFont.advances = new Map(Object.entries(m.advances));
  systemFont.narrowing = m.narrowing || 1;
  return systemFont;
}

// The CSS font of a font's characters.
function cssFont(font, scale) {
  return `${font.bold ? "bold " : ""}${font.em * scale}px ${FACE}`;
}

// The face, for the dialogs and for a character the glyphs lack, and the glyphs.
async function loadFace() {
  const bytes = base64Bytes(RESOURCES.font);
  const face = new FontFace(FACE, bytes, { weight: "400", style: "normal" });
  // The captions' bold, made at build time: left to make a bold of its own, each browser
  // draws another (Firefox's is hardly bolder than the face).
  const bold = new FontFace(FACE, base64Bytes(RESOURCES.boldFont),
                            { weight: "700", style: "normal", unicodeRange: RESOURCES.boldRange });
  await Promise.all([face.load(), bold.load()]);
  document.fonts.add(face);
  document.fonts.add(bold);
  glyphFonts = readGlyphs(RESOURCES.glyphs, await inflate(base64Bytes(RESOURCES.glyphs.data)));
}

// "height:width:weight" -> { ascent, descent, map: character -> glyph }. A glyph is
// { advance, left, top, width, height, levels }: its box from the pen on the
// baseline, left and up, and its coverage row by row from 0 to 16, as Wine's
// GetGlyphOutline gives it (GGO_GRAY4_BITMAP); level 1 is kept as 0, which
// Wine draws alike (make_page.py's glyphs.py packs them).
let glyphFonts = null;
function readGlyphs(resource, block) {
  const fonts = new Map();
  let at = 0;
  const signed = (b) => (b > 127 ? b - 256 : b);
  for (const f of resource.fonts) {
    const map = new Map();
    for (const ch of f.chars) {
      const glyph = { advance: block[at], left: signed(block[at + 1]), top: signed(block[at + 2]),
        width: block[at + 3], height: block[at + 4], levels: null };
      at += 5;
      const count = glyph.width * glyph.height;
      glyph.levels = new Uint8Array(count);
      for (let i = 0; i < count; ++i) {
        const kept = (block[at + (i >> 1)] >> (i & 1 ? 0 : 4)) & 15;
        glyph.levels[i] = kept ? kept + 1 : 0;
      }
      at += (count + 1) >> 1;
      map.set(ch, glyph);
    }
    fonts.set(`${f.height}:${f.width}:${f.weight}`, { ascent: f.ascent, descent: f.descent, map });
  }
  return fonts;
}

function base64Bytes(text) {
  const raw = atob(text);
  const bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
  return bytes;
}
