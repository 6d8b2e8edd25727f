// Building GIF image streams for the decoder tests: headers, codes packed
// least significant bit first, sub-blocks, a small LZW encoder, and the
// decoder run on guarded buffers so that stray writes show.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/lzw_decoder.h"

using Bytes = std::vector<uint8_t>;

struct Code {
  uint32_t value;
  uint32_t width;
};

// Screen descriptor, colour table of 2^(s+1) entries (`colours` gives the
// first ones, the rest are made up), image descriptor with W, H and m.
Bytes StreamHeader(uint32_t width, uint32_t height, uint32_t minCodeSize, uint8_t screenFlags,
                   const Bytes& colours = {}, uint8_t imageFlags = 0);
// The red, green, blue bytes of `count` distinct made-up colours.
Bytes TestColours(uint32_t count);
// Codes packed LSB first, with `padBits` zero bits after the last one.
Bytes PackCodes(const std::vector<Code>& codes, uint32_t padBits = 0);
// Codes of one width each.
std::vector<Code> Codes(const std::vector<uint32_t>& values, uint32_t width);
// Length-prefixed sub-blocks of at most `blockSize` bytes, then the zero
// length byte and the trailer unless `terminate` is false.
Bytes SubBlocks(const Bytes& bytes, uint32_t blockSize = 255, bool terminate = true);

struct EncodeOptions {
  bool leadingClear = true;
  // When the table is full: clear it (as GIF writers do) or keep going with
  // 12-bit codes and no new entries.
  bool clearWhenFull = true;
};
// LZW codes for `pixels` with the widths a GIF reader expects, end code last.
std::vector<Code> EncodeLzw(const Bytes& pixels, uint32_t minCodeSize, EncodeOptions options = {});

// A whole stream: header, encoded pixels in sub-blocks, trailer.
Bytes EncodeStream(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t minCodeSize,
                   uint32_t colourExponent, uint32_t blockSize = 255, EncodeOptions options = {});

struct Decoded {
  HeaderStatus status = HEADER_TRUNCATED;
  ImageHeader header{};
  LzwResult result{};
  Bytes buffer;        // the pixel buffer as the decoder left it (bottom-up)
  bool guardsIntact = true;
  Bytes TopDown() const;  // W x H pixels, top row first, padding left out
};
// Decodes with guard zones around every buffer; the pixel buffer starts
// filled with 0xEE so that untouched slots would show.
Decoded DecodeStream(const Bytes& stream);

// Deterministic pseudo-random pixels below `colours`.
Bytes NoisePixels(uint32_t count, uint32_t colours, uint32_t seed);
// Smooth pixels (long runs, long strings).
Bytes GradientPixels(uint32_t width, uint32_t height, uint32_t colours);
