// The drawing calls of the page's platform, on canvases. A window's client
// area is a canvas whose backing store holds `scale` device pixels per client
// pixel; everything the game draws is scaled by whole pixels where it can be,
// copied without smoothing, so that at scale 1 every picture from the sheet
// is the sheet's own pixels. Lines and fills follow GDI's rules: a line
// leaves out its end point, a rectangle its right and bottom edges.

const STOCK = 0x40;  // stock objects are STOCK + their GetStockObject index
const objects = new Map();  // handle -> object: pens, brushes, fonts, bitmaps, palettes, DCs, windows
let nextHandle = 0x100;

function newHandle(object) {
  const handle = nextHandle++;
  objects.set(handle, object);
  return handle;
}

function objectOf(handle, kind) {
  const object = objects.get(handle >>> 0);
  return object && (!kind || object.kind === kind) ? object : null;
}

function stockObject(index) {
  switch (index) {
    case 0: return { kind: "brush", colour: 0xffffff, stock: true };
    case 4: return { kind: "brush", colour: 0x000000, stock: true };
    case 5: return { kind: "brush", colour: null, stock: true };
    case 6: return { kind: "pen", colour: 0xffffff, stock: true };
    case 7: return { kind: "pen", colour: 0x000000, stock: true };
    case 8: return { kind: "pen", colour: null, stock: true };
    case 13: return { kind: "font", font: SYSTEM_FONT, stock: true };
    case 15: return { kind: "palette", stock: true };
    default: return null;
  }
}

function installStockObjects() {
  for (let i = 0; i < 18; ++i) {
    const object = stockObject(i);
    if (object) objects.set(STOCK + i, object);
  }
}

// The classic colour scheme, as the Wine prefix sets it.
const SYSTEM_COLOURS = {
  0: [192, 192, 192], 1: [0, 128, 128], 2: [0, 0, 128], 3: [128, 128, 128], 4: [192, 192, 192],
  5: [255, 255, 255], 6: [0, 0, 0], 7: [0, 0, 0], 8: [0, 0, 0], 9: [255, 255, 255],
  10: [192, 192, 192], 11: [192, 192, 192], 12: [128, 128, 128], 13: [0, 0, 128],
  14: [255, 255, 255], 15: [192, 192, 192], 16: [128, 128, 128], 17: [128, 128, 128],
  18: [0, 0, 0], 19: [192, 192, 192], 20: [255, 255, 255], 21: [0, 0, 0], 22: [192, 192, 192],
  23: [0, 0, 0], 24: [255, 255, 225], 25: [192, 192, 192], 26: [0, 0, 255], 27: [16, 132, 208],
  28: [192, 192, 192], 29: [0, 0, 128], 30: [192, 192, 192],
};

function sysColour(index) {
  const c = SYSTEM_COLOURS[index] || [0, 0, 0];
  return c[0] | (c[1] << 8) | (c[2] << 16);
}

function css(colour) {
  return `rgb(${colour & 255},${(colour >> 8) & 255},${(colour >> 16) & 255})`;
}

// A bitmap: pixels on an offscreen canvas at one device pixel each.
function makeBitmap(width, height, rgba) {
  const canvas = document.createElement("canvas");
  canvas.width = Math.max(1, width);
  canvas.height = Math.max(1, height);
  const ctx = canvas.getContext("2d", { willReadFrequently: true });
  if (rgba) ctx.putImageData(new ImageData(rgba, width, height), 0, 0);
  return { kind: "bitmap", width, height, canvas, ctx, scale: 1 };
}

// A device context drawing onto `surface` (a window's canvas), or, for a
// memory context, onto the bitmap selected into it.
function makeDC(surface) {
  return {
    kind: "dc", surface, bitmap: surface ? null : makeBitmap(1, 1, null),
    pen: STOCK + 7, brush: STOCK + 0, font: STOCK + 13,
    textColour: 0x000000, bkColour: 0xffffff, bkMode: 2, x: 0, y: 0,
  };
}

function targetOf(dc) {
  return dc.surface || dc.bitmap;
}

// Device pixel edges of a client-pixel span: adjacent spans meet exactly.
function edge(v, scale) {
  return Math.round(v * scale);
}

