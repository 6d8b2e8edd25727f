#pragma once
#include <stdint.h>

// WM_CREATE: positions from the client size; the board origin keeps its preset.
void LayoutAtCreate(int32_t clientWidth, int32_t clientHeight);
// WM_SIZE: the board origin from the message's two words, the rest from the
// client rectangle.
void LayoutAtSize(uint16_t sizeWidth, uint16_t sizeHeight, int32_t clientWidth,
                  int32_t clientHeight);
