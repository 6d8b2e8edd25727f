// The embedded sheet decodes to exactly its 511 x 585 pixels.
#include <gtest/gtest.h>

#include "fakes/fake_gdi_palette.h"
#include "fakes/fake_log.h"
#include "gif_test_streams.h"
#include "image/image_decoder.h"
#include "image/sprite_sheet_data.h"

namespace {

TEST(EmbeddedSheet, DecodesToItsFullSize) {
  Bytes stream(SpriteSheetData, SpriteSheetData + SpriteSheetDataLength);
  Decoded d = DecodeStream(stream);
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.header.width, 511u);
  EXPECT_EQ(d.header.height, 585u);
  EXPECT_EQ(d.header.colourCount, 256u);
  EXPECT_EQ(PixelStride(d.header.width), 512u);
  EXPECT_EQ(d.buffer.size(), 512u * 585);
  // The last pixel comes just before the end code, which is followed by the
  // zero length byte; only the trailer is left unread. An end code that
  // fills the last sub-block to its last bit is not seen: the zero length
  // byte ends the data at the same place.
  EXPECT_EQ(d.result.pixels, 298935u);
  EXPECT_NE(d.result.stop, LZW_BAD_CODE);
  EXPECT_EQ(d.result.consumed, SpriteSheetDataLength - 1);
  EXPECT_EQ(SpriteSheetData[SpriteSheetDataLength - 1], 0x3B);
  EXPECT_TRUE(d.guardsIntact);
}

TEST(EmbeddedSheet, MakesA256ColourBitmap) {
  FakeClear();
  FakeClearGdiPalette();
  HPALETTE palette = nullptr;
  int32_t width = 0, height = 0;
  HBITMAP bitmap = ImageDecoder(SpriteSheetData, SpriteSheetDataLength, nullptr, &palette, &width, &height);
  EXPECT_EQ(bitmap, FakeBitmapHandle(1));
  EXPECT_EQ(palette, FakePaletteHandle(1));
  EXPECT_EQ(width, 511);
  EXPECT_EQ(height, 585);
  EXPECT_EQ(FakeLiveGlobalBlocks(), 0);
  ASSERT_EQ(FakePaletteCalls().size(), 1u);
  EXPECT_EQ(FakePaletteCalls()[0].count, 256);
  ASSERT_EQ(FakeBitmapCalls().size(), 1u);
  EXPECT_EQ(FakeBitmapCalls()[0].header.biClrUsed, 0u);
  EXPECT_EQ(FakeBitmapCalls()[0].bits.size(), 512u * 585);
  Decoded d = DecodeStream(Bytes(SpriteSheetData, SpriteSheetData + SpriteSheetDataLength));
  EXPECT_EQ(FakeBitmapCalls()[0].bits, d.buffer);
}

}  // namespace