function fillClient(target, left, top, right, bottom, colour) {
  if (right <= left || bottom <= top) return;
  const s = target.scale;
  const x0 = edge(left, s), y0 = edge(top, s);
  target.ctx.fillStyle = css(colour);
  target.ctx.fillRect(x0, y0, edge(right, s) - x0, edge(bottom, s) - y0);
  noteDrawn(target);
}

// DrawFocusRect: the rectangle's one-pixel edges, every other pixel inverted
// (those whose client x + y is even), so that drawing it again takes it away.
function focusRect(target, r) {
  if (r.right - r.left < 1 || r.bottom - r.top < 1) return;
  const s = target.scale;
  const x0 = edge(r.left, s), y0 = edge(r.top, s);
  const w = edge(r.right, s) - x0, h = edge(r.bottom, s) - y0;
  const image = target.ctx.getImageData(x0, y0, w, h);
  const d = image.data;
  const invert = (x, y) => {
    const dx0 = edge(x, s) - x0, dy0 = edge(y, s) - y0, dx1 = edge(x + 1, s) - x0, dy1 = edge(y + 1, s) - y0;
    for (let py = dy0; py < dy1; ++py)
      for (let px = dx0; px < dx1; ++px) {
        const o = 4 * (py * w + px);
        d[o] ^= 0xff; d[o + 1] ^= 0xff; d[o + 2] ^= 0xff;
      }
  };
  for (let y = r.top; y < r.bottom; ++y)
    for (let x = r.left; x < r.right; ++x) {
      const onEdge = y === r.top || y === r.bottom - 1 || x === r.left || x === r.right - 1;
      if (onEdge && (x + y) % 2 === 0) invert(x, y);
    }
  target.ctx.putImageData(image, x0, y0);
  noteDrawn(target);
}

function noteDrawn(target) {
  if (target.onDrawn) target.onDrawn();
}

// Pixel combinations: GDI's raster operations on a region of device pixels.
function combine(dest, x, y, width, height, source, sx, sy, rop) {
  const s = dest.scale;
  const x0 = edge(x, s), y0 = edge(y, s);
  const w = edge(x + width, s) - x0, h = edge(y + height, s) - y0;
  if (w <= 0 || h <= 0) return;
  const dst = dest.ctx.getImageData(x0, y0, w, h);
  const src = source.ctx.getImageData(0, 0, source.width, source.height).data;
  const d = dst.data;
  for (let row = 0; row < h; ++row) {
    const syy = sy + Math.floor((row + 0.5) / s);
    for (let col = 0; col < w; ++col) {
      const sxx = sx + Math.floor((col + 0.5) / s);
      const i = (row * w + col) * 4;
      let r = 0, g = 0, b = 0;
      if (sxx >= 0 && syy >= 0 && sxx < source.width && syy < source.height) {
        const j = (syy * source.width + sxx) * 4;
        r = src[j]; g = src[j + 1]; b = src[j + 2];
      }
      if (rop === SRCAND) {
        d[i] &= r; d[i + 1] &= g; d[i + 2] &= b;
      } else {
        d[i] |= r; d[i + 1] |= g; d[i + 2] |= b;
      }
      d[i + 3] = 255;
    }
  }
  dest.ctx.putImageData(dst, x0, y0);
  noteDrawn(dest);
}

const SRCCOPY = 0x00cc0020, SRCAND = 0x008800c6, SRCPAINT = 0x00ee0086;

function bitBlt(destHandle, x, y, width, height, sourceHandle, sx, sy, rop) {
  const dc = objectOf(destHandle, "dc"), sourceDC = objectOf(sourceHandle, "dc");
  if (!dc || !sourceDC || width <= 0 || height <= 0) return 0;
  const dest = targetOf(dc), source = targetOf(sourceDC);
  if (!dest || !source) return 0;
  if (rop === SRCCOPY) {
    const s = dest.scale;
    const x0 = edge(x, s), y0 = edge(y, s);
    const ctx = dest.ctx;
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(source.canvas, sx, sy, width, height, x0, y0, edge(x + width, s) - x0, edge(y + height, s) - y0);
    noteDrawn(dest);
    return 1;
  }
  if (rop === SRCAND || rop === SRCPAINT) {
    combine(dest, x, y, width, height, source, sx, sy, rop);
    return 1;
  }
  return 0;
}

