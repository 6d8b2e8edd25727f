#include "preview.h"

#include <stdexcept>
#include <vector>

#include <cairo.h>
#include <gif_lib.h>

#include "bitmap_files.h"
#include "sheet_layout.h"

namespace {

struct Sheet {
  cairo_surface_t* surface;  // RGB24, the sheet as decoded from the GIF
};

cairo_surface_t* LoadGif(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) throw std::runtime_error("cannot open " + path);
  if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1 || !gif->SColorMap) {
    DGifCloseFile(gif, &error);
    throw std::runtime_error("cannot decode " + path);
  }
  const int w = gif->SWidth, h = gif->SHeight;
  const SavedImage& image = gif->SavedImages[0];
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const GifColorType c = gif->SColorMap->Colors[image.RasterBits[static_cast<size_t>(y) * w + x]];
      reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride)[x] =
          (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
    }
  cairo_surface_mark_dirty(s);
  DGifCloseFile(gif, &error);
  return s;
}

// Copies a rectangle of the sheet to (dx, dy) of cr, opaque, as BitBlt would.
void Blit(cairo_t* cr, cairo_surface_t* sheet, const sheet::Rect& from, double dx, double dy, int rows = -1) {
  const int h = rows < 0 ? from.h : rows;
  if (h <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, dx, dy, from.w, h);
  cairo_clip(cr);
  cairo_set_source_surface(cr, sheet, dx - from.x, dy - from.y);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
}

void Save(cairo_surface_t* s, const std::string& path) {
  if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot write " + path);
}

// A canvas drawn at scale 2 with square pixels.
struct Canvas {
  cairo_surface_t* surface;
  cairo_t* cr;
  Canvas(int w, int h, int scale, double r, double g, double b) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w * scale, h * scale);
    cr = cairo_create(surface);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_scale(cr, scale, scale);
  }
  ~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
};

// One figure on its pillar and base, as the score race stacks them.
void DrawRace(cairo_t* cr, cairo_surface_t* sheet, int x, int y, int level, bool holder, int picture) {
  using namespace sheet;
  Blit(cr, sheet, BaseRect(), x, y - 9);
  Blit(cr, sheet, PillarRect(), x + 6, y - 134 + level, 125 - level);
  if (holder) {
    Blit(cr, sheet, PoseRect(picture), x - 1, y - 234 + level);
  } else {
    Blit(cr, sheet, BodyRect(), x - 10, y - 234 + level);
    if (picture > 0) Blit(cr, sheet, OverlayRect(picture), x - 10, y - 228 + level);
  }
}

void WriteIndexedPreview(const std::string& path, int w, int h, int scale, const std::vector<uint8_t>& rgb,
                         const std::vector<uint8_t>& opaque) {
  Canvas c(w, h, scale, 0.83, 0.82, 0.78);  // a dialog face
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      if (!opaque[i]) continue;
      cairo_set_source_rgb(c.cr, rgb[3 * i] / 255.0, rgb[3 * i + 1] / 255.0, rgb[3 * i + 2] / 255.0);
      cairo_rectangle(c.cr, x, y, 1, 1);
      cairo_fill(c.cr);
    }
  Save(c.surface, path);
}

}  // namespace

void WritePreviews(const std::string& dir, const std::string& gifPath) {
  using namespace sheet;
  cairo_surface_t* s = LoadGif(gifPath);
  {
    Canvas c(WIDTH, HEIGHT, 2, 1, 1, 1);
    Blit(c.cr, s, {0, 0, WIDTH, HEIGHT}, 0, 0);
    Save(c.surface, dir + "/sheet-x2.png");
  }
  {
    // Every colour in every frame on a board, ten rows of eight.
    Canvas c(2 + 36 * 8 + 2, 2 + 36 * 10 + 2, 2, 0, 0, 0);
    for (int f = 0; f < FRAMES; ++f)
      for (int col = 0; col < COLOURS; ++col) Blit(c.cr, s, CellRect(col, f), 2 + 36 * col, 2 + 36 * f);
    Save(c.surface, dir + "/board-x2.png");
  }
  {
    // The race: every holder pose and every crowning stage on its pillar.
    Canvas c(7 * 75 + 10, 2 * 250 + 10, 2, 0, 0, 0);
    const int levels[7] = {10, 20, 35, 50, 70, 90, 110};
    for (int k = 0; k < POSES; ++k) DrawRace(c.cr, s, 10 + 75 * k, 245, levels[k], true, k);
    for (int m = 0; m <= OVERLAYS; ++m) DrawRace(c.cr, s, 14 + 75 * m, 505, 40 - 5 * m, false, m);
    Save(c.surface, dir + "/race-x2.png");
  }
  cairo_surface_destroy(s);

  const LogoImage logo = RenderLogo();
  std::vector<uint8_t> rgb;
  for (uint8_t i : logo.index) {
    const uint8_t v = i == 0 ? 255 : i <= 3 ? 170 : i == 4 ? 85 : 0;
    rgb.insert(rgb.end(), {v, v, v});
  }
  WriteIndexedPreview(dir + "/logo-x4.png", LogoImage::WIDTH, LogoImage::HEIGHT, 4, rgb, logo.opaque);
  const IconImage icon = RenderIcon();
  rgb.clear();
  for (uint8_t i : icon.index) rgb.insert(rgb.end(), {icon.palette[3 * i], icon.palette[3 * i + 1], icon.palette[3 * i + 2]});
  WriteIndexedPreview(dir + "/icon-x4.png", IconImage::SIZE, IconImage::SIZE, 4, rgb, icon.opaque);
}
