#pragma once
#include "platform/platform.h"

// 1 if the client point lies on the board; column and row are then 0..8.
int CellAtPoint(int x, int y, int* column, int* row);

LRESULT OnLeftButtonDown(HWND window, HDC dc, LPARAM lParam);
LRESULT OnLeftButtonUp(HWND window, HDC dc, LPARAM lParam);
LRESULT OnTimer(HWND window, HDC dc);
// Arrow keys move the cursor over the board; Space and Enter click its cell.
LRESULT OnKeyDown(HWND window, HDC dc, WPARAM key);
