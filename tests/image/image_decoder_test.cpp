// ImageDecoder against the recording GDI and GlobalAlloc fakes: what the
// palette and the bitmap are made from, and that every block goes back.
#include <gtest/gtest.h>

#include "fakes/fake_gdi_palette.h"
#include "fakes/fake_log.h"
#include "gif_test_streams.h"
#include "image/image_decoder.h"

namespace {

HDC const WINDOW_DC = reinterpret_cast<HDC>(uintptr_t{0xDC0001});
HPALETTE const UNTOUCHED_PALETTE = reinterpret_cast<HPALETTE>(uintptr_t{0x5EED});
constexpr int32_t UNTOUCHED = -7;

struct DecoderRun {
  HBITMAP bitmap = nullptr;
  HPALETTE palette = UNTOUCHED_PALETTE;
  int32_t width = UNTOUCHED;
  int32_t height = UNTOUCHED;
  std::vector<std::string> calls;
};

DecoderRun Decode(const Bytes& stream) {
  FakeClear();
  FakeClearGdiPalette();
  DecoderRun r;
  r.bitmap = ImageDecoder(stream.data(), static_cast<uint32_t>(stream.size()), WINDOW_DC,
                          &r.palette, &r.width, &r.height);
  r.calls = FakeCalls();
  return r;
}

class ImageDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(FakeLiveGlobalBlocks(), 0); }
  void TearDown() override {
    EXPECT_EQ(FakeLiveGlobalBlocks(), 0) << "a GlobalAlloc block was not freed";
    FakeFailGlobalAllocAt(-1);
    FakeClearGdiPalette();
  }
};

struct Shape {
  uint32_t width, height, exponent, minCodeSize;
};

class ImageDecoderShapes : public ImageDecoderTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(ImageDecoderShapes, PaletteAndBitmapFromTheStream) {
  const Shape& s = GetParam();
  uint32_t n = 2u << s.exponent;
  Bytes pixels = NoisePixels(s.width * s.height, n, s.width + s.height);
  Bytes stream = EncodeStream(pixels, s.width, s.height, s.minCodeSize, s.exponent);
  Bytes colours = TestColours(n);
  DecoderRun r = Decode(stream);

  ASSERT_EQ(r.bitmap, FakeBitmapHandle(1));
  EXPECT_EQ(r.palette, FakePaletteHandle(1));
  EXPECT_EQ(r.width, static_cast<int32_t>(s.width));
  EXPECT_EQ(r.height, static_cast<int32_t>(s.height));
  // The palette is selected and realized before the bitmap is made.
  EXPECT_EQ(r.calls, (std::vector<std::string>{
                         "> CreatePalette " + std::to_string(n) + " -> palette1",
                         "> SelectPalette palette1 0", "> RealizePalette",
                         "> CreateDIBitmap " + std::to_string(s.width) + "x" + std::to_string(s.height) +
                             " 8bpp -> bitmap1"}));

  ASSERT_EQ(FakePaletteCalls().size(), 1u);
  const FakePaletteCall& p = FakePaletteCalls()[0];
  EXPECT_EQ(p.version, 0x300);
  ASSERT_EQ(p.count, n);
  for (uint32_t i = 0; i < n; ++i) {
    EXPECT_EQ(p.entries[i].peRed, colours[3 * i]) << i;
    EXPECT_EQ(p.entries[i].peGreen, colours[3 * i + 1]) << i;
    EXPECT_EQ(p.entries[i].peBlue, colours[3 * i + 2]) << i;
    EXPECT_EQ(p.entries[i].peFlags, 0) << i;
  }

