// vexal-gif2ppm IN.gif OUT.ppm: decodes a GIF file with the game's own
// decoder and writes it as a binary PPM (P6), top row first, in the image's
// colours. Whatever it cannot decode gets one line on stderr and status 1.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/lzw_decoder.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "vexal-gif2ppm: %s\n", message.c_str());
  return 1;
}

const char* HeaderProblem(HeaderStatus status) {
  switch (status) {
    case HEADER_TRUNCATED: return "the file ends inside the image header";
    case HEADER_NO_COLOUR_TABLE: return "no global colour table";
    case HEADER_NO_SEPARATOR: return "no image right after the colour table (extension blocks are not read)";
    case HEADER_EMPTY_IMAGE: return "the image has no pixels";
    case HEADER_BAD_CODE_SIZE: return "LZW minimum code size outside 2..8";
    default: return "bad header";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: vexal-gif2ppm IN.gif OUT.ppm");
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return Fail(std::string("cannot open ") + argv[1]);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  std::string signature(file.begin(), file.begin() + std::min<size_t>(6, file.size()));
  if (signature != "GIF87a" && signature != "GIF89a") return Fail(std::string(argv[1]) + ": not a GIF file");
  if (file.size() - 6 > 0xFFFFFFFFu) return Fail(std::string(argv[1]) + ": file too large");

  const uint8_t* data = file.data() + 6;
  uint32_t length = static_cast<uint32_t>(file.size() - 6);
  ImageHeader header;
  HeaderStatus status = ReadImageHeader(data, length, &header);
  if (status != HEADER_OK) return Fail(std::string(argv[1]) + ": " + HeaderProblem(status));
  uint32_t bytes = PixelBufferBytes(header.width, header.height);
  if (bytes == 0) return Fail(std::string(argv[1]) + ": image too large");

  std::vector<uint8_t> pixels(bytes), subBlock(SUB_BLOCK_BYTES);
  std::vector<uint32_t> table(CODE_TABLE_ENTRIES);
  LzwResult result;
  DecodeImagePixels(data, length, &header, pixels.data(), subBlock.data(), table.data(), &result);
  uint32_t total = header.width * header.height;
  if (result.stop == LZW_BAD_CODE)
    return Fail(std::string(argv[1]) + ": corrupt LZW data after " + std::to_string(result.pixels) + " pixels");
  if (result.pixels < total)
    return Fail(std::string(argv[1]) + ": image data ends after " + std::to_string(result.pixels) + " of " +
                std::to_string(total) + " pixels");

  const uint8_t* colours = data + header.colourTableOffset;
  std::string out = "P6\n" + std::to_string(header.width) + " " + std::to_string(header.height) + "\n255\n";
  uint32_t stride = PixelStride(header.width);
  for (uint32_t row = 0; row < header.height; ++row) {
    const uint8_t* memoryRow = pixels.data() + (header.height - 1 - row) * stride;
    for (uint32_t x = 0; x < header.width; ++x) {
      uint32_t index = memoryRow[x];
      if (index >= header.colourCount)
        return Fail(std::string(argv[1]) + ": pixel value " + std::to_string(index) + " beyond the " +
                    std::to_string(header.colourCount) + "-entry colour table");
      out.append(reinterpret_cast<const char*>(colours + 3 * index), 3);
    }
  }
  std::ofstream ppm(argv[2], std::ios::binary);
  ppm.write(out.data(), static_cast<std::streamsize>(out.size()));
  ppm.close();
  if (!ppm) return Fail(std::string("cannot write ") + argv[2]);
  return 0;
}
