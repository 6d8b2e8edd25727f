// The decoder against an independent reader: Debian's giflib must see the
// same pixels in streams written by giflib's encoder, by ImageMagick, by the
// test encoder (including streams that fill the code table without a clear
// code) and in the embedded sheet.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "gif_test_streams.h"

#ifdef VEXAL_HAVE_SPRITES
#include "image/sprite_sheet_data.h"
#endif

namespace {

struct GiflibImage {
  bool ok = false;
  uint32_t width = 0, height = 0;
  Bytes pixels;   // top row first
  Bytes colours;  // red, green, blue of the global table
};

struct Reader {
  const Bytes* data;
  size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  Reader* r = static_cast<Reader*>(gif->UserData);
  size_t take = std::min<size_t>(n, r->data->size() - r->pos);
  std::memcpy(out, r->data->data() + r->pos, take);
  r->pos += take;
  return static_cast<int>(take);
}

GiflibImage GiflibDecode(const Bytes& file) {
  GiflibImage img;
  Reader reader{&file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
  if (gif == nullptr) return img;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
    const SavedImage& s = gif->SavedImages[0];
    img.width = s.ImageDesc.Width;
    img.height = s.ImageDesc.Height;
    img.pixels.assign(s.RasterBits, s.RasterBits + img.width * img.height);
    if (gif->SColorMap)
      for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        img.colours.push_back(gif->SColorMap->Colors[i].Red);
        img.colours.push_back(gif->SColorMap->Colors[i].Green);
        img.colours.push_back(gif->SColorMap->Colors[i].Blue);
      }
    img.ok = true;
  }
  DGifCloseFile(gif, &error);
  return img;
}

Bytes WithSignature(const Bytes& stream) {
  static const char signature[] = "GIF89a";
  Bytes file(6 + stream.size());
  std::copy(signature, signature + 6, file.begin());
  std::copy(stream.begin(), stream.end(), file.begin() + 6);
  return file;
}

// The stream less its signature and less the extension blocks between the
// colour table and the image separator, which the decoder refuses.
Bytes StripForDecoder(const Bytes& file) {
  Bytes s(file.begin() + 6, file.end());
  size_t p = 7;
  if (s[4] & 0x80) p += 3u * (2u << (s[4] & 7));
  size_t start = p;
  while (p < s.size() && s[p] == 0x21) {
    p += 2;
    while (p < s.size() && s[p] != 0) p += 1 + s[p];
    ++p;
  }
  s.erase(s.begin() + start, s.begin() + std::min(p, s.size()));
  return s;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string TempDir() {
  static std::string dir = [] {
    char templ[] = "/tmp/vexal-image-XXXXXX";
    const char* d = mkdtemp(templ);
    return std::string(d ? d : "/tmp");
  }();
  return dir;
}

void ExpectSamePixels(const Bytes& file, const char* what) {
  GiflibImage theirs = GiflibDecode(file);
  ASSERT_TRUE(theirs.ok) << what << ": giflib could not read it";
  Decoded ours = DecodeStream(StripForDecoder(file));
  ASSERT_EQ(ours.status, HEADER_OK) << what;
  ASSERT_EQ(ours.header.width, theirs.width) << what;
  ASSERT_EQ(ours.header.height, theirs.height) << what;
  // An end code on the data's last bit reads as the end of data: the same.
  EXPECT_NE(ours.result.stop, LZW_BAD_CODE) << what;
  EXPECT_EQ(ours.result.pixels, theirs.width * theirs.height) << what;
  EXPECT_TRUE(ours.guardsIntact) << what;
  Bytes mine = ours.TopDown();
  ASSERT_EQ(mine.size(), theirs.pixels.size()) << what;
  size_t firstDifference = mine.size();
  for (size_t i = 0; i < mine.size(); ++i)
    if (mine[i] != theirs.pixels[i]) {
      firstDifference = i;
      break;
    }
  EXPECT_EQ(firstDifference, mine.size()) << what << ": pixels differ from here on";
}

// Images written with giflib's own encoder.
struct GiflibWritten {
  uint32_t width, height, colours;
  bool noise;
};

class GiflibEncoder : public ::testing::TestWithParam<GiflibWritten> {};

TEST_P(GiflibEncoder, SamePixels) {
  const GiflibWritten& w = GetParam();
  Bytes pixels = w.noise ? NoisePixels(w.width * w.height, w.colours, w.height)
                         : GradientPixels(w.width, w.height, w.colours);
  std::string path = TempDir() + "/giflib-" + std::to_string(w.width) + "x" + std::to_string(w.height) +
                     "-" + std::to_string(w.colours) + ".gif";
  std::vector<GifColorType> map(w.colours);
  for (uint32_t i = 0; i < w.colours; ++i)
    map[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), static_cast<GifByteType>(i * 3)};
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  ASSERT_NE(gif, nullptr);
  ColorMapObject* cmap = GifMakeMapObject(static_cast<int>(w.colours), map.data());
  ASSERT_EQ(EGifPutScreenDesc(gif, w.width, w.height, 8, 0, cmap), GIF_OK);
  ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, w.width, w.height, false, nullptr), GIF_OK);
  for (uint32_t y = 0; y < w.height; ++y)
    ASSERT_EQ(EGifPutLine(gif, pixels.data() + y * w.width, w.width), GIF_OK);
  ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  GifFreeMapObject(cmap);

  Bytes file = ReadFile(path);
  ExpectSamePixels(file, path.c_str());
  Decoded ours = DecodeStream(StripForDecoder(file));
  EXPECT_EQ(ours.header.colourCount, w.colours);
  EXPECT_EQ(ours.TopDown(), pixels);
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Files, GiflibEncoder,
                         ::testing::Values(GiflibWritten{1, 1, 2, false}, GiflibWritten{7, 3, 2, true},
                                           GiflibWritten{33, 17, 4, true}, GiflibWritten{65, 40, 8, false},
                                           GiflibWritten{101, 99, 16, true}, GiflibWritten{127, 255, 64, true},
                                           GiflibWritten{255, 128, 128, false},
                                           GiflibWritten{511, 585, 256, true},
                                           GiflibWritten{1023, 3, 256, false}));

