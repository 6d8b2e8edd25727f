// Decoding the sprite sheet: the game's decoder against giflib's DGifSlurp
// and, where it is installed, stb_image, all from memory, in one run. The
// sheet is res/sprites.gif unless VEXAL_BENCH_GIF names another GIF file.
// stb_image has no indexed output: asked for one channel it also looks up
// every pixel's palette colour and turns it to grey, a little more work than
// the other two do.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "image/lzw_decoder.h"

#ifdef VEXAL_BENCH_STB
#include <stb_image.h>
#endif

namespace {

const std::vector<uint8_t>& SheetFile() {
  static std::vector<uint8_t> file = [] {
    const char* path = std::getenv("VEXAL_BENCH_GIF");
    std::string p = path ? path : VEXAL_SOURCE_DIR "/res/sprites.gif";
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() < 13) {
      std::fprintf(stderr, "bench-image: cannot read %s\n", p.c_str());
      std::exit(1);
    }
    return bytes;
  }();
  return file;
}

void OursDecode(benchmark::State& state) {
  const std::vector<uint8_t>& file = SheetFile();
  const uint8_t* data = file.data() + 6;
  uint32_t length = static_cast<uint32_t>(file.size() - 6);
  uint32_t pixelsOut = 0;
  for (auto _ : state) {
    ImageHeader header;
    if (ReadImageHeader(data, length, &header) != HEADER_OK) {
      state.SkipWithError("header refused");
      break;
    }
    uint32_t bytes = PixelBufferBytes(header.width, header.height);
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[bytes]);
    std::unique_ptr<uint8_t[]> subBlock(new uint8_t[SUB_BLOCK_BYTES]);
    std::unique_ptr<uint32_t[]> table(new uint32_t[CODE_TABLE_ENTRIES]);
    LzwResult result;
    DecodeImagePixels(data, length, &header, pixels.get(), subBlock.get(), table.get(), &result);
    benchmark::DoNotOptimize(pixels.get());
    pixelsOut = result.pixels;
  }
  state.counters["pixels"] = pixelsOut;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pixelsOut);
}

struct Reader {
  const std::vector<uint8_t>* data;
  size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  Reader* r = static_cast<Reader*>(gif->UserData);
  size_t take = std::min<size_t>(n, r->data->size() - r->pos);
  std::memcpy(out, r->data->data() + r->pos, take);
  r->pos += take;
  return static_cast<int>(take);
}

void GiflibSlurp(benchmark::State& state) {
  const std::vector<uint8_t>& file = SheetFile();
  uint32_t pixelsOut = 0;
  for (auto _ : state) {
    Reader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
      state.SkipWithError("giflib failed");
      break;
    }
    benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
    pixelsOut = gif->SavedImages[0].ImageDesc.Width * gif->SavedImages[0].ImageDesc.Height;
    DGifCloseFile(gif, &error);
  }
  state.counters["pixels"] = pixelsOut;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pixelsOut);
}

#ifdef VEXAL_BENCH_STB
void StbImageLoad(benchmark::State& state) {
  const std::vector<uint8_t>& file = SheetFile();
  uint32_t pixelsOut = 0;
  for (auto _ : state) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height,
                                            &channels, 1);
    if (pixels == nullptr) {
      state.SkipWithError("stb_image failed");
      break;
    }
    benchmark::DoNotOptimize(pixels);
    pixelsOut = static_cast<uint32_t>(width * height);
    stbi_image_free(pixels);
  }
  state.counters["pixels"] = pixelsOut;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pixelsOut);
}
#endif

BENCHMARK(OursDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(GiflibSlurp)->Unit(benchmark::kMicrosecond);
#ifdef VEXAL_BENCH_STB
BENCHMARK(StbImageLoad)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
