// Paints every picture and puts them together at their places on the sheet.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <cairo.h>

#include "palette_quantizer.h"

struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // width * height RGB triples, top row first
  const uint8_t* At(int x, int y) const { return &rgb[3 * (static_cast<size_t>(y) * width + x)]; }
};

// Runs paint on a fresh opaque black w x h surface and returns its pixels.
RgbImage RenderPicture(int w, int h, const std::function<void(cairo_t*)>& paint);

// The whole sheet in RGB: white outside the pictures.
RgbImage ComposeSheet();

// The sheet with its one shared palette (at most 234 colours).
constexpr int SHEET_COLOURS = 234;
IndexedImage BuildSheet();
