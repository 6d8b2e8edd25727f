#include "bitmap_files.h"

#include <cairo.h>

#include "art.h"
#include "palette_quantizer.h"

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// BITMAPINFOHEADER.
void PutInfoHeader(std::vector<uint8_t>& out, int w, int h, int bits, uint32_t imageSize, uint32_t colours) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(w));
  Put32(out, static_cast<uint32_t>(h));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
}

int RowBytes(int w, int bits) { return ((w * bits + 31) / 32) * 4; }

// Rows bottom-up, packed most significant bits first, padded to four bytes.
std::vector<uint8_t> PackRows(const std::vector<uint8_t>& values, int w, int h, int bits) {
  const int stride = RowBytes(w, bits);
  std::vector<uint8_t> out(static_cast<size_t>(stride) * h, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = &out[static_cast<size_t>(h - 1 - y) * stride];
    for (int x = 0; x < w; ++x) {
      const int bit = x * bits;
      const int shift = 8 - bits - bit % 8;
      row[bit / 8] |= static_cast<uint8_t>((values[static_cast<size_t>(y) * w + x] & ((1 << bits) - 1)) << shift);
    }
  }
  return out;
}

std::vector<uint8_t> BitmapFile(int w, int h, int bits, const std::vector<uint32_t>& table,
                                const std::vector<uint8_t>& values) {
  const std::vector<uint8_t> rows = PackRows(values, w, h, bits);
  const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(table.size());
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, offset + static_cast<uint32_t>(rows.size()));
  Put32(out, 0);
  Put32(out, offset);
  PutInfoHeader(out, w, h, bits, static_cast<uint32_t>(rows.size()), static_cast<uint32_t>(table.size()));
  for (uint32_t rgb : table) Put32(out, rgb);  // 0x00RRGGBB is blue, green, red, 0 in memory
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

struct Argb {
  int w, h;
  std::vector<uint32_t> px;  // premultiplied
};

Argb RenderArgb(int w, int h, void (*paint)(cairo_t*)) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  Argb out{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.px[static_cast<size_t>(y) * w + x] = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride)[x];
  cairo_surface_destroy(s);
  return out;
}

}  // namespace

LogoImage RenderLogo() {
  const Argb a = RenderArgb(LogoImage::WIDTH, LogoImage::HEIGHT, DrawLogo);
  LogoImage out;
  for (uint32_t p : a.px) {
    const unsigned alpha = p >> 24;
    // The picture is ORed onto the masked dialog, so it shows its colours
    // as if on black: the premultiplied value is exactly that.
    const unsigned grey = (((p >> 16) & 0xFF) * 3 + ((p >> 8) & 0xFF) * 5 + (p & 0xFF) * 2) / 10;
    const bool opaque = alpha >= 128;
    uint8_t index = 5;
    if (opaque) index = grey >= 213 ? 0 : grey >= 128 ? 1 : grey >= 43 ? 4 : 5;
    out.index.push_back(index);
    out.opaque.push_back(opaque ? 1 : 0);
  }
  return out;
}

std::vector<uint8_t> LogoBitmapFile(const LogoImage& logo) {
  return BitmapFile(LogoImage::WIDTH, LogoImage::HEIGHT, 4,
                    {0xFFFFFF, 0xAAAAAA, 0xAAAAAA, 0xAAAAAA, 0x555555, 0x000000}, logo.index);
}

std::vector<uint8_t> MaskBitmapFile(const LogoImage& logo) {
  std::vector<uint8_t> bits;
  for (uint8_t o : logo.opaque) bits.push_back(o ? 1 : 0);  // entry 1 is black
  return BitmapFile(LogoImage::WIDTH, LogoImage::HEIGHT, 1, {0xFFFFFF, 0x000000}, bits);
}

IconImage RenderIcon() {
  const int n = IconImage::SIZE;
  const Argb a = RenderArgb(n, n, DrawIcon);
  std::vector<uint8_t> rgb;
  IconImage out;
  for (uint32_t p : a.px) {
    const unsigned alpha = p >> 24;
    const bool opaque = alpha >= 128;
    out.opaque.push_back(opaque ? 1 : 0);
    for (int shift : {16, 8, 0}) {
      const unsigned v = (p >> shift) & 0xFF;
      rgb.push_back(opaque ? static_cast<uint8_t>(v * 255 / alpha) : 0);
    }
  }
  const IndexedImage q = QuantizeSheet(n, n, rgb, 16);
  out.palette.assign(q.palette.begin(), q.palette.begin() + 48);
  out.index = q.pixels;
  return out;
}

std::vector<uint8_t> IconFile(const IconImage& icon) {
  const int n = IconImage::SIZE;
  const std::vector<uint8_t> colour = PackRows(icon.index, n, n, 4);
  std::vector<uint8_t> transparent;
  for (uint8_t o : icon.opaque) transparent.push_back(o ? 0 : 1);
  const std::vector<uint8_t> mask = PackRows(transparent, n, n, 1);
  const uint32_t imageBytes = 40 + 16 * 4 + static_cast<uint32_t>(colour.size() + mask.size());
  std::vector<uint8_t> out;
  Put16(out, 0);  // ICONDIR
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(static_cast<uint8_t>(n));  // ICONDIRENTRY
  out.push_back(static_cast<uint8_t>(n));
  out.push_back(16);
  out.push_back(0);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, imageBytes);
  Put32(out, 22);
  // The image: its height counts the colour rows and the mask rows.
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(n));
  Put32(out, static_cast<uint32_t>(2 * n));
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(colour.size() + mask.size()));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int i = 0; i < 16; ++i) {
    out.push_back(icon.palette[3 * i + 2]);
    out.push_back(icon.palette[3 * i + 1]);
    out.push_back(icon.palette[3 * i]);
    out.push_back(0);
  }
  out.insert(out.end(), colour.begin(), colour.end());
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}
