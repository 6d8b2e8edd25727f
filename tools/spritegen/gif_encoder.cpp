#include "gif_encoder.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int MIN_CODE_SIZE = 8;
constexpr unsigned CLEAR = 1u << MIN_CODE_SIZE;
constexpr unsigned END = CLEAR + 1;
constexpr unsigned LAST_CODE_BEFORE_CLEAR = 4092;

struct BitWriter {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int bits = 0;
  void Put(unsigned code, int width) {
    acc |= code << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(static_cast<uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  }
  void Flush() {
    if (bits > 0) bytes.push_back(static_cast<uint8_t>(acc));
    acc = 0;
    bits = 0;
  }
};

// The encoder mirrors the decoder's table count: the decoder adds an entry
// for every code except the first after a clear, so it lags one entry
// behind the encoder, and it widens its codes after assigning 2^w - 1.
struct Encoder {
  BitWriter out;
  // child[code * 256 + pixel] = code of the string code+pixel, 0 if none.
  std::vector<uint16_t> child = std::vector<uint16_t>(4096 * 256, 0);
  unsigned nextCode = END + 1;    // the encoder's next table entry
  unsigned decoderLast = END;     // the decoder's newest entry
  int width = MIN_CODE_SIZE + 1;
  bool firstAfterClear = true;

  void Reset() {
    std::fill(child.begin(), child.end(), 0);
    nextCode = END + 1;
    decoderLast = END;
    width = MIN_CODE_SIZE + 1;
    firstAfterClear = true;
  }
  void EmitClear() {
    out.Put(CLEAR, width);
    Reset();
  }
  // A data code: write it, then follow what the decoder does on reading it.
  void Emit(unsigned code) {
    out.Put(code, width);
    if (firstAfterClear) {
      firstAfterClear = false;
    } else {
      ++decoderLast;
      if (decoderLast + 1 == (1u << width)) ++width;
    }
  }
};

}  // namespace

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& pixels) {
  Encoder enc;
  enc.EmitClear();
  if (!pixels.empty()) {
    unsigned current = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
      const uint8_t p = pixels[i];
      const uint16_t next = enc.child[current * 256 + p];
      if (next != 0) {
        current = next;
        continue;
      }
      enc.Emit(current);
      if (enc.decoderLast >= LAST_CODE_BEFORE_CLEAR) {
        enc.EmitClear();
      } else {
        // The new entry the decoder will add on reading the next code.
        enc.child[current * 256 + p] = static_cast<uint16_t>(enc.nextCode++);
      }
      current = p;
    }
    enc.Emit(current);
  }
  enc.out.Put(END, enc.width);
  // A reader fetches the next sub-block as soon as it has taken the last bit
  // of one, and drops a code that the zero length byte then cuts off; an end
  // code that fills the last byte would go unseen, so one padding byte follows.
  if (enc.out.bits == 0) enc.out.bytes.push_back(0);
  enc.out.Flush();
  return enc.out.bytes;
}

namespace {
void PutWord(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

std::vector<uint8_t> EncodeGif(int width, int height, const std::vector<uint8_t>& palette,
                               const std::vector<uint8_t>& pixels) {
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
    throw std::invalid_argument("GIF size out of range");
  if (palette.size() != 768) throw std::invalid_argument("GIF palette must have 256 entries");
  if (pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    throw std::invalid_argument("GIF pixel count does not match its size");

  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  PutWord(out, width);
  PutWord(out, height);
  out.push_back(0xF7);  // global table of 256 entries
  out.push_back(0);     // background index
  out.push_back(0);     // aspect ratio
  out.insert(out.end(), palette.begin(), palette.end());
  out.push_back(0x2C);
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, width);
  PutWord(out, height);
  out.push_back(0);  // no local table, not interlaced
  out.push_back(MIN_CODE_SIZE);
  const std::vector<uint8_t> codes = LzwEncode(pixels);
  for (size_t at = 0; at < codes.size(); at += 255) {
    const size_t n = std::min<size_t>(255, codes.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), codes.begin() + at, codes.begin() + at + n);
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}