// Bresenham's line from (x0, y0) towards (x1, y1), the end point left out.
function lineTo(dcHandle, x1, y1) {
  const dc = objectOf(dcHandle, "dc");
  if (!dc) return 0;
  const pen = objectOf(dc.pen, "pen");
  const target = targetOf(dc);
  let x = dc.x, y = dc.y;
  dc.x = x1;
  dc.y = y1;
  if (!pen || pen.colour === null || !target) return 1;
  const dx = Math.abs(x1 - x), dy = Math.abs(y1 - y);
  if (dx === 0 && dy === 0) return 1;
  if (dy === 0) {
    fillClient(target, x1 > x ? x : x1 + 1, y, x1 > x ? x1 : x + 1, y + 1, pen.colour);
    return 1;
  }
  if (dx === 0) {
    fillClient(target, x, y1 > y ? y : y1 + 1, x + 1, y1 > y ? y1 : y + 1, pen.colour);
    return 1;
  }
  const sxStep = x1 > x ? 1 : -1, syStep = y1 > y ? 1 : -1;
  let err = dx - dy;
  while (x !== x1 || y !== y1) {
    fillClient(target, x, y, x + 1, y + 1, pen.colour);
    const e2 = 2 * err;
    if (e2 > -dy) { err -= dy; x += sxStep; }
    if (e2 < dx) { err += dx; y += syStep; }
  }
  return 1;
}

const DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4, DT_SINGLELINE = 0x20;

function fontOf(dc) {
  const object = objectOf(dc.font, "font");
  if (!object) return SYSTEM_FONT();
  return typeof object.font === "function" ? object.font() : object.font;
}

function measure(ctx, font, text) {
  return glyphStarts(ctx, font, text).width;
}

// Each character's advance in whole pixels, as GDI lays text out: its
// glyph's where the build rasterised it, else the measured ones of the system
// font, else the face's own, rounded.
function advance(ctx, font, ch) {
  const glyph = font.glyphs && font.glyphs.get(ch);
  if (glyph) return glyph.advance;
  if (font.advances && font.advances.has(ch)) return font.advances.get(ch);
  if (!font.widths) font.widths = new Map();
  let w = font.widths.get(ch);
  if (w === undefined) {
    ctx.font = cssFont(font, 1);
    w = Math.round(ctx.measureText(ch).width);
    font.widths.set(ch, w);
  }
  return w;
}

// Where each character of a line starts, in client pixels from its start.
function glyphStarts(ctx, font, text) {
  const starts = [];
  let x = 0;
  for (const ch of text) {
    starts.push([ch, x]);
    x += advance(ctx, font, ch);
  }
  return { starts, width: x };
}

// DrawTextA for one line: aligned in the rectangle, clipped to it, on a box
// of the background colour when the mode is opaque. The characters the font
// has glyphs of are written pixel by pixel as Wine draws them, the same in
// every browser; any other one is left to the browser's text.
function drawText(dc, text, rect, format) {
  const target = targetOf(dc);
  if (!target) return 0;
  const font = fontOf(dc);
  const ctx = target.ctx, s = target.scale;
  const line = glyphStarts(ctx, font, text);
  const width = line.width;
  let x = rect.left;
  if (format & DT_RIGHT) x = rect.right - width;
  else if (format & DT_CENTER) x = rect.left + Math.trunc((rect.right - rect.left - width) / 2);
  let y = rect.top;
  if ((format & DT_VCENTER) && (format & DT_SINGLELINE)) y = rect.top + Math.trunc((rect.bottom - rect.top - font.height) / 2);
  if (dc.bkMode === 2) {
    fillClient(target, Math.max(x, rect.left), Math.max(y, rect.top), Math.min(x + width, rect.right),
      Math.min(y + font.height, rect.bottom), dc.bkColour);
  }
  const written = [], fallback = [];
  for (const [ch, start] of line.starts) {
    const glyph = font.glyphs && font.glyphs.get(ch);
    if (glyph) written.push([glyph, x + start]);
    else fallback.push([ch, x + start]);
  }
  writeGlyphs(target, written, y + font.ascent, dc.textColour, rect);
  if (fallback.length) {
    programFacts.browserText += fallback.length;
    ctx.save();
    ctx.beginPath();
    const cx0 = edge(rect.left, s), cy0 = edge(rect.top, s);
    ctx.rect(cx0, cy0, edge(rect.right, s) - cx0, edge(rect.bottom, s) - cy0);
    ctx.clip();
    ctx.fillStyle = css(dc.textColour);
    ctx.textBaseline = "alphabetic";
    const baseline = Math.round((y + font.ascent) * s);
    ctx.font = cssFont(font, s);
    const narrowing = font.narrowing || 1;
    for (const [ch, start] of fallback) {
      ctx.save();
      ctx.translate(Math.round(start * s), baseline);
      ctx.scale(narrowing, 1);
      ctx.fillText(ch, 0, 0);
      ctx.restore();
    }
    ctx.restore();
  }
  noteDrawn(target);
  if (target.onText) target.onText(text, rect, format);
  return font.height;
}

