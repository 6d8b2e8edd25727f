// Recording stand-ins for CreatePalette, SelectPalette, RealizePalette and
// CreateDIBitmap. Log lines:
//   > CreatePalette <entries> -> palette<n>
//   > SelectPalette palette<n> <background>
//   > RealizePalette
//   > CreateDIBitmap <width>x<height> <bits>bpp -> bitmap<n>
#include "fakes/fake_gdi_palette.h"

#include <cstring>
#include <string>

#include "fakes/fake_log.h"

namespace {
std::vector<FakePaletteCall> paletteCalls;
std::vector<FakeBitmapCall> bitmapCalls;
bool failPalette = false;
bool failBitmap = false;

std::string PaletteName(HPALETTE palette) {
  uintptr_t v = reinterpret_cast<uintptr_t>(palette);
  if (v > 0xBA1000 && v < 0xBA2000) return "palette" + std::to_string(v - 0xBA1000);
  return "handle" + std::to_string(v);
}
}  // namespace

const std::vector<FakePaletteCall>& FakePaletteCalls() { return paletteCalls; }
const std::vector<FakeBitmapCall>& FakeBitmapCalls() { return bitmapCalls; }

void FakeClearGdiPalette() {
  paletteCalls.clear();
  bitmapCalls.clear();
  failPalette = false;
  failBitmap = false;
}

void FakeFailCreatePalette(bool fail) { failPalette = fail; }
void FakeFailCreateDIBitmap(bool fail) { failBitmap = fail; }

HPALETTE FakePaletteHandle(int n) { return reinterpret_cast<HPALETTE>(uintptr_t{0xBA1000} + n); }
HBITMAP FakeBitmapHandle(int n) { return reinterpret_cast<HBITMAP>(uintptr_t{0xB17000} + n); }

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  FakePaletteCall call;
  call.version = palette->palVersion;
  call.count = palette->palNumEntries;
  call.entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  paletteCalls.push_back(call);
  HPALETTE made = failPalette ? nullptr : FakePaletteHandle(static_cast<int>(paletteCalls.size()));
  FakeRecord("> CreatePalette " + std::to_string(call.count) + " -> " +
             (made ? PaletteName(made) : std::string("0")));
  return made;
}

HPALETTE SelectPalette(HDC, HPALETTE palette, BOOL background) {
  FakeRecord("> SelectPalette " + PaletteName(palette) + " " + std::to_string(background));
  return nullptr;
}

UINT RealizePalette(HDC) {
  FakeRecord("> RealizePalette");
  return 0;
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  FakeBitmapCall call;
  call.dc = dc;
  call.header = *header;
  call.infoHeader = info->bmiHeader;
  call.init = init;
  call.usage = usage;
  size_t colours = info->bmiHeader.biClrUsed != 0 ? info->bmiHeader.biClrUsed : 256;
  if (info->bmiHeader.biBitCount == 8)
    call.colours.assign(info->bmiColors, info->bmiColors + colours);
  LONG width = header->biWidth;
  LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  size_t stride = ((static_cast<size_t>(width) * header->biBitCount + 31) / 32) * 4;
  if ((init & CBM_INIT) != 0 && bits != nullptr) {
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    call.bits.assign(p, p + stride * static_cast<size_t>(height));
  }
  bitmapCalls.push_back(std::move(call));
  HBITMAP made = failBitmap ? nullptr : FakeBitmapHandle(static_cast<int>(bitmapCalls.size()));
  FakeRecord("> CreateDIBitmap " + std::to_string(width) + "x" + std::to_string(header->biHeight) +
             " " + std::to_string(header->biBitCount) + "bpp -> " +
             (made ? "bitmap" + std::to_string(bitmapCalls.size()) : std::string("0")));
  return made;
}
