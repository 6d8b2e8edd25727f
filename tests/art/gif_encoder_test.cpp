// The sheet's GIF writer: the file layout the game's reader expects, and
// round trips through giflib and through the game's own decoder.
#include <gtest/gtest.h>
#include <gif_lib.h>

#include <cstring>
#include <random>

#include "gif_encoder.h"
#include "image/lzw_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct TestImage {
  const char* name;
  int width, height;
  Bytes pixels;
};

Bytes Palette() {
  Bytes p(768);
  for (int i = 0; i < 768; ++i) p[i] = static_cast<uint8_t>(i * 7);
  return p;
}

std::vector<TestImage> Images() {
  std::vector<TestImage> out;
  out.push_back({"one_pixel", 1, 1, {77}});
  out.push_back({"one_row_of_all_values", 256, 1, {}});
  for (int i = 0; i < 256; ++i) out.back().pixels.push_back(static_cast<uint8_t>(i));
  // One colour throughout: ever longer strings, the KwKwK case at every code.
  out.push_back({"flat_sheet_size", 511, 585, Bytes(511 * 585, 0)});
  // Noise fills the table again and again, so clears come often.
  std::mt19937 rng(5);
  out.push_back({"noise", 300, 200, {}});
  for (int i = 0; i < 300 * 200; ++i) out.back().pixels.push_back(static_cast<uint8_t>(rng()));
  // Few colours in long patterns: long strings and few clears.
  out.push_back({"stripes", 97, 61, {}});
  for (int i = 0; i < 97 * 61; ++i) out.back().pixels.push_back(static_cast<uint8_t>((i / 3) % 5 + (i % 97 > 50)));
  return out;
}

// Whether the last code of the stream ends exactly with its last byte.
bool EndsOnByteBoundary(const Bytes& file);

uint16_t Word(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

// Walks the code stream as the game's reader does and checks the writer's
// promises: a clear first, a clear as soon as the newest code is 4092, no
// code wider than 12 bits or naming a string not yet defined, the end code
// last. Returns the number of clear codes.
int CheckCodeStream(const Bytes& data, size_t* bitsUsed = nullptr) {
  std::vector<uint8_t> stream;
  size_t at = 13 + 768 + 11;
  for (;;) {
    const uint8_t n = data.at(at++);
    if (n == 0) break;
    stream.insert(stream.end(), data.begin() + at, data.begin() + at + n);
    at += n;
  }
  EXPECT_EQ(at + 1, data.size());
  size_t bit = 0;
  auto read = [&](int width) {
    unsigned v = 0;
    for (int i = 0; i < width; ++i, ++bit) {
      if (bit / 8 >= stream.size()) ADD_FAILURE() << "code stream ends inside a code";
      else if (stream[bit / 8] >> (bit % 8) & 1) v |= 1u << i;
    }
    return v;
  };
  unsigned last = 257;
  int width = 9, clears = 0;
  bool afterClear = false, first = true;
  for (;;) {
    const unsigned code = read(width);
    if (first) {
      EXPECT_EQ(code, 256u) << "the stream must begin with a clear code";
    }
    first = false;
    if (last == 4092) {
      EXPECT_EQ(code, 256u) << "no clear after the table reached 4092";
    }
    if (code == 257) break;
    if (code == 256) {
      ++clears;
      last = 257;
      width = 9;
      afterClear = true;
      continue;
    }
    EXPECT_LE(code, last + 1) << "code names no string";
    if (afterClear) {
      EXPECT_LT(code, 256u) << "first code after a clear must be a literal";
      afterClear = false;
      continue;
    }
    ++last;
    if (last + 1 == (1u << width)) ++width;
    EXPECT_LE(width, 12);
    if (::testing::Test::HasFailure()) return clears;
  }
  if (bitsUsed) *bitsUsed = bit;
  EXPECT_LE((bit + 7) / 8, stream.size());
  // One padding byte follows an end code that fills its last byte.
  EXPECT_GE((bit + 7) / 8 + (bit % 8 == 0 ? 1 : 0), stream.size()) << "bytes after the end code";
  return clears;
}

bool EndsOnByteBoundary(const Bytes& file) {
  size_t bits = 0;
  CheckCodeStream(file, &bits);
  return bits % 8 == 0;
}

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  auto* src = static_cast<std::pair<const Bytes*, size_t>*>(gif->UserData);
  const int left = static_cast<int>(src->first->size() - src->second);
  const int take = n < left ? n : left;
  std::memcpy(out, src->first->data() + src->second, take);
  src->second += take;
  return take;
}

Bytes DecodeWithGiflib(const Bytes& file, int* width, int* height) {
  std::pair<const Bytes*, size_t> src{&file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, ReadFromMemory, &error);
  if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1) {
    ADD_FAILURE() << "giflib refuses the file: " << GifErrorString(gif ? gif->Error : error);
    if (gif) DGifCloseFile(gif, &error);
    return {};
  }
  *width = gif->SWidth;
  *height = gif->SHeight;
  Bytes out(gif->SavedImages[0].RasterBits,
            gif->SavedImages[0].RasterBits + gif->SWidth * gif->SHeight);
  DGifCloseFile(gif, &error);
  return out;
}

