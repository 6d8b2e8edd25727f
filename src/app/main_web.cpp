// The page's side of the main routine and of the window procedure: what the
// page's JavaScript calls. The page makes the window, runs the message loop
// and calls in with one message at a time; this routes each message as the
// Windows procedure does (main_window_win32.cpp).
#include "app/main_window.h"
#include "game/game_state.h"
#include "game/move_turn.h"

#define WEB_EXPORT(name) extern "C" __attribute__((export_name(#name)))
#define WEB_IMPORT(name) extern "C" __attribute__((import_module("env"), import_name(#name)))

// Makes the main window, hidden until the page has created it, and gives
// its handle.
WEB_IMPORT(WebCreateMainWindow)
HWND WebCreateMainWindow(const char* title, int x, int y, int width, int height);

namespace {
// Room for what a suspended call keeps of its frames (the page's Asyncify
// data), one slot per call that can be suspended at once, and a scratch
// record through which the page hands structures in.
const int ASYNC_SLOTS = 8;
const int ASYNC_SLOT_BYTES = 16384;
alignas(16) unsigned char asyncData[ASYNC_SLOTS][ASYNC_SLOT_BYTES];
alignas(16) unsigned char scratch[256];
}  // namespace

WEB_EXPORT(VexalAsyncSlot) unsigned char* VexalAsyncSlot(int slot) {
  return slot >= 0 && slot < ASYNC_SLOTS ? asyncData[slot] : nullptr;
}
WEB_EXPORT(VexalAsyncSlotBytes) int VexalAsyncSlotBytes() { return ASYNC_SLOT_BYTES; }
WEB_EXPORT(VexalScratch) unsigned char* VexalScratch() { return scratch; }

// As WinMain before its loop: the board origin preset, the screen read once
// and the window centred on it.
WEB_EXPORT(VexalMain) HWND VexalMain() {
  game.instance = reinterpret_cast<HINSTANCE>(1);
  game.boardOriginX = PRESET_BOARD_X;
  game.boardOriginY = PRESET_BOARD_Y;
  game.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  game.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  game.mainWindow = WebCreateMainWindow(
      MAIN_WINDOW_TITLE, (game.screenWidth - MAIN_WINDOW_WIDTH) / 2,
      (game.screenHeight - MAIN_WINDOW_HEIGHT) / 2, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
  return game.mainWindow;
}

WEB_EXPORT(VexalMessage)
LRESULT VexalMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

WEB_EXPORT(VexalDialogMessage)
INT_PTR VexalDialogMessage(DLGPROC procedure, HWND dialog, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  return procedure(dialog, message, wParam, lParam);
}
