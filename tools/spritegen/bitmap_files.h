// The about box bitmaps (Windows BMP) and the window icon (ICO).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Logo pixels: 0 = white, 1 = grey 170, 4 = grey 85, 5 = black (indices of
// the six-entry colour table); opaque marks where the logo covers the dialog.
struct LogoImage {
  static constexpr int WIDTH = 67, HEIGHT = 50;
  std::vector<uint8_t> index;   // WIDTH * HEIGHT, top row first
  std::vector<uint8_t> opaque;  // 1 where the logo is
};

LogoImage RenderLogo();
std::vector<uint8_t> LogoBitmapFile(const LogoImage& logo);  // 4 bits per pixel, 6 colours
std::vector<uint8_t> MaskBitmapFile(const LogoImage& logo);  // 1 bit per pixel: black where opaque

// A 32 x 32, 16-colour icon with its transparency mask.
struct IconImage {
  static constexpr int SIZE = 32;
  std::vector<uint8_t> palette;  // 16 RGB triples
  std::vector<uint8_t> index;    // SIZE * SIZE, top row first
  std::vector<uint8_t> opaque;
};

IconImage RenderIcon();
std::vector<uint8_t> IconFile(const IconImage& icon);
