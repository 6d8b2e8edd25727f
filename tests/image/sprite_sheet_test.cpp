// The embedded sheet decodes to exactly its 511 x 585 pixels.
#include <gtest/gtest.h>

#include "gif_test_streams.h"
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
  // zero length byte; only the trailer is left unread.
  EXPECT_EQ(d.result.pixels, 298935u);
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  EXPECT_EQ(d.result.consumed, SpriteSheetDataLength - 1);
  EXPECT_EQ(SpriteSheetData[SpriteSheetDataLength - 1], 0x3B);
  EXPECT_TRUE(d.guardsIntact);
}

}  // namespace
