// A GIF89a writer for one 8-bit image with a 256-entry global colour table:
// no extension blocks, not interlaced, LZW minimum code size 8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The LZW code stream for 8-bit pixels, packed least significant bit first
// (not yet cut into sub-blocks). Starts with a clear code, clears again once
// the decoder's newest code is 4092, so no code is wider than 12 bits.
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& pixels);

// The whole file. palette holds 256 RGB triples (768 bytes); pixels holds
// width * height palette indices, top row first.
std::vector<uint8_t> EncodeGif(int width, int height, const std::vector<uint8_t>& palette,
                               const std::vector<uint8_t>& pixels);
