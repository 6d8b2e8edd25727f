// What the rules may ask the screen to show. The Windows build draws with
// GDI (draw_*.cpp); the native build records the calls instead.
#pragma once
#include "platform/platform.h"

void DrawBoard(HDC dc);
void DrawCell(HDC dc, int column, int row, int frame);
void DrawBevel(HDC dc, int left, int top, int right, int bottom, HPEN penA, HPEN penB);
void DrawScoreBox(HDC dc, int x, int y, uint32_t value);
void DrawPreview(HDC dc);
void DrawPanel(HWND window, HDC dc);
void DrawRecordHolder(HDC dc, int full);
void DrawPretender(HDC dc, int full, int forceFigure);
