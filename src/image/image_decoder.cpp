#include "image/image_decoder.h"

#include <stddef.h>

#include "platform/byte_strings.h"
#include "image/lzw_decoder.h"

namespace {

void* TakeBlock(size_t bytes) { return (void*)GlobalAlloc(GMEM_FIXED, bytes); }

void GiveBack(void* block) {
  if (block != 0) GlobalFree((HGLOBAL)block);
}

// The logical palette, made, selected and realized before the bitmap exists
// so that the bitmap's colours are matched against it. False when its record
// cannot be had; a palette that GDI refuses is none (0) but no failure.
bool MakePalette(HDC dc, const uint8_t* colours, uint32_t count, HPALETTE* palette) {
  size_t bytes = offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY);
  LOGPALETTE* record = (LOGPALETTE*)TakeBlock(bytes);
  if (record == 0) return false;
  record->palVersion = 0x300;
  record->palNumEntries = (WORD)count;
  PALETTEENTRY* entries = (PALETTEENTRY*)((BYTE*)record + offsetof(LOGPALETTE, palPalEntry));
  for (uint32_t i = 0; i < count; ++i) {
    entries[i].peRed = colours[3 * i];
    entries[i].peGreen = colours[3 * i + 1];
    entries[i].peBlue = colours[3 * i + 2];
    entries[i].peFlags = 0;
  }
  HPALETTE made = CreatePalette(record);
  *palette = made;
  GiveBack(record);
  if (made != 0) {
    SelectPalette(dc, made, FALSE);
    RealizePalette(dc);
  }
  return true;
}

// The device-dependent bitmap from the bottom-up 8-bit pixels. A table of
// fewer than 256 colours gives its own count: 0 would mean 256 to GDI.
HBITMAP MakeBitmap(HDC dc, const uint8_t* colours, uint32_t count, uint32_t width,
                   uint32_t height, const uint8_t* pixels) {
  size_t bytes = sizeof(BITMAPINFOHEADER) + count * sizeof(RGBQUAD);
  BITMAPINFO* info = (BITMAPINFO*)TakeBlock(bytes);
  if (info == 0) return 0;
  BITMAPINFOHEADER* h = &info->bmiHeader;
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = (LONG)width;
  h->biHeight = (LONG)height;
  h->biPlanes = 1;
  h->biBitCount = 8;
  h->biCompression = BI_RGB;
  h->biSizeImage = 0;
  h->biXPelsPerMeter = 0;
  h->biYPelsPerMeter = 0;
  h->biClrUsed = count == 256 ? 0 : count;
  h->biClrImportant = 0;
  RGBQUAD* quads = (RGBQUAD*)((BYTE*)info + sizeof(BITMAPINFOHEADER));
  for (uint32_t i = 0; i < count; ++i) {
    quads[i].rgbBlue = colours[3 * i + 2];
    quads[i].rgbGreen = colours[3 * i + 1];
    quads[i].rgbRed = colours[3 * i];
    quads[i].rgbReserved = 0;
  }
  HBITMAP bitmap = CreateDIBitmap(dc, h, CBM_INIT, pixels, info, DIB_RGB_COLORS);
  GiveBack(info);
  return bitmap;
}

}  // namespace

HBITMAP ImageDecoder(const uint8_t* data, uint32_t length, HDC dc, HPALETTE* palette,
                     int32_t* width, int32_t* height) {
  ImageHeader header;
  if (ReadImageHeader(data, length, &header) != HEADER_OK) return 0;

  uint8_t* colours = (uint8_t*)TakeBlock(3 * header.colourCount);
  if (colours == 0) return 0;
  MemCopy(colours, data + header.colourTableOffset, 3 * header.colourCount);

  *width = (int32_t)header.width;
  *height = (int32_t)header.height;

  // A size too large for one block is treated like a block that cannot be had.
  uint32_t pixelBytes = PixelBufferBytes(header.width, header.height);
  uint8_t* pixels = pixelBytes != 0 ? (uint8_t*)TakeBlock(pixelBytes) : 0;
  uint8_t* subBlock = pixels != 0 ? (uint8_t*)TakeBlock(SUB_BLOCK_BYTES) : 0;
  uint32_t* table = subBlock != 0 ? (uint32_t*)TakeBlock(CODE_TABLE_BYTES) : 0;

  HBITMAP bitmap = 0;
  if (table != 0) {
    LzwResult result;
    DecodeImagePixels(data, length, &header, pixels, subBlock, table, &result);
    if (MakePalette(dc, colours, header.colourCount, palette)) {
      bitmap = MakeBitmap(dc, colours, header.colourCount, header.width, header.height, pixels);
    } else {
      *palette = 0;
    }
  }

  GiveBack(table);
  GiveBack(subBlock);
  GiveBack(pixels);
  GiveBack(colours);
  return bitmap;
}
