#include "image/lzw_decoder.h"

#include "platform/byte_strings.h"

namespace {

uint32_t ReadU16(const uint8_t* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }

// Where the next pixel goes. Strings are written backwards from their last
// pixel, so a string that fits in the current row is one pass over its
// prefix links with no second buffer.
struct PixelWriter {
  uint8_t* base;
  uint8_t* out;        // next pixel of the current memory row
  uint32_t width;
  uint32_t height;
  uint32_t stride;
  uint32_t room;       // pixels left in the current row; 0 once the image is full
  uint32_t rowsBelow;  // memory rows still to fill after the current one
  uint32_t surplus;    // pixels dropped past W x H (saturates)
};

void CountSurplus(PixelWriter* w, uint32_t count) {
  w->surplus = (w->surplus > 0xFFFFFFFFu - count) ? 0xFFFFFFFFu : w->surplus + count;
}

// Writes the string of `code` when it crosses a row end or the image end:
// pixel by pixel from its last one, stepping to the row above (in image
// order: the previous row) at column 0, skipping the surplus past W x H.
void WriteStringSlowly(PixelWriter* w, const uint32_t* table, uint32_t code, uint32_t length,
                       uint32_t highestLiteral) {
  if (w->room == 0) {
    CountSurplus(w, length);
    return;
  }
  uint32_t total = w->width * w->height;
  uint32_t row = w->height - 1 - w->rowsBelow;
  uint32_t start = row * w->width + (w->width - w->room);
  uint32_t end = (length > total - start) ? total : start + length;
  CountSurplus(w, start + length - end);
  uint32_t last = start + length - 1;  // start < total and length <= 4096: no overflow
  uint32_t c = code;
  for (uint32_t k = last; k >= end; --k) c = table[c] & 0xFFFF;
  uint32_t k = end - 1;
  uint32_t imageRow = k / w->width;
  uint32_t column = k - imageRow * w->width;
  uint8_t* q = w->base + (w->height - 1 - imageRow) * w->stride + column;
  while (c > highestLiteral) {
    uint32_t entry = table[c];
    *q = (uint8_t)(entry >> 16);
    c = entry & 0xFFFF;
    if (column == 0) {
      column = w->width - 1;
      q += w->stride + column;
    } else {
      --column;
      --q;
    }
  }
  *q = (uint8_t)c;
  if (end == total) {
    w->room = 0;
    w->rowsBelow = 0;
    return;
  }
  uint32_t nextRow = end / w->width;
  uint32_t nextColumn = end - nextRow * w->width;
  w->rowsBelow = w->height - 1 - nextRow;
  w->room = w->width - nextColumn;
  w->out = w->base + w->rowsBelow * w->stride + nextColumn;
}

// Copies the sub-block whose length byte is at `pos` (< length) into the
// buffer and returns its size; 0 is the end of the data. A block cut short
// by the end of the data is used as far as it goes.
uint32_t FetchBlock(const uint8_t* data, uint32_t length, uint32_t pos, uint8_t* subBlock) {
  uint32_t size = data[pos];
  if (size > length - pos - 1) size = length - pos - 1;
  MemCopy(subBlock, data + pos + 1, size);
  return size;
}

}  // namespace

HeaderStatus ReadImageHeader(const uint8_t* data, uint32_t length, ImageHeader* header) {
  if (length < 7) return HEADER_TRUNCATED;
  uint32_t flags = data[4];
  if ((flags & 0x80) == 0) return HEADER_NO_COLOUR_TABLE;
  uint32_t count = 1u << ((flags & 7) + 1);
  uint32_t descriptor = 7 + 3 * count;
  if (length < descriptor + 11) return HEADER_TRUNCATED;
  const uint8_t* d = data + descriptor;
  if (d[0] != 0x2C) return HEADER_NO_SEPARATOR;
  uint32_t width = ReadU16(d + 5);
  uint32_t height = ReadU16(d + 7);
  if (width == 0 || height == 0) return HEADER_EMPTY_IMAGE;
  uint32_t minCodeSize = d[10];
  if (minCodeSize < 2 || minCodeSize > 8) return HEADER_BAD_CODE_SIZE;
  header->colourCount = count;
  header->colourTableOffset = 7;
  header->width = width;
  header->height = height;
  header->minCodeSize = minCodeSize;
  header->codeStreamOffset = descriptor + 11;
  return HEADER_OK;
}

