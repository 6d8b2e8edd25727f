#include "sheet_composer.h"

#include <stdexcept>
#include <string>

#include "art.h"
#include "sheet_layout.h"

RgbImage RenderPicture(int w, int h, const std::function<void(cairo_t*)>& paint) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_clip(cr);
  paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  RgbImage out{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &out.rgb[3 * (static_cast<size_t>(y) * w + x)];
      p[0] = static_cast<uint8_t>(row[x] >> 16);
      p[1] = static_cast<uint8_t>(row[x] >> 8);
      p[2] = static_cast<uint8_t>(row[x]);
    }
  }
  cairo_surface_destroy(surface);
  return out;
}

namespace {

void Paste(RgbImage& sheet, int x, int y, const RgbImage& picture, int fromX = 0, int fromY = 0, int w = -1,
           int h = -1) {
  if (w < 0) w = picture.width;
  if (h < 0) h = picture.height;
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      const uint8_t* s = picture.At(fromX + col, fromY + row);
      uint8_t* d = const_cast<uint8_t*>(sheet.At(x + col, y + row));
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
}

// A crowning stage may only differ from the plain body inside the part the
// overlay covers; anything else would not show on screen.
void CheckOverlayFits(const RgbImage& body, const RgbImage& stage, int m) {
  for (int y = 0; y < body.height; ++y)
    for (int x = 0; x < body.width; ++x) {
      const bool covered = x < sheet::OVERLAY_W && y >= sheet::OVERLAY_BODY_ROW &&
                           y < sheet::OVERLAY_BODY_ROW + sheet::OVERLAY_H;
      if (covered) continue;
      const uint8_t *a = body.At(x, y), *b = stage.At(x, y);
      if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2])
        throw std::runtime_error("crowning stage " + std::to_string(m) + " changes the body outside the overlay at " +
                                 std::to_string(x) + "," + std::to_string(y));
    }
}

}  // namespace

RgbImage ComposeSheet() {
  using namespace sheet;
  RgbImage out{WIDTH, HEIGHT, std::vector<uint8_t>(static_cast<size_t>(WIDTH) * HEIGHT * 3, 255)};
  for (int c = 0; c < COLOURS; ++c)
    for (int f = 0; f < FRAMES; ++f) {
      const Rect r = CellRect(c, f);
      Paste(out, r.x, r.y, RenderPicture(r.w, r.h, [&](cairo_t* cr) { DrawCellPicture(cr, c, f); }));
    }
  for (int k = 0; k < POSES; ++k) {
    const Rect r = PoseRect(k);
    Paste(out, r.x, r.y, RenderPicture(r.w, r.h, [&](cairo_t* cr) { DrawHolderPose(cr, k); }));
  }
  const RgbImage body = RenderPicture(POSE_W, POSE_H, [](cairo_t* cr) { DrawPretenderFigure(cr, 0); });
  Paste(out, BODY_X, BODY_Y, body);
  for (int m = 1; m <= OVERLAYS; ++m) {
    const RgbImage stage = RenderPicture(POSE_W, POSE_H, [&](cairo_t* cr) { DrawPretenderFigure(cr, m); });
    CheckOverlayFits(body, stage, m);
    const Rect r = OverlayRect(m);
    Paste(out, r.x, r.y, stage, 0, OVERLAY_BODY_ROW, OVERLAY_W, OVERLAY_H);
  }
  const Rect base = BaseRect(), pillar = PillarRect();
  Paste(out, base.x, base.y, RenderPicture(base.w, base.h, DrawPedestalBase));
  Paste(out, pillar.x, pillar.y, RenderPicture(pillar.w, pillar.h, DrawPillar));
  return out;
}

namespace {

// After quantisation: the pictures that must line up on screen still share
// their indices (the caps with the pillar, the plain overlay with the body).
void CheckAlignment(const IndexedImage& s) {
  using namespace sheet;
  auto at = [&](int x, int y) { return s.pixels[static_cast<size_t>(y) * s.width + x]; };
  const Rect pillar = PillarRect();
  auto checkCap = [&](const Rect& r, int capLeft, int rows) {
    for (int y = r.y + r.h - rows; y < r.y + r.h; ++y)
      for (int c = 0; c < PILLAR_W; ++c)
        if (at(r.x + capLeft + c, y) != at(pillar.x + c, pillar.y))
          throw std::runtime_error("a figure's cap does not match the pillar after quantisation");
  };
  for (int k = 0; k < POSES; ++k) checkCap(PoseRect(k), HOLDER_CAP_LEFT, k == 6 ? 1 : CAP_ROWS);
  checkCap(BodyRect(), BODY_CAP_LEFT, CAP_ROWS);
  const Rect body = BodyRect(), plain = OverlayRect(1);
  for (int y = 0; y < OVERLAY_H; ++y)
    for (int x = 0; x < OVERLAY_W; ++x)
      if (at(plain.x + x, plain.y + y) != at(body.x + x, body.y + OVERLAY_BODY_ROW + y))
        throw std::runtime_error("the plain overlay does not match the body after quantisation");
}

}  // namespace

IndexedImage BuildSheet() {
  const RgbImage rgb = ComposeSheet();
  IndexedImage out = QuantizeSheet(rgb.width, rgb.height, rgb.rgb, SHEET_COLOURS);
  CheckAlignment(out);
  return out;
}
