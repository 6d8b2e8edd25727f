// The LZW expansion: bit order, code table growth, clear and end codes, the
// end of the data, and streams that break the rules.
#include <gtest/gtest.h>

#include "gif_test_streams.h"

namespace {

constexpr uint8_t GCT_256 = 0xF7;  // global table, 256 entries
constexpr uint8_t GCT_4 = 0x81;

// m = 8, W x 1 image, the given sub-block payload.
Bytes Stream8(uint32_t width, const Bytes& blocks, uint32_t height = 1) {
  Bytes s = StreamHeader(width, height, 8, GCT_256);
  s.insert(s.end(), blocks.begin(), blocks.end());
  return s;
}

Bytes Repeat(uint8_t value, size_t n) { return Bytes(n, value); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(LzwBitOrder, FourBytesGiveClearZeroAnd233) {
  // Nine-bit codes, least significant bit first: 256, 0, 233, then five
  // bits that cannot make a fourth code.
  Decoded d = DecodeStream(Stream8(2, SubBlocks({0x00, 0x01, 0xA4, 0x1B})));
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.result.codes, 3u);
  EXPECT_EQ(d.result.stop, LZW_DATA_END);
  EXPECT_EQ(d.TopDown(), (Bytes{0, 233}));
}

TEST(LzwBitOrder, PackerAgreesWithTheByteExample) {
  // The example's last five bits are the start of a fourth code (3).
  EXPECT_EQ(PackCodes({{256, 9}, {0, 9}, {233, 9}, {3, 5}}), (Bytes{0x00, 0x01, 0xA4, 0x1B}));
}

struct StringCase {
  const char* name;
  std::vector<uint32_t> codes;  // nine-bit codes, m = 8
  Bytes pixels;
};

class LzwStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(LzwStrings, DecodeToExpectedPixels) {
  const StringCase& c = GetParam();
  std::vector<uint32_t> codes = c.codes;
  codes.push_back(257);
  // Padding bits keep the end code off the data's last bit.
  Decoded d = DecodeStream(
      Stream8(static_cast<uint32_t>(c.pixels.size()), SubBlocks(PackCodes(Codes(codes, 9), 3))));
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  EXPECT_EQ(d.result.pixels, c.pixels.size());
  EXPECT_EQ(d.TopDown(), c.pixels);
  EXPECT_TRUE(d.guardsIntact);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LzwStrings,
    ::testing::Values(
        // 259, 260, 261 are each one past the last assigned code.
        StringCase{"OnePastChain", {256, 0, 233, 259, 260, 261},
                   Join({{0}, Repeat(233, 10)})},
        StringCase{"OnePastSingle", {256, 5, 7, 259}, {5, 7, 7, 7}},
        // 260 one past after a two-pixel string: 5 7 followed by 5.
        StringCase{"OnePastOfLongerString", {256, 5, 7, 258, 260}, {5, 7, 5, 7, 5, 7, 5}},
        // The code after a clear adds nothing, so 258 is (3, 4).
        StringCase{"FirstEntryIs258", {256, 3, 4, 258}, {3, 4, 3, 4}},
        StringCase{"ClearStartsTheTableAgain", {256, 3, 4, 256, 5, 6, 258}, {3, 4, 5, 6, 5, 6}},
        StringCase{"ClearRightAfterClear", {256, 256, 9, 9, 258}, {9, 9, 9, 9}},
        // Readers start in the cleared state, so a missing first clear is harmless.
        StringCase{"NoLeadingClear", {1, 2, 258}, {1, 2, 1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

// After entry 2^(m+1) - 1 is assigned the codes are one bit wider; a clear
// code narrows them again.
class LzwWidthGrowth : public ::testing::TestWithParam<uint32_t> {};

TEST_P(LzwWidthGrowth, WidensAfterTheLastEntryOfAWidth) {
  uint32_t m = GetParam();
  uint32_t clear = 1u << m, end = clear + 1;
  // The k-th code after a clear (k >= 2) assigns entry 2^m + k, so the
  // last entry of width m + 1 comes with the code k = 2^m - 1.
  uint32_t narrow = (1u << m) - 1;
  std::vector<Code> codes{{clear, m + 1}};
  for (uint32_t k = 0; k < narrow; ++k) codes.push_back({1, m + 1});
  codes.push_back({2, m + 2});
  codes.push_back({clear, m + 2});
  codes.push_back({3, m + 1});
  codes.push_back({end, m + 1});
  Bytes s = StreamHeader(narrow + 2, 1, m, static_cast<uint8_t>(0x80 | (m - 1)));
  Bytes blocks = SubBlocks(PackCodes(codes));
  s.insert(s.end(), blocks.begin(), blocks.end());
  Decoded d = DecodeStream(s);
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  Bytes expected(narrow, 1);
  expected.push_back(2);
  expected.push_back(3);
  EXPECT_EQ(d.TopDown(), expected);
}

INSTANTIATE_TEST_SUITE_P(MinCodeSizes, LzwWidthGrowth, ::testing::Values(2u, 3u, 5u, 7u, 8u));

struct EndCase {
  const char* name;
  std::vector<uint32_t> codes;  // nine bits each, m = 8, no end code
  uint32_t padBits;
  uint32_t blockSize;
  Bytes pixels;
};

class LzwEndOfData : public ::testing::TestWithParam<EndCase> {};

TEST_P(LzwEndOfData, LastCodeOnTheLastBitIsDropped) {
  const EndCase& c = GetParam();
  Decoded d = DecodeStream(Stream8(16, SubBlocks(PackCodes(Codes(c.codes, 9), c.padBits), c.blockSize)));
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.result.stop, LZW_DATA_END);
  Bytes got = d.TopDown();
  got.resize(c.pixels.size());
  EXPECT_EQ(got, c.pixels);
  EXPECT_EQ(d.result.pixels, c.pixels.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LzwEndOfData,
    ::testing::Values(
        // Eight codes of nine bits fill nine bytes exactly: the last is lost.
        EndCase{"ExactFit", {256, 1, 2, 3, 4, 5, 6, 7}, 0, 255, {1, 2, 3, 4, 5, 6}},
        EndCase{"ExactFitAcrossBlocks", {256, 1, 2, 3, 4, 5, 6, 7}, 0, 2, {1, 2, 3, 4, 5, 6}},
        // One spare bit after the last code keeps it.
        EndCase{"OneSpareBit", {256, 1, 2, 3, 4, 5, 6}, 1, 255, {1, 2, 3, 4, 5, 6}},
        EndCase{"SpareBitsAcrossBlocks", {256, 1, 2, 3, 4, 5, 6}, 1, 3, {1, 2, 3, 4, 5, 6}},
        // A code ending on the last bit of a block that is not the last is kept.
        EndCase{"InnerBlockEdge", {256, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 1, 9,
                {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LzwEndOfData, CodeCutShortIsNotUsed) {
  Bytes bytes = PackCodes(Codes({256, 1, 2, 3}, 9));  // 36 bits in five bytes
  bytes.pop_back();                                   // code 3 loses its last bits
  Decoded d = DecodeStream(Stream8(3, SubBlocks(bytes)));
  EXPECT_EQ(d.result.stop, LZW_DATA_END);
  EXPECT_EQ(d.result.pixels, 2u);
  EXPECT_EQ(d.TopDown(), (Bytes{1, 2, 0}));
}

TEST(LzwEndOfData, EndCodeReadsTheClosingByte) {
  Bytes s = Stream8(2, SubBlocks(PackCodes(Codes({256, 4, 5, 257}, 9))));
  Decoded d = DecodeStream(s);
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  EXPECT_EQ(d.TopDown(), (Bytes{4, 5}));
  // Everything but the trailer is read.
  EXPECT_EQ(d.result.consumed, s.size() - 1);
}

TEST(LzwEndOfData, DataCutInsideASubBlockUsesWhatIsThere) {
  // The length byte promises 200 bytes; only the first three codes' bytes exist.
  Bytes codes = PackCodes(Codes({256, 4, 5, 6}, 9), 4);
  Bytes s = Stream8(4, Join({{200}, codes}));
  Decoded d = DecodeStream(s);
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.result.stop, LZW_DATA_END);
  EXPECT_EQ(d.TopDown(), (Bytes{4, 5, 6, 0}));
  EXPECT_EQ(d.result.consumed, s.size());
}

TEST(LzwEndOfData, NoSubBlocksAtAll) {
  for (const Bytes& tail : {Bytes{}, Bytes{0}, Bytes{0, 0x3B}, Bytes{5}}) {
    Decoded d = DecodeStream(Stream8(3, tail, 2));
    ASSERT_EQ(d.status, HEADER_OK);
    EXPECT_EQ(d.result.stop, LZW_DATA_END);
    EXPECT_EQ(d.result.codes, 0u);
    EXPECT_EQ(d.TopDown(), Bytes(6, 0));
    EXPECT_TRUE(d.guardsIntact);
  }
}

struct BadCase {
  const char* name;
  std::vector<uint32_t> codes;
  Bytes pixels;  // of a 3 x 2 image
  LzwStop stop;
};

class LzwBadCodes : public ::testing::TestWithParam<BadCase> {};

TEST_P(LzwBadCodes, StopSafely) {
  const BadCase& c = GetParam();
  Decoded d = DecodeStream(Stream8(3, SubBlocks(PackCodes(Codes(c.codes, 9), 7)), 2));
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.result.stop, c.stop);
  EXPECT_EQ(d.TopDown(), c.pixels);
  EXPECT_TRUE(d.guardsIntact);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LzwBadCodes,
    ::testing::Values(
        // Codes naming no string end decoding; unreached pixels are 0.
        BadCase{"FirstCodeIsAnEntry", {300, 1, 2, 257}, {0, 0, 0, 0, 0, 0}, LZW_BAD_CODE},
        BadCase{"OnePastWithNoPrevious", {256, 258, 1, 257}, {0, 0, 0, 0, 0, 0}, LZW_BAD_CODE},
        BadCase{"TwoPastTheLast", {256, 7, 8, 260, 1}, {7, 8, 0, 0, 0, 0}, LZW_BAD_CODE},
        BadCase{"FarPastTheLast", {256, 7, 511}, {7, 0, 0, 0, 0, 0}, LZW_BAD_CODE},
        BadCase{"EndRightAfterClear", {256, 257, 1}, {0, 0, 0, 0, 0, 0}, LZW_END_CODE},
        BadCase{"EndAfterFirstLiteral", {256, 9, 257, 1}, {9, 0, 0, 0, 0, 0}, LZW_END_CODE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LzwPixels, SurplusPixelsAreDroppedAndDecodingGoesOn) {
  // 2 x 2 image, ten pixels of codes: the first four land, the rest count.
  Bytes s = Stream8(2, SubBlocks(PackCodes(Codes({256, 1, 2, 258, 3, 260, 257}, 9))), 2);
  Decoded d = DecodeStream(s);
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  EXPECT_EQ(d.result.pixels, 1u + 1 + 2 + 1 + 3);
  EXPECT_EQ(d.TopDown(), (Bytes{1, 2, 1, 2}));
  EXPECT_TRUE(d.guardsIntact);
}

TEST(LzwPixels, LongStringOverTheImageEnd) {
  // 3 x 3: a run of 13 equal pixels, the last string crossing the end.
  Bytes pixels(13, 6);
  Bytes s = StreamHeader(3, 3, 8, GCT_256);
  Bytes blocks = SubBlocks(PackCodes(EncodeLzw(pixels, 8)));
  s.insert(s.end(), blocks.begin(), blocks.end());
  Decoded d = DecodeStream(s);
  EXPECT_EQ(d.result.pixels, 13u);
  EXPECT_EQ(d.TopDown(), Bytes(9, 6));
  EXPECT_TRUE(d.guardsIntact);
}

TEST(LzwPixels, UnreachedSlotsAndPaddingAreZero) {
  // 5 x 3 image (stride 8) with only four pixels of data.
  Decoded d = DecodeStream(Stream8(5, SubBlocks(PackCodes(Codes({256, 9, 9, 258, 257}, 9))), 3));
  ASSERT_EQ(d.buffer.size(), 24u);
  Bytes expected(24, 0);
  expected[16] = expected[17] = expected[18] = expected[19] = 9;  // top row = last memory row
  EXPECT_EQ(d.buffer, expected);
}

TEST(LzwPixels, FirstPixelStartsTheLastMemoryRow) {
  Decoded d = DecodeStream(Stream8(3, SubBlocks(PackCodes(Codes({256, 1, 2, 3, 4, 5, 6, 257}, 9))), 2));
  EXPECT_EQ(d.buffer, (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
}

TEST(LzwPixels, InterlaceAndLocalTableFlagsAreIgnored) {
  Bytes s = StreamHeader(2, 2, 2, GCT_4, {}, 0xC0);
  Bytes blocks = SubBlocks(PackCodes(EncodeLzw({0, 1, 2, 3}, 2)));
  s.insert(s.end(), blocks.begin(), blocks.end());
  EXPECT_EQ(DecodeStream(s).TopDown(), (Bytes{0, 1, 2, 3}));
}

// Round trips through the test encoder: sizes, widths, table sizes, minimum
// code sizes below 8 and sub-block sizes that cut codes apart.
struct RoundTrip {
  uint32_t width, height, exponent, minCodeSize, blockSize;
  bool noise;
};

class LzwRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(LzwRoundTrip, DecodesWhatWasEncoded) {
  const RoundTrip& r = GetParam();
  uint32_t colours = 1u << (r.exponent + 1);
  Bytes pixels = r.noise ? NoisePixels(r.width * r.height, colours, r.width)
                         : GradientPixels(r.width, r.height, colours);
  Decoded d = DecodeStream(EncodeStream(pixels, r.width, r.height, r.minCodeSize, r.exponent, r.blockSize));
  ASSERT_EQ(d.status, HEADER_OK);
  EXPECT_EQ(d.header.colourCount, colours);
  // An end code that ends on the data's last bit reads as the end of data.
  EXPECT_NE(d.result.stop, LZW_BAD_CODE);
  EXPECT_EQ(d.result.pixels, r.width * r.height);
  EXPECT_EQ(d.TopDown(), pixels);
  EXPECT_TRUE(d.guardsIntact);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LzwRoundTrip,
    ::testing::Values(RoundTrip{1, 1, 0, 2, 255, false}, RoundTrip{1, 57, 0, 2, 1, true},
                      RoundTrip{57, 1, 1, 2, 7, true}, RoundTrip{3, 5, 2, 3, 255, false},
                      RoundTrip{31, 17, 3, 4, 13, true}, RoundTrip{101, 77, 4, 5, 255, false},
                      RoundTrip{127, 65, 5, 6, 254, true}, RoundTrip{199, 101, 6, 7, 100, true},
                      RoundTrip{300, 200, 7, 8, 255, true}, RoundTrip{511, 40, 7, 8, 255, false},
                      RoundTrip{4, 4, 0, 8, 255, true}, RoundTrip{1022, 3, 2, 3, 2, false}));

TEST(LzwFullTable, WithoutClearKeepsTwelveBitsAndStopsAdding) {
  // Noise fills the 4,096 codes early; the rest of the image is coded with
  // the full table and 12-bit codes.
  Bytes pixels = NoisePixels(200 * 150, 256, 3);
  EncodeOptions never;
  never.clearWhenFull = false;
  std::vector<Code> codes = EncodeLzw(pixels, 8, never);
  size_t twelve = 0;
  for (const Code& c : codes) {
    ASSERT_LE(c.width, 12u);
    twelve += c.width == 12;
  }
  ASSERT_GT(twelve, 4000u);  // the stream does go on long past the full table
  Bytes s = StreamHeader(200, 150, 8, GCT_256);
  Bytes blocks = SubBlocks(PackCodes(codes));
  s.insert(s.end(), blocks.begin(), blocks.end());
  Decoded d = DecodeStream(s);
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  EXPECT_EQ(d.result.codes, codes.size());
  EXPECT_EQ(d.TopDown(), pixels);
  EXPECT_TRUE(d.guardsIntact);
}

TEST(LzwFullTable, SmallCodeSizeWithoutClearAndWithoutLeadingClear) {
  Bytes pixels = NoisePixels(180 * 120, 4, 9);
  EncodeOptions bare;
  bare.clearWhenFull = false;
  bare.leadingClear = false;
  Decoded d = DecodeStream(EncodeStream(pixels, 180, 120, 2, 1, 255, bare));
  EXPECT_EQ(d.result.stop, LZW_END_CODE);
  EXPECT_EQ(d.TopDown(), pixels);
}

struct HeaderCase {
  const char* name;
  Bytes stream;
  HeaderStatus status;
};

Bytes WithByte(Bytes s, size_t at, uint8_t value) {
  s[at] = value;
  return s;
}

class ImageHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ImageHeaders, AreRefused) {
  ImageHeader h{};
  const Bytes& s = GetParam().stream;
  EXPECT_EQ(ReadImageHeader(s.data(), static_cast<uint32_t>(s.size()), &h), GetParam().status);
}

const Bytes GOOD4 = Join({StreamHeader(3, 2, 2, GCT_4), SubBlocks(PackCodes(EncodeLzw({0, 1, 2, 3, 0, 1}, 2)))});

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageHeaders,
    ::testing::Values(
        HeaderCase{"NoGlobalTable", WithByte(GOOD4, 4, 0x77), HEADER_NO_COLOUR_TABLE},
        HeaderCase{"ExtensionAfterTable", WithByte(GOOD4, 7 + 12, 0x21), HEADER_NO_SEPARATOR},
        HeaderCase{"ZeroWidth", StreamHeader(0, 5, 8, GCT_256), HEADER_EMPTY_IMAGE},
        HeaderCase{"ZeroHeight", StreamHeader(5, 0, 8, GCT_256), HEADER_EMPTY_IMAGE},
        HeaderCase{"CodeSize0", StreamHeader(5, 5, 0, GCT_256), HEADER_BAD_CODE_SIZE},
        HeaderCase{"CodeSize1", StreamHeader(5, 5, 1, GCT_256), HEADER_BAD_CODE_SIZE},
        HeaderCase{"CodeSize9", StreamHeader(5, 5, 9, GCT_256), HEADER_BAD_CODE_SIZE},
        HeaderCase{"CodeSize12", StreamHeader(5, 5, 12, GCT_256), HEADER_BAD_CODE_SIZE},
        HeaderCase{"Empty", {}, HEADER_TRUNCATED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageHeaders, EveryCutInsideTheHeaderIsTruncated) {
  Bytes full = StreamHeader(3, 2, 8, GCT_256);
  for (size_t cut = 0; cut < full.size(); ++cut) {
    Bytes s(full.begin(), full.begin() + cut);
    ImageHeader h{};
    EXPECT_EQ(ReadImageHeader(s.data(), static_cast<uint32_t>(s.size()), &h), HEADER_TRUNCATED) << cut;
  }
  ImageHeader h{};
  ASSERT_EQ(ReadImageHeader(full.data(), static_cast<uint32_t>(full.size()), &h), HEADER_OK);
  EXPECT_EQ(h.codeStreamOffset, full.size());
  EXPECT_EQ(h.colourCount, 256u);
  EXPECT_EQ(h.width, 3u);
  EXPECT_EQ(h.height, 2u);
}

TEST(ImageHeaders, TableSizeFollowsTheExponent) {
  for (uint32_t s = 0; s < 8; ++s) {
    Bytes stream = StreamHeader(7, 1, 2, static_cast<uint8_t>(0x80 | 0x70 | s));
    ImageHeader h{};
    ASSERT_EQ(ReadImageHeader(stream.data(), static_cast<uint32_t>(stream.size()), &h), HEADER_OK);
    EXPECT_EQ(h.colourCount, 2u << s);
    EXPECT_EQ(h.codeStreamOffset, 7 + 3 * (2u << s) + 11);
  }
}

TEST(PixelBuffer, StrideAndSizeLimits) {
  EXPECT_EQ(PixelStride(1), 4u);
  EXPECT_EQ(PixelStride(511), 512u);
  EXPECT_EQ(PixelStride(512), 512u);
  EXPECT_EQ(PixelStride(65535), 65536u);
  EXPECT_EQ(PixelBufferBytes(511, 585), 512u * 585);
  EXPECT_EQ(PixelBufferBytes(65535, 65535), 0u);  // over 2 GiB
  EXPECT_EQ(PixelBufferBytes(65535, 32767), 65536u * 32767);
  EXPECT_EQ(PixelBufferBytes(65535, 32768), 0u);
}

}  // namespace