  ASSERT_EQ(FakeBitmapCalls().size(), 1u);
  const FakeBitmapCall& b = FakeBitmapCalls()[0];
  EXPECT_EQ(b.dc, WINDOW_DC);
  EXPECT_EQ(b.init, CBM_INIT);
  EXPECT_EQ(b.usage, static_cast<UINT>(DIB_RGB_COLORS));
  for (const BITMAPINFOHEADER* h : {&b.header, &b.infoHeader}) {
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, static_cast<LONG>(s.width));
    EXPECT_EQ(h->biHeight, static_cast<LONG>(s.height));
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, 8);
    EXPECT_EQ(h->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h->biSizeImage, 0u);
    EXPECT_EQ(h->biXPelsPerMeter, 0);
    EXPECT_EQ(h->biYPelsPerMeter, 0);
    EXPECT_EQ(h->biClrUsed, n == 256 ? 0u : n);
    EXPECT_EQ(h->biClrImportant, 0u);
  }
  ASSERT_EQ(b.colours.size(), n);
  for (uint32_t i = 0; i < n; ++i) {
    EXPECT_EQ(b.colours[i].rgbBlue, colours[3 * i + 2]) << i;
    EXPECT_EQ(b.colours[i].rgbGreen, colours[3 * i + 1]) << i;
    EXPECT_EQ(b.colours[i].rgbRed, colours[3 * i]) << i;
    EXPECT_EQ(b.colours[i].rgbReserved, 0) << i;
  }
  // Bottom-up rows of S bytes, the padding zero.
  uint32_t stride = (s.width + 3) & ~3u;
  ASSERT_EQ(b.bits.size(), stride * s.height);
  for (uint32_t row = 0; row < s.height; ++row) {
    const uint8_t* memoryRow = b.bits.data() + (s.height - 1 - row) * stride;
    ASSERT_EQ(Bytes(memoryRow, memoryRow + s.width),
              Bytes(pixels.begin() + row * s.width, pixels.begin() + (row + 1) * s.width))
        << "image row " << row;
    for (uint32_t x = s.width; x < stride; ++x) EXPECT_EQ(memoryRow[x], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, ImageDecoderShapes,
                         ::testing::Values(Shape{13, 7, 7, 8}, Shape{8, 8, 0, 2}, Shape{5, 9, 1, 2},
                                           Shape{31, 3, 3, 4}, Shape{66, 10, 6, 7}, Shape{1, 1, 7, 8}));

struct Refusal {
  const char* name;
  Bytes stream;
};

class ImageDecoderRefusals : public ImageDecoderTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ImageDecoderRefusals, WriteNothingAndCallNothing) {
  DecoderRun r = Decode(GetParam().stream);
  EXPECT_EQ(r.bitmap, nullptr);
  EXPECT_EQ(r.palette, UNTOUCHED_PALETTE);
  EXPECT_EQ(r.width, UNTOUCHED);
  EXPECT_EQ(r.height, UNTOUCHED);
  EXPECT_TRUE(r.calls.empty());
}

Bytes Good() { return EncodeStream({1, 2, 3, 4, 5, 6}, 3, 2, 8, 7); }
Bytes Patched(size_t at, uint8_t value) {
  Bytes s = Good();
  s[at] = value;
  return s;
}
Bytes Cut(size_t n) {
  Bytes s = Good();
  s.resize(n);
  return s;
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageDecoderRefusals,
                         ::testing::Values(Refusal{"NoGlobalTable", Patched(4, 0x77)},
                                           Refusal{"Extension", Patched(7 + 768, 0x21)},
                                           Refusal{"CutInTable", Cut(400)},
                                           Refusal{"CutInDescriptor", Cut(7 + 768 + 10)},
                                           Refusal{"CutInScreen", Cut(5)},
                                           Refusal{"ZeroWidth", StreamHeader(0, 4, 8, 0xF7)},
                                           Refusal{"CodeSize12", StreamHeader(4, 4, 12, 0xF7)}),
                         [](const auto& info) { return std::string(info.param.name); });

// The six blocks in the order they are taken: colour table copy, pixel
// buffer, sub-block buffer, code table, palette record, bitmap header.
struct AllocFailure {
  int failAt;
  bool sizeWritten;
  HPALETTE palette;  // what the palette place holds afterwards
  std::vector<std::string> calls;
};

class ImageDecoderAllocation : public ImageDecoderTest,
                               public ::testing::WithParamInterface<AllocFailure> {};