uint32_t PixelStride(uint32_t width) { return (width + 3) & ~3u; }

uint32_t PixelBufferBytes(uint32_t width, uint32_t height) {
  uint32_t stride = PixelStride(width);
  if (stride == 0 || height == 0 || height > MAX_PIXEL_BYTES / stride) return 0;
  return stride * height;
}

void DecodeImagePixels(const uint8_t* data, uint32_t length, const ImageHeader* header,
                       uint8_t* pixels, uint8_t* subBlock, uint32_t* table,
                       LzwResult* result) {
  // Entry c: the prefix code in bits 0-15, the suffix pixel in bits 16-23
  // and the prefix's own suffix in bits 24-31. Entry CODE_LIMIT + c: the
  // string's length in bits 0-11, its first pixel in bits 12-19 and the
  // prefix's prefix in bits 20-31. With both, a string is written two
  // pixels per step of the walk.
  MemFill(table, 0, CODE_LIMIT * 4);

  const uint32_t m = header->minCodeSize;
  const uint32_t highestLiteral = (1u << m) - 1;
  const uint32_t clearCode = 1u << m;
  const uint32_t endCode = clearCode + 1;
  const uint32_t noPrevious = 0xFFFFFFFFu;  // greater than any assigned code
  for (uint32_t c = 0; c <= highestLiteral; ++c) {
    table[c] = c << 16;
    table[CODE_LIMIT + c] = 1 | (c << 12);
  }

  const uint32_t initialWidth = m + 1;
  uint32_t last = endCode;
  uint32_t width = initialWidth;
  uint32_t limit = 1u << width;
  uint32_t previous = noPrevious;

  // Bit reader: whole bytes of the current sub-block are shifted into `bits`
  // as they are needed, least significant bit first.
  uint32_t pos = header->codeStreamOffset;
  uint32_t blockLeft = 0;
  const uint8_t* block = subBlock;
  uint32_t bits = 0;
  uint32_t bitCount = 0;

  // The writer lives in locals (registers) on the fast path; the struct is
  // filled only around the rare strings that cross a row end.
  PixelWriter w;
  w.base = pixels;
  w.width = header->width;
  w.height = header->height;
  w.stride = PixelStride(header->width);
  w.surplus = 0;
  uint32_t rowsBelow = w.height - 1;
  uint8_t* out = pixels + rowsBelow * w.stride;
  uint32_t room = w.width;
  const uint32_t imageWidth = w.width;
  const uint32_t rowStep = w.width + w.stride;

  uint32_t codes = 0;
  LzwStop stop = LZW_DATA_END;

  for (;;) {
    if (bitCount < width && blockLeft >= 2) {
      bits |= ((uint32_t)block[0] | ((uint32_t)block[1] << 8)) << bitCount;
      block += 2;
      blockLeft -= 2;
      bitCount += 16;
    }
    while (bitCount < width) {
      if (blockLeft == 0) {
        if (pos >= length) goto finished;
        blockLeft = FetchBlock(data, length, pos, subBlock);
        pos += 1 + blockLeft;
        block = subBlock;
        if (blockLeft == 0) goto finished;
      }
      bits |= (uint32_t)*block++ << bitCount;
      bitCount += 8;
      --blockLeft;
    }
    uint32_t code = bits & (limit - 1);
    bits >>= width;
    bitCount -= width;
    // Once the last bit of a sub-block is taken the next one is fetched at
    // once; if the data ends there, the code just read is not used.
    if (blockLeft == 0 && bitCount == 0) {
      if (pos >= length) goto finished;
      blockLeft = FetchBlock(data, length, pos, subBlock);
      pos += 1 + blockLeft;
      block = subBlock;
      if (blockLeft == 0) goto finished;
    }
    ++codes;

    if (code - clearCode <= 1) {
      if (code == endCode) {
        if (pos < length) ++pos;  // the zero length byte closing the sub-blocks
        stop = LZW_END_CODE;
        break;
      }
      last = endCode;
      width = initialWidth;
      limit = 1u << initialWidth;
      previous = noPrevious;
      continue;
    }

    if (previous == noPrevious) {
      // After a clear (or at the start) only a literal names a string.
      if (code >= clearCode) {
        stop = LZW_BAD_CODE;
        break;
      }
    } else {
      uint32_t previousEntry = table[previous];
      uint32_t previousInfo = table[CODE_LIMIT + previous];
      uint32_t firstPixel;
      if (code > last) {
        // One past the last assigned code is the previous string followed
        // by its own first pixel; anything further, or past a full table,
        // names nothing.
        if (code != last + 1 || last + 1 >= CODE_LIMIT) {
          stop = LZW_BAD_CODE;
          break;
        }
        firstPixel = (previousInfo >> 12) & 0xFF;
      } else {
        firstPixel = (table[CODE_LIMIT + code] >> 12) & 0xFF;
      }
      if (last + 1 < CODE_LIMIT) {
        ++last;
        table[last] = previous | (firstPixel << 16) | ((previousEntry & 0xFF0000u) << 8);
        // One pixel longer, the same first pixel.
        table[CODE_LIMIT + last] = ((previousInfo & 0xFFFFF) + 1) | (previousEntry << 20);
        if (last + 1 == limit && width < MAX_CODE_WIDTH) {
          ++width;
          limit <<= 1;
        }
      }
    }
    previous = code;

    uint32_t entry = table[code];
    uint32_t info = table[CODE_LIMIT + code];
    uint32_t stringLength = info & 0xFFF;
    if (stringLength <= room) {
      // The first and the last pixel are known at once; the ones between are
      // the prefix's string, walked backwards two pixels per step.
      out[stringLength - 1] = (uint8_t)(entry >> 16);
      out[0] = (uint8_t)(info >> 12);
      if (stringLength > 2) {
        uint8_t* q = out + stringLength - 2;
        uint32_t c = entry & 0xFFFF;
        while (q > out + 1) {
          uint32_t e = table[c];
          c = table[CODE_LIMIT + c] >> 20;
          q[0] = (uint8_t)(e >> 16);
          q[-1] = (uint8_t)(e >> 24);
          q -= 2;
        }
        if (q == out + 1) q[0] = (uint8_t)(table[c] >> 16);
      }
      out += stringLength;
      room -= stringLength;
      if (room == 0 && rowsBelow != 0) {
        --rowsBelow;
        out -= rowStep;
        room = imageWidth;
      }
    } else {
      w.out = out;
      w.room = room;
      w.rowsBelow = rowsBelow;
      WriteStringSlowly(&w, table, code, stringLength, highestLiteral);
      out = w.out;
      room = w.room;
      rowsBelow = w.rowsBelow;
    }
  }
finished:

  // Deterministic contents where the data did not reach, and in the padding.
  uint32_t written = w.width * w.height;
  if (room != 0) {
    written = (w.height - 1 - rowsBelow) * w.width + (w.width - room);
    MemFill(out, 0, room);
    MemFill(pixels, 0, (size_t)rowsBelow * w.stride);
  }
  if (w.stride != w.width) {
    for (uint32_t r = 0; r < w.height; ++r) MemFill(pixels + r * w.stride + w.width, 0, w.stride - w.width);
  }

  result->pixels = (w.surplus > 0xFFFFFFFFu - written) ? 0xFFFFFFFFu : written + w.surplus;
  result->codes = codes;
  result->consumed = pos;
  result->stop = stop;
}
