// The four GDI calls that make the sprite sheet's palette and bitmap,
// recorded: each call is a log line, and what the calls were handed is kept
// for inspection (the palette record, the bitmap header, colours and bits).
#pragma once
#include <cstdint>
#include <vector>

#include "platform/platform.h"

struct FakePaletteCall {
  WORD version = 0;
  WORD count = 0;
  std::vector<PALETTEENTRY> entries;
};

struct FakeBitmapCall {
  HDC dc = nullptr;
  BITMAPINFOHEADER header{};  // as passed as the first header
  BITMAPINFOHEADER infoHeader{};  // the header inside the BITMAPINFO
  DWORD init = 0;
  UINT usage = 0;
  std::vector<RGBQUAD> colours;  // biClrUsed entries, or 256 when it is 0
  std::vector<uint8_t> bits;     // stride x height bytes, bottom row first
};

const std::vector<FakePaletteCall>& FakePaletteCalls();
const std::vector<FakeBitmapCall>& FakeBitmapCalls();
// Forgets the kept calls (the log lines are cleared by FakeClear).
void FakeClearGdiPalette();
// Makes CreatePalette or CreateDIBitmap answer 0 from now on.
void FakeFailCreatePalette(bool fail);
void FakeFailCreateDIBitmap(bool fail);
// The handles the fakes give out: palettes 0xBA1001, 0xBA1002, ...; bitmaps
// 0xB17001, ... (counting from the last FakeClearGdiPalette).
HPALETTE FakePaletteHandle(int n);
HBITMAP FakeBitmapHandle(int n);