// The glyph levels' intensities drawn in a component of 255 on black, from
// Wine's DIB driver (dlls/win32u/dibdrv/graphics.c): a level is not a linear
// share of the text colour.
const GLYPH_RAMP = [0, 0x4d, 0x68, 0x7c, 0x8c, 0x9a, 0xa7, 0xb2, 0xbd, 0xc7, 0xd0, 0xd9, 0xe1, 0xe9, 0xf0, 0xf8, 0xff];

// For each level and each component of the text colour, what the component
// becomes over black (the least) and over white (the most), as Wine works
// them out in whole numbers.
function glyphRanges(text) {
  const ranges = [];
  for (let level = 0; level <= 16; ++level) {
    const low = GLYPH_RAMP[level], high = GLYPH_RAMP[16 - level];
    ranges.push(text.map((t) => [Math.trunc((low * t) / 255), high + Math.trunc(((255 - high) * t) / 255)]));
  }
  return ranges;
}

// A component of a pixel of level 2 to 15 over one of dst: moved from the
// text towards dst in proportion to the range, as Wine's aa_color does it, in
// unsigned 32-bit arithmetic and an 8-bit result.
function glyphComponent(dst, text, [min, max]) {
  if (dst === text) return dst;
  if (dst > text) return (text + Math.trunc(((dst - text) * ((max - text) >>> 0) % 0x100000000) / (255 - text))) & 255;
  return (text - Math.trunc(((text - dst) * (text - min)) / text)) & 255;
}

// Glyphs ([glyph, pen x]) written over the target's pixels at the baseline,
// within the clip rectangle, as Wine's DIB driver draws them: a pixel of
// level 16 becomes the colour, one of level 2 to 15 goes towards it by the
// ranges, one of level 0 or 1 stays. Each client pixel is the whole device
// pixels it covers, as fillClient fills them.
function writeGlyphs(target, glyphs, baseline, colour, clip) {
  if (!glyphs.length) return;
  const s = target.scale;
  // The glyphs' boxes together, within the clip, in client pixels.
  let left = Infinity, top = Infinity, right = -Infinity, bottom = -Infinity;
  for (const [g, pen] of glyphs) {
    left = Math.min(left, pen + g.left);
    right = Math.max(right, pen + g.left + g.width);
    top = Math.min(top, baseline - g.top);
    bottom = Math.max(bottom, baseline - g.top + g.height);
  }
  left = Math.max(left, clip.left);
  top = Math.max(top, clip.top);
  right = Math.min(right, clip.right);
  bottom = Math.min(bottom, clip.bottom);
  const dx0 = Math.max(0, edge(left, s)), dy0 = Math.max(0, edge(top, s));
  const dx1 = Math.min(target.canvas.width, edge(right, s)), dy1 = Math.min(target.canvas.height, edge(bottom, s));
  if (dx1 <= dx0 || dy1 <= dy0) return;
  const image = target.ctx.getImageData(dx0, dy0, dx1 - dx0, dy1 - dy0);
  const d = image.data, stride = dx1 - dx0;
  const text = [colour & 255, (colour >> 8) & 255, (colour >> 16) & 255];
  const ranges = glyphRanges(text);
  for (const [g, pen] of glyphs) {
    for (let row = 0; row < g.height; ++row) {
      const cy = baseline - g.top + row;
      if (cy < top || cy >= bottom) continue;
      const ry0 = Math.max(dy0, edge(cy, s)), ry1 = Math.min(dy1, edge(cy + 1, s));
      for (let col = 0; col < g.width; ++col) {
        const level = g.levels[row * g.width + col];
        const cx = pen + g.left + col;
        if (level <= 1 || cx < left || cx >= right) continue;
        const rx0 = Math.max(dx0, edge(cx, s)), rx1 = Math.min(dx1, edge(cx + 1, s));
        for (let dy = ry0; dy < ry1; ++dy) {
          for (let dx = rx0; dx < rx1; ++dx) {
            const i = ((dy - dy0) * stride + (dx - dx0)) * 4;
            for (let k = 0; k < 3; ++k) {
              d[i + k] = level >= 16 ? text[k] : glyphComponent(d[i + k], text[k], ranges[level][k]);
            }
            d[i + 3] = 255;
          }
        }
      }
    }
  }
  target.ctx.putImageData(image, dx0, dy0);
}

