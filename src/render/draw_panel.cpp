// The top panel: its strip and embossed labels, the two score boxes and the
// preview of the next three colours.
#include "game/game_state.h"
#include "render/draw.h"
#include "render/format_decimal.h"
#include "render/sprite_atlas.h"

enum {
  PANEL_HEIGHT = 43,
  BEST_BOX_X = 24,
  BEST_BOX_Y = 10,
  WHITE = 0xFFFFFF,
};

// GBK: "颜色" and "下一步".
static const char COLOUR_LABEL[] = "\xD1\xD5\xC9\xAB";
static const char NEXT_LABEL[] = "\xCF\xC2\xD2\xBB\xB2\xBD";

void DrawBevel(HDC dc, int left, int top, int right, int bottom, HPEN penA, HPEN penB) {
  HGDIOBJ previous = SelectObject(dc, penA);
  MoveToEx(dc, left, bottom, nullptr);
  LineTo(dc, left, top);
  LineTo(dc, right, top);
  SelectObject(dc, penB);
  MoveToEx(dc, left + 1, bottom, nullptr);
  LineTo(dc, right, bottom);
  LineTo(dc, right, top);
  SelectObject(dc, previous);
}

void DrawScoreBox(HDC dc, int x, int y, uint32_t value) {
  RECT field = {x + 4, y + 4, x + 68, y + 20};
  FillRect(dc, &field, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  DrawBevel(dc, x, y, x + 71, y + 23, highlight, shadow);
  DrawBevel(dc, x + 3, y + 3, x + 68, y + 20, shadow, highlight);

  SetTextColor(dc, WHITE);
  SetBkMode(dc, TRANSPARENT);
  char digits[11];
  FormatDecimal(value, digits);
  // The digits end 8 pixels inside the black field.
  RECT text = {x + 4, y + 4, x + 60, y + 20};
  DrawTextA(dc, digits, -1, &text, DT_RIGHT);

  DeleteObject(highlight);
  DeleteObject(shadow);
}

void DrawPreview(HDC dc) {
  for (int i = 0; i < 3; ++i) {
    int colour = game.showNext == 1 ? int{game.NextQueue[i]} : int{CELL_EMPTY};
    int frame = game.showNext == 1 ? CELL_FRAME_SMALL : CELL_FRAME_REST;
    BitBlt(dc, game.previewX + CELL_SIZE * i, game.previewY, CELL_SIZE, CELL_SIZE, game.spriteDC,
           CellSpriteX(colour), CellSpriteY(frame), SRCCOPY);
  }
}

void DrawPanel(HWND window, HDC dc) {
  RECT strip;
  GetClientRect(window, &strip);
  strip.bottom = strip.top + PANEL_HEIGHT;
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &strip, face);

  HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  // The lines run one pixel past the strip's right edge.
  int end = strip.right + 1;
  HGDIOBJ previous = SelectObject(dc, shadow);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, end, 0);
  SelectObject(dc, highlight);
  MoveToEx(dc, 0, 1, nullptr);
  LineTo(dc, end, 1);
  SelectObject(dc, shadow);
  MoveToEx(dc, 0, PANEL_HEIGHT, nullptr);
  LineTo(dc, end, PANEL_HEIGHT);
  SelectObject(dc, highlight);
  MoveToEx(dc, 0, PANEL_HEIGHT - 1, nullptr);
  LineTo(dc, end, PANEL_HEIGHT - 1);

  // Each label is embossed: a white copy over a shadow copy one pixel right
  // and down.
  DWORD shadowColour = GetSysColor(COLOR_BTNSHADOW);
  SetTextColor(dc, shadowColour);
  SetBkMode(dc, TRANSPARENT);
  int px = game.previewX;
  RECT colourShadow = {px - 79, 15, px - 15, 31};
  DrawTextA(dc, COLOUR_LABEL, 4, &colourShadow, DT_RIGHT);
  SetTextColor(dc, WHITE);
  RECT colourWhite = {px - 79, 14, px - 16, 31};
  DrawTextA(dc, COLOUR_LABEL, 4, &colourWhite, DT_RIGHT);

  SetTextColor(dc, shadowColour);
  RECT nextShadow = {px + 125, 15, px + 189, 31};
  DrawTextA(dc, NEXT_LABEL, 6, &nextShadow, DT_LEFT);
  SetTextColor(dc, WHITE);
  RECT nextWhite = {px + 124, 14, px + 189, 31};
  DrawTextA(dc, NEXT_LABEL, 6, &nextWhite, DT_LEFT);

  DrawScoreBox(dc, BEST_BOX_X, BEST_BOX_Y, static_cast<uint32_t>(game.bestScore));

  SelectObject(dc, previous);
  DeleteObject(highlight);
  DeleteObject(shadow);
  DeleteObject(face);
}
