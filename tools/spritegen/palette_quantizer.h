// Turns the composed RGB sheet into palette indices with one shared palette.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct IndexedImage {
  int width = 0, height = 0;
  std::vector<uint8_t> palette;  // 256 RGB triples; unused entries black
  std::vector<uint8_t> pixels;   // width * height indices, top row first
  int usedColours = 0;           // entries 0 .. usedColours - 1 are used
};

// rgb: width * height RGB triples. The palette is made by libimagequant with
// fixed settings and sorted (white first, black last); every pixel is then
// mapped without dithering to its nearest entry (ties to the lower index),
// so equal input colours always get equal indices. Pure white always maps
// to index 0. maxColours includes white and black.
IndexedImage QuantizeSheet(int width, int height, const std::vector<uint8_t>& rgb, int maxColours);