// A bitmap from an 8-bit bottom-up pixel array and its colour table.
function bitmapFromDib(info, bits) {
  const m = memory();
  const width = m.i32(info + 4), height = m.i32(info + 8), count = m.u16(info + 14);
  const used = m.u32(info + 32) || 256;
  if (count !== 8 || width <= 0 || height <= 0 || width > 8192 || height > 8192) return null;
  const colours = info + m.u32(info);
  const stride = (width + 3) & ~3;
  const rgba = new Uint8ClampedArray(width * height * 4);
  const bytes = m.bytes();
  for (let row = 0; row < height; ++row) {
    const from = bits + (height - 1 - row) * stride;
    for (let col = 0; col < width; ++col) {
      const index = bytes[from + col];
      const q = colours + 4 * (index < used ? index : 0);
      const o = (row * width + col) * 4;
      rgba[o] = bytes[q + 2];
      rgba[o + 1] = bytes[q + 1];
      rgba[o + 2] = bytes[q];
      rgba[o + 3] = 255;
    }
  }
  return makeBitmap(width, height, rgba);
}

// A .bmp resource (1, 4 or 8 bits, bottom-up), decoded by the page itself.
function bitmapFromFile(file) {
  const v = new DataView(file.buffer, file.byteOffset, file.byteLength);
  const offset = v.getUint32(10, true), header = 14;
  const width = v.getInt32(header + 4, true), height = v.getInt32(header + 8, true);
  const bits = v.getUint16(header + 14, true);
  const used = v.getUint32(header + 32, true) || (1 << bits);
  const palette = header + v.getUint32(header, true);
  const stride = (((width * bits) + 31) >> 5) << 2;
  const rgba = new Uint8ClampedArray(width * height * 4);
  for (let row = 0; row < height; ++row) {
    const from = offset + (height - 1 - row) * stride;
    for (let col = 0; col < width; ++col) {
      const bit = col * bits;
      const index = (file[from + (bit >> 3)] >> (8 - bits - (bit & 7))) & ((1 << bits) - 1);
      const q = palette + 4 * (index < used ? index : 0);
      const o = (row * width + col) * 4;
      rgba[o] = file[q + 2];
      rgba[o + 1] = file[q + 1];
      rgba[o + 2] = file[q];
      rgba[o + 3] = 255;
    }
  }
  return makeBitmap(width, height, rgba);
}

function selectInto(dc, handle) {
  const object = objectOf(handle);
  if (!object) return 0;
  let previous = 0;
  switch (object.kind) {
    case "pen": previous = dc.pen; dc.pen = handle; break;
    case "brush": previous = dc.brush; dc.brush = handle; break;
    case "font": previous = dc.font; dc.font = handle; break;
    case "bitmap":
      if (dc.surface) return 0;
      previous = dc.bitmapHandle || newHandle(dc.bitmap);
      dc.bitmap = object;
      dc.bitmapHandle = handle;
      break;
    default: return 0;
  }
  return previous;
}

