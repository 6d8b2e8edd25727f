#pragma once
#include "platform/platform.h"

// Decodes a GIF image stream that lacks its six-byte signature, `length`
// bytes at `data`, into a palette and a bitmap. Returns the bitmap, or 0.
HBITMAP ImageDecoder(const uint8_t* data, uint32_t length, HDC dc, HPALETTE* palette,
                     int32_t* width, int32_t* height);
