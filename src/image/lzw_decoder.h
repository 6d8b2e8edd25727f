// The decoding proper of the embedded image: the header of a GIF image
// stream without its signature, and the LZW expansion of its pixel data into
// an 8-bit bottom-up pixel array. No drawing service and no allocation: the
// caller hands in the buffers, so the same code serves the game (GlobalAlloc)
// and the native tools and tests.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Sizes of the work buffers the decoder writes into.
#define SUB_BLOCK_BYTES 255
#define CODE_TABLE_ENTRIES 8192
#define CODE_TABLE_BYTES (CODE_TABLE_ENTRIES * 4)
// Codes never grow past 12 bits, so at most 4096 codes are defined and the
// upper half of the table is free for what makes strings fast to write: each
// code's string length, first pixel and the prefix's prefix.
#define CODE_LIMIT 4096
#define MAX_CODE_WIDTH 12
// The largest pixel buffer taken: beyond it the image cannot be a bitmap.
#define MAX_PIXEL_BYTES 0x7FFFFFFFu

// What the stream's header says, and where its pieces lie in the data.
struct ImageHeader {
  uint32_t colourCount;          // N = 2^(s+1), 2 ... 256
  uint32_t colourTableOffset;    // 3 x N bytes of red, green, blue
  uint32_t width;                // W, 1 ... 65535
  uint32_t height;               // H, 1 ... 65535
  uint32_t minCodeSize;          // m, 2 ... 8
  uint32_t codeStreamOffset;     // the first sub-block's length byte
};

enum HeaderStatus {
  HEADER_OK = 0,
  HEADER_TRUNCATED,         // the data ends inside the descriptors or the table
  HEADER_NO_COLOUR_TABLE,   // bit 7 of the screen flags is clear
  HEADER_NO_SEPARATOR,      // something other than 0x2C after the colour table
  HEADER_EMPTY_IMAGE,       // W or H is 0
  HEADER_BAD_CODE_SIZE      // m outside 2 ... 8: codes would not fit 12 bits or a byte
};

// Reads the screen descriptor, the colour table's place and the image
// descriptor. Never reads past `length`.
HeaderStatus ReadImageHeader(const uint8_t* data, uint32_t length, ImageHeader* header);

// Bytes per memory row: W rounded up to a multiple of 4.
uint32_t PixelStride(uint32_t width);
// S x H, or 0 when it exceeds MAX_PIXEL_BYTES.
uint32_t PixelBufferBytes(uint32_t width, uint32_t height);

// Why decoding stopped.
enum LzwStop {
  LZW_END_CODE = 0,   // the end code was read
  LZW_DATA_END,       // a zero length byte, or the data ran out
  LZW_BAD_CODE        // a code naming no string: decoding stops there
};

struct LzwResult {
  uint32_t pixels;     // pixels the codes produced, surplus ones included (saturates)
  uint32_t codes;      // codes read and handled, clear and end codes included
  uint32_t consumed;   // bytes of the data read, counted from its start
  LzwStop stop;
};

// Expands the code stream at header->codeStreamOffset into `pixels`
// (PixelBufferBytes bytes, memory row 0 = bottom image row), using the
// caller's sub-block buffer (SUB_BLOCK_BYTES) and code table
// (CODE_TABLE_BYTES, 4-byte aligned). Pixels beyond W x H are dropped; pixel
// slots the data did not reach and the row padding are set to 0.
void DecodeImagePixels(const uint8_t* data, uint32_t length, const ImageHeader* header,
                       uint8_t* pixels, uint8_t* subBlock, uint32_t* codeTable,
                       LzwResult* result);
