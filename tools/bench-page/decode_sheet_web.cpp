// The page's decoder alone, as WebAssembly built as the page builds it, for
// bench-page.py to time against the native build of the same decoder: the
// embedded sheet decoded `runs` times into buffers of its own.
#include "image/lzw_decoder.h"
#include "image/sprite_sheet_data.h"

namespace {
// The sheet's pixels (511 x 585, rows of 512) with room to spare.
const uint32_t PIXEL_ROOM = 512 * 1024;
alignas(4) uint8_t pixels[PIXEL_ROOM];
alignas(4) uint8_t subBlock[SUB_BLOCK_BYTES];
alignas(4) uint32_t codeTable[CODE_TABLE_ENTRIES];
}  // namespace

// The pixels of the last decoding, or 0 when the sheet is refused or does not fit.
extern "C" __attribute__((export_name("DecodeSheet"))) uint32_t DecodeSheet(int runs) {
  ImageHeader header;
  if (ReadImageHeader(SpriteSheetData, SpriteSheetDataLength, &header) != HEADER_OK) return 0;
  uint32_t bytes = PixelBufferBytes(header.width, header.height);
  if (bytes == 0 || bytes > PIXEL_ROOM) return 0;
  LzwResult result = {};
  for (int i = 0; i < runs; ++i)
    DecodeImagePixels(SpriteSheetData, SpriteSheetDataLength, &header, pixels, subBlock, codeTable,
                      &result);
  return result.pixels;
}
