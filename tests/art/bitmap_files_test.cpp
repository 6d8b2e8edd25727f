// The about box bitmaps and the icon, read back field by field.
#include <gtest/gtest.h>

#include "bitmap_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32(const Bytes& b, size_t at) {
  return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<uint32_t>(b.at(at + 3)) << 24);
}
uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }

// A pixel value of a bottom-up, MSB-first bitmap whose rows start at `bits`.
int PixelOf(const Bytes& file, size_t bits, int w, int h, int depth, int x, int y) {
  const int stride = ((w * depth + 31) / 32) * 4;
  const uint8_t byte = file.at(bits + static_cast<size_t>(h - 1 - y) * stride + x * depth / 8);
  return (byte >> (8 - depth - (x * depth) % 8)) & ((1 << depth) - 1);
}

struct BitmapCase {
  const char* name;
  int depth;
  std::vector<uint32_t> table;
};

TEST(AboutBitmaps, HeadersAndColourTables) {
  const LogoImage logo = RenderLogo();
  const Bytes picture = LogoBitmapFile(logo), mask = MaskBitmapFile(logo);
  const BitmapCase cases[] = {
      {"picture", 4, {0xFFFFFF, 0xAAAAAA, 0xAAAAAA, 0xAAAAAA, 0x555555, 0x000000}},
      {"mask", 1, {0xFFFFFF, 0x000000}},
  };
  for (const BitmapCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes& f = c.depth == 4 ? picture : mask;
    const int stride = ((67 * c.depth + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(c.table.size());
    EXPECT_EQ(f.at(0), 'B');
    EXPECT_EQ(f.at(1), 'M');
    EXPECT_EQ(U32(f, 2), f.size());
    EXPECT_EQ(U32(f, 10), offset);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 67u);
    EXPECT_EQ(U32(f, 22), 50u);  // positive: bottom-up
    EXPECT_EQ(U16(f, 26), 1);
    EXPECT_EQ(U16(f, 28), c.depth);
    EXPECT_EQ(U32(f, 30), 0u);
    EXPECT_EQ(U32(f, 46), c.table.size());
    for (size_t i = 0; i < c.table.size(); ++i) EXPECT_EQ(U32(f, 54 + 4 * i), c.table[i]) << "entry " << i;
    EXPECT_EQ(f.size(), offset + static_cast<size_t>(stride) * 50);
  }
}

TEST(AboutBitmaps, PictureIsBlackWhereTheMaskLetsTheDialogShow) {
  const LogoImage logo = RenderLogo();
  const Bytes picture = LogoBitmapFile(logo), mask = MaskBitmapFile(logo);
  int opaque = 0, levels[6] = {};
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 67; ++x) {
      const int m = PixelOf(mask, 62, 67, 50, 1, x, y);
      const int p = PixelOf(picture, 78, 67, 50, 4, x, y);
      ASSERT_TRUE(p == 0 || p == 1 || p == 4 || p == 5) << x << "," << y;
      if (m == 0) {
        ASSERT_EQ(p, 5) << "the picture is ORed in: it must be black outside the logo, at " << x << "," << y;
      }
      opaque += m;
      ++levels[p];
    }
  EXPECT_GT(opaque, 400);
  EXPECT_LT(opaque, 67 * 50 / 2);
  EXPECT_GT(levels[0], 30);  // white
  EXPECT_GT(levels[1], 30);  // light grey
  EXPECT_GT(levels[4], 30);  // dark grey
  // An emblem above lettering: something opaque in the top half and in the bottom rows.
  int top = 0, bottom = 0;
  for (int x = 0; x < 67; ++x) {
    top += PixelOf(mask, 62, 67, 50, 1, x, 15);
    bottom += PixelOf(mask, 62, 67, 50, 1, x, 42);
  }
  EXPECT_GT(top, 10);
  EXPECT_GT(bottom, 10);
  // The rows bottom-up: row 0 of the mask data is the picture's last row.
  EXPECT_EQ(PixelOf(mask, 62, 67, 50, 1, 0, 49), 0);
}

TEST(WindowIcon, OneSixteenColourImageWithItsMask) {
  const IconImage icon = RenderIcon();
  const Bytes f = IconFile(icon);
  EXPECT_EQ(U16(f, 0), 0);
  EXPECT_EQ(U16(f, 2), 1);
  EXPECT_EQ(U16(f, 4), 1);
  EXPECT_EQ(f.at(6), 32);
  EXPECT_EQ(f.at(7), 32);
  EXPECT_EQ(f.at(8), 16);
  EXPECT_EQ(U16(f, 12), 4);
  EXPECT_EQ(U32(f, 18), 22u);
  EXPECT_EQ(U32(f, 14), f.size() - 22);
  EXPECT_EQ(U32(f, 22), 40u);
  EXPECT_EQ(U32(f, 26), 32u);
  EXPECT_EQ(U32(f, 30), 64u);  // colour rows and mask rows
  EXPECT_EQ(U16(f, 36), 4);
  const size_t colours = 22 + 40, bits = colours + 64, andMask = bits + 32 * 16;
  EXPECT_EQ(f.size(), andMask + 32 * 4);
  int shown = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const bool transparent = PixelOf(f, andMask, 32, 32, 1, x, y) == 1;
      const int index = PixelOf(f, bits, 32, 32, 4, x, y);
      EXPECT_EQ(transparent, !icon.opaque[y * 32 + x]);
      if (transparent) {
        // Transparent pixels carry black so the screen shows through unchanged.
        EXPECT_EQ(U32(f, colours + 4 * index) & 0xFFFFFF, 0u) << x << "," << y;
      } else {
        ++shown;
      }
    }
  EXPECT_GT(shown, 400);
  EXPECT_LT(shown, 1000);
  EXPECT_EQ(PixelOf(f, andMask, 32, 32, 1, 0, 0), 1) << "the corners show the desktop";
}

}  // namespace