function readRect(address) {
  const m = memory();
  return { left: m.i32(address), top: m.i32(address + 4), right: m.i32(address + 8), bottom: m.i32(address + 12) };
}

function writeRect(address, r) {
  const m = memory();
  m.setI32(address, r.left);
  m.setI32(address + 4, r.top);
  m.setI32(address + 8, r.right);
  m.setI32(address + 12, r.bottom);
}

const gdiImports = {
  GetStockObject: (index) => (objects.has(STOCK + index) ? STOCK + index : 0),
  CreatePen: (style, width, colour) => newHandle({ kind: "pen", colour: style === 5 ? null : colour >>> 0 }),
  CreateSolidBrush: (colour) => newHandle({ kind: "brush", colour: colour >>> 0 }),
  CreateFontA: (height, width, esc, orient, weight) => newHandle({ kind: "font", font: makeFont(height, weight, width) }),
  CreatePalette: () => newHandle({ kind: "palette" }),
  SelectPalette: (dc, palette) => palette,
  RealizePalette: () => 0,
  CreateDIBitmap: (dc, header, init, bits, info) => {
    const bitmap = bitmapFromDib(info, bits);
    return bitmap ? newHandle(bitmap) : 0;
  },
  CreateCompatibleDC: () => newHandle(makeDC(null)),
  DeleteDC: (handle) => (objectOf(handle, "dc") && objects.delete(handle) ? 1 : 0),
  SelectObject: (dc, handle) => {
    const d = objectOf(dc, "dc");
    return d ? selectInto(d, handle) : 0;
  },
  DeleteObject: (handle) => {
    const object = objectOf(handle);
    if (!object || object.stock || object.kind === "dc") return 0;
    objects.delete(handle);
    return 1;
  },
  BitBlt: (dest, x, y, w, h, source, sx, sy, rop) => bitBlt(dest, x, y, w, h, source, sx, sy, rop >>> 0),
  MoveToEx: (dc, x, y, previous) => {
    const d = objectOf(dc, "dc");
    if (!d) return 0;
    if (previous) {
      memory().setI32(previous, d.x);
      memory().setI32(previous + 4, d.y);
    }
    d.x = x;
    d.y = y;
    return 1;
  },
  LineTo: lineTo,
  DrawFocusRect: (dc, rectAddress) => {
    const d = objectOf(dc, "dc");
    if (!d) return 0;
    const target = targetOf(d);
    if (target) focusRect(target, readRect(rectAddress));
    return 1;
  },
  FillRect: (dc, rectAddress, brushHandle) => {
    const d = objectOf(dc, "dc"), brush = objectOf(brushHandle, "brush");
    if (!d || !brush) return 0;
    const r = readRect(rectAddress);
    if (brush.colour !== null) fillClient(targetOf(d), r.left, r.top, r.right, r.bottom, brush.colour);
    return 1;
  },
  DrawTextA: (dc, textAddress, length, rectAddress, format) => {
    const d = objectOf(dc, "dc");
    if (!d) return 0;
    const bytes = memory().bytes();
    let end = textAddress;
    if (length < 0) while (bytes[end] !== 0) ++end;
    else end = textAddress + length;
    return drawText(d, decodeGbk(bytes.slice(textAddress, end)), readRect(rectAddress), format >>> 0);
  },
  SetTextColor: (dc, colour) => {
    const d = objectOf(dc, "dc");
    if (!d) return 0;
    const previous = d.textColour;
    d.textColour = colour >>> 0;
    return previous;
  },
  SetBkColor: (dc, colour) => {
    const d = objectOf(dc, "dc");
    if (!d) return 0;
    const previous = d.bkColour;
    d.bkColour = colour >>> 0;
    return previous;
  },
  SetBkMode: (dc, mode) => {
    const d = objectOf(dc, "dc");
    if (!d) return 0;
    const previous = d.bkMode;
    d.bkMode = mode;
    return previous;
  },
  GetSysColor: (index) => sysColour(index),
};
