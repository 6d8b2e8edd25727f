// Text for the page's platform: the game's byte strings are GBK (code page
// 936), as the ANSI calls take them on Windows; the one face, carried inside
// the page, and its metrics as Wine gives them for a requested height.

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
function makeFont(height, weight) {
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
  return { kind: "font", em, ascent, height: cell, bold: weight >= 600, advances: null };
}

// The system font of a window's context, as the Wine prefix shows the game's
// own texts: the face bold at a 16-pixel cell, every glyph narrowed as Wine
// narrows them (make_page.py works the ratio out from the measured advances),
// laid out with the advances measured there.
let systemFont = null;
function SYSTEM_FONT() {
  if (systemFont) return systemFont;
  const m = RESOURCES.systemFont;
  systemFont = makeFont(m.height, 700);
  systemFont.ascent = m.ascent;
  systemFont.advances = new Map(Object.entries(m.advances));
  systemFont.narrowing = m.narrowing || 1;
  return systemFont;
}

// The CSS font of a font's characters.
function cssFont(font, scale) {
  return `${font.bold ? "bold " : ""}${font.em * scale}px ${FACE}`;
}

async function loadFace() {
  const bytes = base64Bytes(RESOURCES.font);
  const face = new FontFace(FACE, bytes, { weight: "400", style: "normal" });
  await face.load();
  document.fonts.add(face);
}

function base64Bytes(text) {
  const raw = atob(text);
  const bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
  return bytes;
}
