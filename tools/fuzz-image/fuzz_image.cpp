// libFuzzer target: the header reader and the LZW expansion on arbitrary
// bytes, with buffers of exactly the sizes the decoder is promised, so that
// AddressSanitizer sees any read or write past them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "image/lzw_decoder.h"

namespace {
// Larger images are valid but only slow the search down.
constexpr uint32_t MAX_FUZZ_PIXEL_BYTES = 1u << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  uint32_t length = static_cast<uint32_t>(size);
  ImageHeader header;
  if (ReadImageHeader(data, length, &header) != HEADER_OK) return 0;
  if (header.codeStreamOffset > length || header.colourTableOffset + 3 * header.colourCount > length)
    __builtin_trap();
  uint32_t bytes = PixelBufferBytes(header.width, header.height);
  if (bytes == 0 || bytes > MAX_FUZZ_PIXEL_BYTES) return 0;
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[bytes]);
  std::unique_ptr<uint8_t[]> subBlock(new uint8_t[SUB_BLOCK_BYTES]);
  std::unique_ptr<uint32_t[]> table(new uint32_t[CODE_TABLE_ENTRIES]);
  std::memset(pixels.get(), 0xEE, bytes);
  LzwResult result;
  DecodeImagePixels(data, length, &header, pixels.get(), subBlock.get(), table.get(), &result);
  if (result.consumed > length) __builtin_trap();
  // Every slot is written: decoded pixels, zero where the data stopped.
  for (uint32_t i = 0; i < bytes; ++i)
    if (pixels[i] == 0xEE && (1u << header.minCodeSize) <= 0xEE) __builtin_trap();
  return 0;
}
