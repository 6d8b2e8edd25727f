// The main window's procedure: it takes the window's private context at
// every message and routes each message it handles to main_window.cpp.
#include "app/main_window.h"
#include "game/move_turn.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The class has its own context: this is always the same one, never
  // released, and it keeps the palette the last paint selected.
  HDC dc = GetDC(window);
  switch (message) {
    case WM_CREATE:
      OnCreate(window, dc);
      return 0;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
    case WM_SIZE:
      OnSize(window, lParam);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(lParam);
      return 0;
    case WM_COMMAND:
      OnCommand(window, dc, LOWORD(wParam));
      return 0;
    case WM_TIMER:
      OnTimer(window, dc);
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(window, dc, lParam);
      return 0;
    case WM_LBUTTONUP:
      OnLeftButtonUp(window, dc, lParam);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(window, dc, wParam);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
