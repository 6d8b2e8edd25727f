// One shared palette for the sheet: bounded size, white at 0, black last,
// and the same colour always given the same index.
#include <gtest/gtest.h>

#include <map>

#include "palette_quantizer.h"

namespace {

// A smooth image with far more colours than the palette holds, a white
// border and a black bar.
std::vector<uint8_t> Gradient(int w, int h) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool border = x < 3 || y < 3, bar = y > h - 5;
      rgb.push_back(border ? 255 : bar ? 0 : static_cast<uint8_t>(x * 255 / w));
      rgb.push_back(border ? 255 : bar ? 0 : static_cast<uint8_t>(y * 255 / h));
      rgb.push_back(border ? 255 : bar ? 0 : static_cast<uint8_t>((x + y) * 127 / (w + h)));
    }
  return rgb;
}

TEST(PaletteQuantizer, KeepsItsPromisesForEachSize) {
  for (int colours : {16, 64, 234}) {
    SCOPED_TRACE(testing::Message() << colours << " colours");
    const int w = 120, h = 90;
    const std::vector<uint8_t> rgb = Gradient(w, h);
    const IndexedImage q = QuantizeSheet(w, h, rgb, colours);
    EXPECT_LE(q.usedColours, colours);
    EXPECT_GT(q.usedColours, colours / 2);
    EXPECT_EQ(q.palette[0] + q.palette[1] + q.palette[2], 3 * 255);
    const int black = q.usedColours - 1;
    EXPECT_EQ(q.palette[3 * black] + q.palette[3 * black + 1] + q.palette[3 * black + 2], 0);
    std::map<uint32_t, uint8_t> indexOf;
    long error = 0;
    for (size_t i = 0; i < q.pixels.size(); ++i) {
      const uint8_t* p = &rgb[3 * i];
      const uint32_t key = (p[0] << 16) | (p[1] << 8) | p[2];
      if (key == 0xFFFFFF) {
        ASSERT_EQ(q.pixels[i], 0);
      }
      if (key == 0) {
        ASSERT_EQ(q.pixels[i], black);
      }
      auto [it, fresh] = indexOf.emplace(key, q.pixels[i]);
      ASSERT_TRUE(fresh || it->second == q.pixels[i]) << "one colour, two indices";
      ASSERT_LT(q.pixels[i], q.usedColours);
      for (int c = 0; c < 3; ++c) error += std::abs(q.palette[3 * q.pixels[i] + c] - p[c]);
    }
    EXPECT_LT(error / static_cast<long>(q.pixels.size()), colours >= 234 ? 12 : colours >= 64 ? 24 : 40) << "colours far off";
    for (size_t i = 3 * q.usedColours; i < 768; ++i) EXPECT_EQ(q.palette[i], 0);
  }
}

TEST(PaletteQuantizer, RefusesBadInput) {
  EXPECT_THROW(QuantizeSheet(4, 4, std::vector<uint8_t>(47), 16), std::invalid_argument);
  EXPECT_THROW(QuantizeSheet(0, 4, {}, 16), std::invalid_argument);
  EXPECT_THROW(QuantizeSheet(4, 4, std::vector<uint8_t>(48), 257), std::invalid_argument);
  EXPECT_THROW(QuantizeSheet(4, 4, std::vector<uint8_t>(48), 2), std::invalid_argument);
}

}  // namespace
