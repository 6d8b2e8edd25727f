/* vexal-glyphs: the page's glyphs, rasterised at build time as Wine 8 draws
   the game's texts, so that the page can write Wine's pixels itself.

     vexal-glyphs FONT_FILE FAMILY HEIGHT:WIDTH:WEIGHT... < characters

   For each font (a CreateFont height, width and weight) it writes a line
   "font HEIGHT WIDTH WEIGHT ppem P ascent A descent D" and then, for each
   character of standard input (UTF-8) that the face has, a line
   "U+XXXX ADVANCE LEFT TOP WIDTH HEIGHT LEVELS": the advance and the box
   of the glyph's bitmap relative to its origin on the baseline, and its
   coverage, row by row, one character a pixel from "0" to "g" (0 to 16).

   Every step is Wine's (dlls/win32u/freetype.c, GetGlyphOutline with
   GGO_GRAY4_BITMAP, which its DIB driver asks for when fonts are smoothed):
   the em from the cell height and the face's Windows metrics, hinting for
   the normal target, the emboldening of a bold request the face lacks, the
   horizontal scale of a requested width, the glyph box from the hinted
   metrics clipped to the font's ascent and descent, the face's smooth
   rasteriser, and 256 levels cut to 17. The same FreeType library as Wine's
   gives the same pixels. */
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRIGONOMETRY_H
#include FT_TRUETYPE_TABLES_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { GRAY4_LEVELS = 16 };

struct font {
  long height, width, weight;  /* as given to CreateFont */
  long ppem, ascent, descent;  /* pixels */
  int fake_bold;
  FT_Matrix scale;  /* the requested width's horizontal scale */
  int scaled;
};

static void fail(const char* what) {
  fprintf(stderr, "vexal-glyphs: %s\n", what);
  exit(1);
}

/* The face of the collection whose family is `family`. */
static FT_Face open_face(FT_Library library, const char* file, const char* family) {
  FT_Face face;
  if (FT_New_Face(library, file, -1, &face)) fail("the font file cannot be read");
  long count = face->num_faces;
  FT_Done_Face(face);
  for (long i = 0; i < count; ++i) {
    if (FT_New_Face(library, file, i, &face)) fail("a face of the font file cannot be read");
    if (face->family_name && strcmp(face->family_name, family) == 0 && FT_IS_SCALABLE(face) &&
        FT_Get_Sfnt_Table(face, FT_SFNT_OS2))
      return face;
    FT_Done_Face(face);
  }
  fail("the font file has no such family");
  return NULL;
}

/* A positive height is the cell, ascent and descent together; Wine takes the
   em that rounds to it and no larger. */
static long ppem_for_height(FT_Face face, long height) {
  const TT_OS2* os2 = FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
  if (height < 0) return -height;
  if (height == 0) height = 16;
  long descent = abs((short)os2->usWinDescent);
  long units = os2->usWinAscent + descent;
  long ppem = FT_MulDiv(face->units_per_EM, height, units);
  if (ppem > 1 && FT_MulDiv(units, ppem, face->units_per_EM) > height) --ppem;
  return ppem;
}

static void set_up_font(FT_Face face, struct font* font) {
  const TT_OS2* os2 = FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
  font->ppem = ppem_for_height(face, font->height);
  if (FT_Set_Pixel_Sizes(face, 0, (FT_UInt)font->ppem)) fail("the size cannot be set");
  FT_Fixed em_scale = FT_MulDiv(font->ppem, 1 << 16, face->units_per_EM);
  font->ascent = FT_MulFix(os2->usWinAscent, em_scale);
  font->descent = FT_MulFix(abs((short)os2->usWinDescent), em_scale);
  font->fake_bold = font->weight > 550 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  font->scaled = 0;
  font->scale.xx = font->scale.yy = 1 << 16;
  font->scale.xy = font->scale.yx = 0;
  if (font->width) {
    /* The width asked for against the face's average width at this em. */
    long average = FT_MulFix(os2->xAvgCharWidth, em_scale);
    if (average == 0) average = 1;
    double ratio = (double)labs(font->width) / (double)average;
    if (ratio != 1.0) {
      font->scale.xx = (FT_Fixed)(ratio * 0x10000);
      font->scaled = 1;
    }
  }
}

