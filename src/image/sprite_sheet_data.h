#pragma once
#include <stdint.h>

// res/sprites.gif without its signature, compiled in at build time.
extern const uint8_t SpriteSheetData[];
extern const uint32_t SpriteSheetDataLength;
