/* Prints the advance of every character the game draws in a window's own
   font (the system font of the Wine prefix): printable ASCII and the panel's
   labels, one "U+XXXX width" line each, and the font's height and ascent. */
#include <windows.h>
#include <stdio.h>

static const WCHAR LABELS[] = L"\x989C\x8272\x4E0B\x4E00\x6B65"; /* the panel's two labels */

int main(void) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
  HDC dc = GetDC(window);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  printf("height %ld ascent %ld\n", metrics.tmHeight, metrics.tmAscent);
  for (WCHAR c = 0x20; c < 0x7F; ++c) {
    SIZE size;
    GetTextExtentPoint32W(dc, &c, 1, &size);
    printf("U+%04X %ld\n", c, size.cx);
  }
  for (const WCHAR* p = LABELS; *p; ++p) {
    SIZE size;
    GetTextExtentPoint32W(dc, p, 1, &size);
    printf("U+%04X %ld\n", *p, size.cx);
  }
  return 0;
}
