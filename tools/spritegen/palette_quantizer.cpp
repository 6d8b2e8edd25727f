#include "palette_quantizer.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <unordered_map>

#include <omp.h>

extern "C" {
#include <libimagequant.h>
}

namespace {

using Colour = std::array<uint8_t, 3>;

int Luma(const Colour& c) { return 299 * c[0] + 587 * c[1] + 114 * c[2]; }

std::vector<Colour> MakePalette(int width, int height, const std::vector<uint8_t>& rgb, int maxColours) {
  // One thread: libimagequant's parallel sums could otherwise come out in a
  // different order from run to run and change the palette.
  omp_set_num_threads(1);
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
    rgba[4 * i] = rgb[3 * i];
    rgba[4 * i + 1] = rgb[3 * i + 1];
    rgba[4 * i + 2] = rgb[3 * i + 2];
    rgba[4 * i + 3] = 255;
  }
  liq_attr* attr = liq_attr_create();
  liq_set_max_colors(attr, maxColours - 2);  // white and black are added below
  liq_set_speed(attr, 3);
  liq_set_quality(attr, 0, 100);
  liq_image* image = liq_image_create_rgba(attr, rgba.data(), width, height, 0.0);
  liq_result* result = nullptr;
  if (!image || liq_image_quantize(image, attr, &result) != LIQ_OK) {
    if (image) liq_image_destroy(image);
    liq_attr_destroy(attr);
    throw std::runtime_error("libimagequant could not make a palette");
  }
  liq_set_dithering_level(result, 0.0f);
  const liq_palette* pal = liq_get_palette(result);
  std::vector<Colour> colours;
  for (unsigned i = 0; i < pal->count; ++i) colours.push_back({pal->entries[i].r, pal->entries[i].g, pal->entries[i].b});
  liq_result_destroy(result);
  liq_image_destroy(image);
  liq_attr_destroy(attr);

  const Colour white = {255, 255, 255}, black = {0, 0, 0};
  colours.erase(std::remove(colours.begin(), colours.end(), white), colours.end());
  colours.erase(std::remove(colours.begin(), colours.end(), black), colours.end());
  std::sort(colours.begin(), colours.end(), [](const Colour& a, const Colour& b) {
    return Luma(a) != Luma(b) ? Luma(a) > Luma(b) : a > b;
  });
  colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
  colours.insert(colours.begin(), white);
  colours.push_back(black);
  return colours;
}

int Nearest(const std::vector<Colour>& colours, const uint8_t* p) {
  int best = 0;
  long bestDistance = -1;
  for (size_t i = 0; i < colours.size(); ++i) {
    const long dr = colours[i][0] - p[0], dg = colours[i][1] - p[1], db = colours[i][2] - p[2];
    const long d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

}  // namespace

IndexedImage QuantizeSheet(int width, int height, const std::vector<uint8_t>& rgb, int maxColours) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3)
    throw std::invalid_argument("sheet size does not match its pixels");
  if (maxColours < 4 || maxColours > 256) throw std::invalid_argument("colour count out of range");
  const std::vector<Colour> colours = MakePalette(width, height, rgb, maxColours);

  IndexedImage out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * height);
  std::unordered_map<uint32_t, int> cache;
  std::vector<bool> used(colours.size(), false);
  for (size_t i = 0; i < out.pixels.size(); ++i) {
    const uint8_t* p = &rgb[3 * i];
    const uint32_t key = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    auto it = cache.find(key);
    const int index = it != cache.end() ? it->second : (cache[key] = Nearest(colours, p));
    out.pixels[i] = static_cast<uint8_t>(index);
    used[index] = true;
  }
  // Drop entries no pixel took; the order of the rest stays, so does white at 0.
  used[0] = true;
  std::vector<int> renumber(colours.size(), 0);
  int count = 0;
  out.palette.assign(768, 0);
  for (size_t i = 0; i < colours.size(); ++i) {
    if (!used[i]) continue;
    renumber[i] = count;
    out.palette[3 * count] = colours[i][0];
    out.palette[3 * count + 1] = colours[i][1];
    out.palette[3 * count + 2] = colours[i][2];
    ++count;
  }
  for (uint8_t& p : out.pixels) p = static_cast<uint8_t>(renumber[p]);
  out.usedColours = count;
  return out;
}
