#include "gif_test_streams.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {
constexpr uint8_t GUARD = 0xCD;
constexpr size_t GUARD_BYTES = 64;

void PutU16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

// A buffer with guard zones before and after the part the decoder may use.
struct Guarded {
  Bytes storage;
  size_t size;
  Guarded(size_t bytes, uint8_t fill) : storage(bytes + 2 * GUARD_BYTES + 8, GUARD), size(bytes) {
    std::fill(begin(), begin() + bytes, fill);
  }
  // Keeps the usable part 8-byte aligned for the code table.
  uint8_t* begin() {
    uintptr_t p = reinterpret_cast<uintptr_t>(storage.data()) + GUARD_BYTES;
    return storage.data() + GUARD_BYTES + ((8 - (p & 7)) & 7);
  }
  bool Intact() {
    uint8_t* b = begin();
    for (uint8_t* p = storage.data(); p < b; ++p)
      if (*p != GUARD) return false;
    for (uint8_t* p = b + size; p < storage.data() + storage.size(); ++p)
      if (*p != GUARD) return false;
    return true;
  }
};
}  // namespace

Bytes TestColours(uint32_t count) {
  Bytes c;
  for (uint32_t i = 0; i < count; ++i) {
    c.push_back(static_cast<uint8_t>(i * 7 + 1));
    c.push_back(static_cast<uint8_t>(255 - i));
    c.push_back(static_cast<uint8_t>(i * 53 + 11));
  }
  return c;
}

Bytes StreamHeader(uint32_t width, uint32_t height, uint32_t minCodeSize, uint8_t screenFlags,
                   const Bytes& colours, uint8_t imageFlags) {
  Bytes out;
  PutU16(out, width);
  PutU16(out, height);
  out.push_back(screenFlags);
  out.push_back(0);
  out.push_back(0);
  if (screenFlags & 0x80) {
    uint32_t count = 1u << ((screenFlags & 7) + 1);
    Bytes table = TestColours(count);
    for (size_t i = 0; i < colours.size() && i < table.size(); ++i) table[i] = colours[i];
    out.insert(out.end(), table.begin(), table.end());
  }
  out.push_back(0x2C);
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, width);
  PutU16(out, height);
  out.push_back(imageFlags);
  out.push_back(static_cast<uint8_t>(minCodeSize));
  return out;
}

Bytes PackCodes(const std::vector<Code>& codes, uint32_t padBits) {
  Bytes out;
  uint32_t bit = 0;
  auto putBit = [&](uint32_t b) {
    if (bit % 8 == 0) out.push_back(0);
    if (b) out.back() |= static_cast<uint8_t>(1u << (bit % 8));
    ++bit;
  };
  for (const Code& c : codes)
    for (uint32_t i = 0; i < c.width; ++i) putBit((c.value >> i) & 1);
  for (uint32_t i = 0; i < padBits; ++i) putBit(0);
  return out;
}

std::vector<Code> Codes(const std::vector<uint32_t>& values, uint32_t width) {
  std::vector<Code> out;
  for (uint32_t v : values) out.push_back({v, width});
  return out;
}

Bytes SubBlocks(const Bytes& bytes, uint32_t blockSize, bool terminate) {
  Bytes out;
  for (size_t i = 0; i < bytes.size(); i += blockSize) {
    size_t n = std::min<size_t>(blockSize, bytes.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), bytes.begin() + i, bytes.begin() + i + n);
  }
  if (terminate) {
    out.push_back(0);
    out.push_back(0x3B);
  }
  return out;
}

std::vector<Code> EncodeLzw(const Bytes& pixels, uint32_t m, EncodeOptions options) {
  const uint32_t clear = 1u << m, end = clear + 1;
  std::vector<Code> out;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> dict;
  uint32_t next = end + 1;
  // What the reader knows, so each code goes out at the reader's width.
  uint32_t readerLast = end, readerWidth = m + 1;
  bool readerHasPrevious = false;
  auto emit = [&](uint32_t code) {
    out.push_back({code, readerWidth});
    if (code == clear) {
      readerLast = end;
      readerWidth = m + 1;
      readerHasPrevious = false;
    } else if (code != end) {
      if (readerHasPrevious && readerLast + 1 < 4096) {
        ++readerLast;
        if (readerLast + 1 == (1u << readerWidth) && readerWidth < 12) ++readerWidth;
      }
      readerHasPrevious = true;
    }
  };
  auto reset = [&] {
    dict.clear();
    next = end + 1;
  };
  if (options.leadingClear) emit(clear);
  if (pixels.empty()) {
    emit(end);
    return out;
  }
  uint32_t current = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    auto key = std::make_pair(current, static_cast<uint32_t>(pixels[i]));
    auto found = dict.find(key);
    if (found != dict.end()) {
      current = found->second;
      continue;
    }
    emit(current);
    if (next < 4096) {
      dict[key] = next++;
    } else if (options.clearWhenFull) {
      emit(clear);
      reset();
    }
    current = pixels[i];
  }
  emit(current);
  emit(end);
  return out;
}

Bytes EncodeStream(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t m,
                   uint32_t colourExponent, uint32_t blockSize, EncodeOptions options) {
  Bytes out = StreamHeader(width, height, m, static_cast<uint8_t>(0x80 | colourExponent));
  Bytes blocks = SubBlocks(PackCodes(EncodeLzw(pixels, m, options)), blockSize);
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

Bytes Decoded::TopDown() const {
  Bytes out;
  uint32_t stride = PixelStride(header.width);
  for (uint32_t row = 0; row < header.height; ++row) {
    const uint8_t* r = buffer.data() + (header.height - 1 - row) * stride;
    out.insert(out.end(), r, r + header.width);
  }
  return out;
}

Decoded DecodeStream(const Bytes& stream) {
  Decoded d;
  d.status = ReadImageHeader(stream.data(), static_cast<uint32_t>(stream.size()), &d.header);
  if (d.status != HEADER_OK) return d;
  uint32_t bytes = PixelBufferBytes(d.header.width, d.header.height);
  if (bytes == 0) return d;
  Guarded pixels(bytes, 0xEE), subBlock(SUB_BLOCK_BYTES, 0x77), table(CODE_TABLE_BYTES, 0x55);
  DecodeImagePixels(stream.data(), static_cast<uint32_t>(stream.size()), &d.header,
                    pixels.begin(), subBlock.begin(), reinterpret_cast<uint32_t*>(table.begin()),
                    &d.result);
  d.buffer.assign(pixels.begin(), pixels.begin() + bytes);
  d.guardsIntact = pixels.Intact() && subBlock.Intact() && table.Intact();
  return d;
}

Bytes NoisePixels(uint32_t count, uint32_t colours, uint32_t seed) {
  Bytes out(count);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& p : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    p = static_cast<uint8_t>(x % colours);
  }
  return out;
}

Bytes GradientPixels(uint32_t width, uint32_t height, uint32_t colours) {
  Bytes out;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) out.push_back(static_cast<uint8_t>(((x / 5) + (y / 3)) % colours));
  return out;
}