// Images written by ImageMagick, whose extension blocks are stripped first.
class ImageMagickEncoder : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageMagickEncoder, SamePixels) {
  if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ImageMagick";
  static int n = 0;
  std::string path = TempDir() + "/magick-" + std::to_string(n++) + ".gif";
  std::string command = std::string("convert ") + GetParam() + " " + path + " 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  Bytes file = ReadFile(path);
  ASSERT_GT(file.size(), 13u);
  ExpectSamePixels(file, GetParam());
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImageMagickEncoder,
    ::testing::Values("-size 37x23 gradient:red-blue -colors 16 +dither",
                      "-seed 7 -size 211x97 plasma:fractal -colors 200",
                      "-size 97x61 xc:gray +noise Random -colors 256",
                      "-size 5x3 xc:red -fill blue -draw 'point 1,1' -colors 2",
                      "-size 300x181 pattern:checkerboard -colors 3"));

// Streams from the test encoder: giflib agrees, also where the code table
// fills up and no clear code follows.
struct EncodedCase {
  uint32_t width, height, exponent, minCodeSize;
  bool clearWhenFull, leadingClear;
};

class TestEncoderStreams : public ::testing::TestWithParam<EncodedCase> {};

TEST_P(TestEncoderStreams, SamePixels) {
  const EncodedCase& c = GetParam();
  EncodeOptions options;
  options.clearWhenFull = c.clearWhenFull;
  options.leadingClear = c.leadingClear;
  Bytes pixels = NoisePixels(c.width * c.height, 2u << c.exponent, c.minCodeSize);
  Bytes stream = EncodeStream(pixels, c.width, c.height, c.minCodeSize, c.exponent, 255, options);
  ExpectSamePixels(WithSignature(stream), "test encoder");
  EXPECT_EQ(DecodeStream(stream).TopDown(), pixels);
}

INSTANTIATE_TEST_SUITE_P(Streams, TestEncoderStreams,
                         ::testing::Values(EncodedCase{200, 150, 7, 8, false, true},
                                           EncodedCase{301, 99, 7, 8, false, false},
                                           EncodedCase{180, 120, 1, 2, false, true},
                                           EncodedCase{77, 301, 3, 4, false, true},
                                           EncodedCase{200, 150, 7, 8, true, true},
                                           EncodedCase{99, 99, 4, 5, true, false}));

#ifdef VEXAL_HAVE_SPRITES
TEST(EmbeddedSheet, GiflibSeesTheSamePixels) {
  Bytes stream(SpriteSheetData, SpriteSheetData + SpriteSheetDataLength);
  ExpectSamePixels(WithSignature(stream), "embedded sheet");
  GiflibImage theirs = GiflibDecode(WithSignature(stream));
  Decoded ours = DecodeStream(stream);
  ASSERT_EQ(theirs.colours.size(), 768u);
  EXPECT_EQ(Bytes(stream.begin() + 7, stream.begin() + 7 + 768), theirs.colours);
  // The top-left pixel starts the last memory row.
  EXPECT_EQ(ours.buffer[584u * 512], theirs.pixels[0]);
}
#endif

}  // namespace