Bytes DecodeWithGameDecoder(const Bytes& file, LzwResult* result) {
  const uint8_t* data = file.data() + 6;  // the game embeds the stream without its signature
  const uint32_t length = static_cast<uint32_t>(file.size() - 6);
  ImageHeader header;
  EXPECT_EQ(ReadImageHeader(data, length, &header), HEADER_OK);
  Bytes memory(PixelBufferBytes(header.width, header.height));
  Bytes subBlock(SUB_BLOCK_BYTES);
  std::vector<uint32_t> table(CODE_TABLE_ENTRIES);
  DecodeImagePixels(data, length, &header, memory.data(), subBlock.data(), table.data(), result);
  // Back to top-down rows without padding.
  const uint32_t stride = PixelStride(header.width);
  Bytes out;
  for (uint32_t y = 0; y < header.height; ++y) {
    const uint8_t* row = &memory[(header.height - 1 - y) * stride];
    out.insert(out.end(), row, row + header.width);
  }
  return out;
}

TEST(GifEncoder, FileLayoutIsWhatTheGameReads) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6};
  const Bytes file = EncodeGif(3, 2, Palette(), pixels);
  ASSERT_GT(file.size(), 13u + 768 + 11);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
  EXPECT_EQ(Word(file, 6), 3);
  EXPECT_EQ(Word(file, 8), 2);
  EXPECT_EQ(file[10], 0xF7);
  EXPECT_EQ(file[11], 0);
  EXPECT_EQ(file[12], 0);
  EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 13 + 768), Palette());
  const size_t d = 13 + 768;  // the image descriptor follows the table at once
  EXPECT_EQ(file[d], 0x2C);
  EXPECT_EQ(Word(file, d + 1), 0);
  EXPECT_EQ(Word(file, d + 3), 0);
  EXPECT_EQ(Word(file, d + 5), 3);
  EXPECT_EQ(Word(file, d + 7), 2);
  EXPECT_EQ(file[d + 9], 0);
  EXPECT_EQ(file[d + 10], 8);
  EXPECT_EQ(file[file.size() - 2], 0);
  EXPECT_EQ(file.back(), 0x3B);
}

TEST(GifEncoder, RefusesInconsistentInput) {
  EXPECT_THROW(EncodeGif(3, 2, Palette(), Bytes(5)), std::invalid_argument);
  EXPECT_THROW(EncodeGif(3, 2, Bytes(767), Bytes(6)), std::invalid_argument);
  EXPECT_THROW(EncodeGif(0, 2, Palette(), Bytes()), std::invalid_argument);
  EXPECT_THROW(EncodeGif(70000, 1, Palette(), Bytes(70000)), std::invalid_argument);
}

TEST(GifEncoder, RoundTripsThroughGiflibAndTheGameDecoder) {
  for (const TestImage& image : Images()) {
    SCOPED_TRACE(image.name);
    const Bytes file = EncodeGif(image.width, image.height, Palette(), image.pixels);
    CheckCodeStream(file);
    int w = 0, h = 0;
    EXPECT_EQ(DecodeWithGiflib(file, &w, &h), image.pixels);
    EXPECT_EQ(w, image.width);
    EXPECT_EQ(h, image.height);
    LzwResult result{};
    EXPECT_EQ(DecodeWithGameDecoder(file, &result), image.pixels);
    EXPECT_EQ(result.stop, LZW_END_CODE);
    EXPECT_EQ(result.pixels, static_cast<uint32_t>(image.width * image.height));
    // Sub-blocks are full except the last.
    size_t at = 13 + 768 + 11;
    while (file[at] != 0) {
      const size_t n = file[at];
      at += 1 + n;
      if (file[at] != 0) {
        EXPECT_EQ(n, 255u);
      }
    }
  }
}

TEST(GifEncoder, EndCodeOnAByteBoundaryIsStillSeen) {
  // Widths 1..64 of a two-colour stripe put the end code at every bit offset.
  int boundaries = 0;
  for (int w = 1; w <= 64; ++w) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < w * 3; ++i) pixels.push_back(static_cast<uint8_t>(i % 7 == 0));
    const Bytes file = EncodeGif(w, 3, Palette(), pixels);
    if (!EndsOnByteBoundary(file)) continue;
    ++boundaries;
    SCOPED_TRACE(w);
    LzwResult result{};
    EXPECT_EQ(DecodeWithGameDecoder(file, &result), pixels);
    EXPECT_EQ(result.stop, LZW_END_CODE);
  }
  EXPECT_GT(boundaries, 0) << "no width put the end code on a byte boundary";
}

TEST(GifEncoder, ClearsExactlyWhenTheTableIsFull) {
  std::mt19937 rng(11);
  Bytes noise(100000);
  for (uint8_t& p : noise) p = static_cast<uint8_t>(rng());
  // Noise makes nearly one code per pixel, each adding an entry, so a clear
  // must come about every 3836 codes.
  const int clears = CheckCodeStream(EncodeGif(1000, 100, Palette(), noise));
  EXPECT_GE(clears, 1 + 100000 / 4500);
  EXPECT_LE(clears, 1 + 100000 / 3836 + 1);
  // A flat picture never fills the table: only the leading clear.
  EXPECT_EQ(CheckCodeStream(EncodeGif(511, 585, Palette(), Bytes(511 * 585, 9))), 1);
}

}  // namespace