/* The advance in whole pixels: the emboldening adds one, and a part of a
   pixel counts as a pixel. */
static long advance_of(const struct font* font, FT_Face face, FT_Pos base) {
  const TT_OS2* os2 = FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
  FT_Vector adv = {base, 0};
  /* Wine's full-width rule: a glyph twice the average width, in a face that
     is not of fixed pitch, is given exactly twice the average. */
  FT_Fixed em_scale = FT_MulDiv(font->ppem, 1 << 16, face->units_per_EM);
  long average = FT_MulFix(os2->xAvgCharWidth, em_scale);
  int full = average > 0 && (base + 63) >> 6 == FT_MulFix(os2->xAvgCharWidth * 2, em_scale);
  if (full && !font->scaled) adv.x = (average * 2) << 6;
  if (font->scaled) {
    FT_Vector_Transform(&adv, &font->scale);
    if (full && adv.y == 0) {
      FT_Vector v = {os2->xAvgCharWidth, 0};
      FT_Vector_Transform(&v, &font->scale);
      adv.x = (FT_MulFix(v.x, em_scale) * 2) << 6;
    }
  }
  if (font->fake_bold) {
    if (!font->scaled) {
      adv.x += 1 << 6;
    } else {
      /* One pixel along the transformed baseline, as a unit vector. */
      FT_Vector v = {1 << 6, 0};
      FT_Vector_Transform(&v, &font->scale);
      FT_Fixed length = FT_Vector_Length(&v);
      if (length) adv.x += (v.x << 6) / length;
    }
  }
  return ((adv.x + 63) & -64) >> 6;
}

static void write_glyph(FT_Library library, FT_Face face, const struct font* font,
                        unsigned long code) {
  FT_UInt index = FT_Get_Char_Index(face, code);
  if (!index) return;
  FT_Int32 flags = FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH | FT_LOAD_TARGET_NORMAL | FT_LOAD_NO_BITMAP;
  if (FT_Load_Glyph(face, index, flags) &&
      FT_Load_Glyph(face, index, flags | FT_LOAD_NO_HINTING))
    fail("a glyph cannot be loaded");
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) fail("a glyph is not an outline");
  FT_Glyph_Metrics metrics = slot->metrics;
  if (font->fake_bold) {
    FT_BBox bold;
    if (FT_Outline_Embolden(&slot->outline, FT_MulDiv(font->ppem, 1 << 6, 24)))
      fail("a glyph cannot be emboldened");
    FT_Outline_Get_CBox(&slot->outline, &bold);
    metrics.width = bold.xMax - bold.xMin;
    metrics.height = bold.yMax - bold.yMin;
    metrics.horiBearingX = bold.xMin;
    metrics.horiBearingY = bold.yMax;
  }
  /* Nothing above the ascent or below the descent. */
  FT_Pos top = metrics.horiBearingY < font->ascent << 6 ? metrics.horiBearingY : font->ascent << 6;
  FT_Pos bottom = metrics.horiBearingY - metrics.height;
  if (bottom < -(font->descent << 6)) bottom = -(font->descent << 6);
  metrics.horiBearingY = top;
  metrics.height = top - bottom;

  /* The box of the metrics' corners, transformed, out to whole pixels. */
  FT_BBox box = {0, 0, 0, 0};
  for (int corner = 0; corner < 4; ++corner) {
    FT_Vector v = {metrics.horiBearingX + (corner & 1) * metrics.width,
                   metrics.horiBearingY - (corner >> 1) * metrics.height};
    if (font->scaled) FT_Vector_Transform(&v, &font->scale);
    if (corner == 0) {
      box.xMin = box.xMax = v.x;
      box.yMin = box.yMax = v.y;
    } else {
      if (v.x < box.xMin) box.xMin = v.x;
      else if (v.x > box.xMax) box.xMax = v.x;
      if (v.y < box.yMin) box.yMin = v.y;
      else if (v.y > box.yMax) box.yMax = v.y;
    }
  }
  box.xMin &= -64;
  box.xMax = (box.xMax + 63) & -64;
  box.yMin &= -64;
  box.yMax = (box.yMax + 63) & -64;
  long width = (box.xMax - box.xMin) >> 6, height = (box.yMax - box.yMin) >> 6;

  printf("U+%04lX %ld %ld %ld %ld %ld ", code, advance_of(font, face, metrics.horiAdvance),
         box.xMin >> 6, box.yMax >> 6, width, height);
  if (width > 0 && height > 0) {
    unsigned char* pixels = calloc((size_t)(width * height), 1);
    if (!pixels) fail("out of memory");
    FT_Bitmap bitmap;
    memset(&bitmap, 0, sizeof bitmap);
    bitmap.width = (unsigned)width;
    bitmap.rows = (unsigned)height;
    bitmap.pitch = (int)width;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    bitmap.num_grays = 256;
    bitmap.buffer = pixels;
    if (font->scaled) FT_Outline_Transform(&slot->outline, &font->scale);
    FT_Outline_Translate(&slot->outline, -box.xMin, -box.yMin);
    if (FT_Outline_Get_Bitmap(library, &slot->outline, &bitmap)) fail("a glyph cannot be drawn");
    for (long i = 0; i < width * height; ++i)
      putchar("0123456789abcdefg"[pixels[i] * (GRAY4_LEVELS + 1) / 256]);
    free(pixels);
  }
  putchar('\n');
}