TEST_P(ImageDecoderAllocation, FailureFreesWhatWasTaken) {
  const AllocFailure& f = GetParam();
  Bytes stream = Good();
  FakeClear();
  FakeClearGdiPalette();
  FakeFailGlobalAllocAt(f.failAt);
  DecoderRun r;
  r.bitmap = ImageDecoder(stream.data(), static_cast<uint32_t>(stream.size()), WINDOW_DC, &r.palette,
                          &r.width, &r.height);
  EXPECT_EQ(r.bitmap, nullptr);
  EXPECT_EQ(r.width, f.sizeWritten ? 3 : UNTOUCHED);
  EXPECT_EQ(r.height, f.sizeWritten ? 2 : UNTOUCHED);
  EXPECT_EQ(r.palette, f.palette);
  EXPECT_EQ(FakeCalls(), f.calls);
}

INSTANTIATE_TEST_SUITE_P(
    EachBlock, ImageDecoderAllocation,
    ::testing::Values(
        AllocFailure{0, false, UNTOUCHED_PALETTE, {}}, AllocFailure{1, true, UNTOUCHED_PALETTE, {}},
        AllocFailure{2, true, UNTOUCHED_PALETTE, {}}, AllocFailure{3, true, UNTOUCHED_PALETTE, {}},
        // Without its record no palette is made, and none is reported.
        AllocFailure{4, true, nullptr, {}},
        // The palette exists and is the caller's; there is no bitmap.
        AllocFailure{5, true, FakePaletteHandle(1),
                     {"> CreatePalette 256 -> palette1", "> SelectPalette palette1 0",
                      "> RealizePalette"}}));

TEST_F(ImageDecoderTest, SixBlocksAreTaken) {
  // A seventh failure point is never reached: the run is complete.
  FakeFailGlobalAllocAt(6);
  DecoderRun r = Decode(Good());
  EXPECT_NE(r.bitmap, nullptr);
  FakeFailGlobalAllocAt(-1);
}

TEST_F(ImageDecoderTest, RefusedPaletteIsReportedAsNoneAndNotSelected) {
  FakeClear();
  FakeClearGdiPalette();
  FakeFailCreatePalette(true);
  Bytes stream = Good();
  HPALETTE palette = UNTOUCHED_PALETTE;
  int32_t w = 0, h = 0;
  HBITMAP bitmap = ImageDecoder(stream.data(), static_cast<uint32_t>(stream.size()), WINDOW_DC,
                                &palette, &w, &h);
  EXPECT_EQ(palette, nullptr);
  EXPECT_EQ(bitmap, FakeBitmapHandle(1));
  EXPECT_EQ(FakeCalls(), (std::vector<std::string>{"> CreatePalette 256 -> 0", "> CreateDIBitmap 3x2 8bpp -> bitmap1"}));
}

TEST_F(ImageDecoderTest, HugeImageFailsWithoutTakingAPixelBuffer) {
  Bytes stream = StreamHeader(65535, 65535, 8, 0xF7);
  DecoderRun r = Decode(stream);
  EXPECT_EQ(r.bitmap, nullptr);
  EXPECT_EQ(r.width, 65535);
  EXPECT_EQ(r.height, 65535);
  EXPECT_EQ(r.palette, UNTOUCHED_PALETTE);
  EXPECT_TRUE(r.calls.empty());
}

TEST_F(ImageDecoderTest, DataEndingEarlyStillMakesTheBitmap) {
  Bytes stream = StreamHeader(4, 2, 8, 0xF7);
  Bytes blocks = SubBlocks(PackCodes(Codes({256, 7, 8, 9}, 9), 1));  // no end code
  stream.insert(stream.end(), blocks.begin(), blocks.end());
  DecoderRun r = Decode(stream);
  ASSERT_EQ(r.bitmap, FakeBitmapHandle(1));
  EXPECT_EQ(FakeBitmapCalls()[0].bits, (Bytes{0, 0, 0, 0, 7, 8, 9, 0}));
}

}  // namespace