/* The next code point of a UTF-8 string, or 0 at its end. */
static unsigned long next_code(const unsigned char** p) {
  const unsigned char* s = *p;
  unsigned long c = *s;
  int extra = 0;
  if (!c) return 0;
  if (c >= 0xF0) { c &= 0x07; extra = 3; }
  else if (c >= 0xE0) { c &= 0x0F; extra = 2; }
  else if (c >= 0xC0) { c &= 0x1F; extra = 1; }
  ++s;
  while (extra-- > 0 && (*s & 0xC0) == 0x80) c = (c << 6) | (*s++ & 0x3F);
  *p = s;
  return c;
}

int main(int argc, char** argv) {
  if (argc < 4) fail("usage: vexal-glyphs FONT_FILE FAMILY HEIGHT:WIDTH:WEIGHT... < characters");
  size_t size = 0, capacity = 4096;
  unsigned char* text = malloc(capacity);
  for (size_t n; text && (n = fread(text + size, 1, capacity - size - 1, stdin)) > 0;) {
    size += n;
    if (size + 1 == capacity) text = realloc(text, capacity *= 2);
  }
  if (!text) fail("out of memory");
  text[size] = 0;

  FT_Library library;
  if (FT_Init_FreeType(&library)) fail("FreeType cannot start");
  FT_Face face = open_face(library, argv[1], argv[2]);
  for (int i = 3; i < argc; ++i) {
    struct font font;
    if (sscanf(argv[i], "%ld:%ld:%ld", &font.height, &font.width, &font.weight) != 3)
      fail("a font is HEIGHT:WIDTH:WEIGHT");
    set_up_font(face, &font);
    printf("font %ld %ld %ld ppem %ld ascent %ld descent %ld\n", font.height, font.width,
           font.weight, font.ppem, font.ascent, font.descent);
    /* Each character once, in the order given. */
    unsigned char* seen = calloc(0x110000 / 8, 1);
    if (!seen) fail("out of memory");
    const unsigned char* p = text;
    for (unsigned long c; (c = next_code(&p)) != 0;) {
      if (c < 0x20 || c >= 0x110000 || seen[c / 8] & (1 << (c % 8))) continue;
      seen[c / 8] |= (unsigned char)(1 << (c % 8));
      write_glyph(library, face, &font, c);
    }
    free(seen);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return 0;
}
