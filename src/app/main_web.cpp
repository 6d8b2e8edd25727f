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

// What the page's screen-reader layer reads between calls: the board and the
// panel as plain numbers, in this order.
enum ViewWord {
  VIEW_BOARD = 0,  // 81 colours, 0 for an empty cell
  VIEW_SELECTED = CELL_COUNT,  // 1 while a ball is selected
  VIEW_SELECTED_COLUMN, VIEW_SELECTED_ROW,
  VIEW_CURSOR_SHOWN, VIEW_CURSOR_COLUMN, VIEW_CURSOR_ROW,
  VIEW_PRESS_COLUMN, VIEW_PRESS_ROW,
  VIEW_SCORE, VIEW_BEST, VIEW_RECORD_PASSED,
  VIEW_SHOW_NEXT, VIEW_NEXT,  // three colours
  VIEW_MOVING_COLOUR = VIEW_NEXT + 3,
  VIEW_TARGET_COLUMN, VIEW_TARGET_ROW,  // the last route's end
  VIEW_ORIGIN_X, VIEW_ORIGIN_Y,
  VIEW_REMOVED,  // eight counts, by colour
  VIEW_HOLDER_NAME = VIEW_REMOVED + 8, VIEW_PLAYER_NAME,  // addresses of GBK strings
  VIEW_WORDS
};
int32_t view[VIEW_WORDS];
}  // namespace

WEB_EXPORT(VexalAsyncSlot) unsigned char* VexalAsyncSlot(int slot) {
  return slot >= 0 && slot < ASYNC_SLOTS ? asyncData[slot] : nullptr;
}
WEB_EXPORT(VexalAsyncSlotBytes) int VexalAsyncSlotBytes() { return ASYNC_SLOT_BYTES; }
WEB_EXPORT(VexalScratch) unsigned char* VexalScratch() { return scratch; }

WEB_EXPORT(VexalView) const int32_t* VexalView() {
  for (int i = 0; i < CELL_COUNT; ++i) view[VIEW_BOARD + i] = game.Board[i] & 7;  // without the removal mark
  view[VIEW_SELECTED] = game.selectionState;
  view[VIEW_SELECTED_COLUMN] = game.selectedCell.column;
  view[VIEW_SELECTED_ROW] = game.selectedCell.row;
  view[VIEW_CURSOR_SHOWN] = game.cursorShown;
  view[VIEW_CURSOR_COLUMN] = game.cursorCell.column;
  view[VIEW_CURSOR_ROW] = game.cursorCell.row;
  view[VIEW_PRESS_COLUMN] = game.pressCell.column;
  view[VIEW_PRESS_ROW] = game.pressCell.row;
  view[VIEW_SCORE] = game.score;
  view[VIEW_BEST] = game.bestScore;
  view[VIEW_RECORD_PASSED] = game.recordPassed;
  view[VIEW_SHOW_NEXT] = game.showNext;
  for (int i = 0; i < 3; ++i) view[VIEW_NEXT + i] = game.NextQueue[i];
  view[VIEW_MOVING_COLOUR] = game.movingColour;
  bool routed = game.pathLength > 0 && game.pathLength <= CELL_COUNT;
  view[VIEW_TARGET_COLUMN] = routed ? game.path[game.pathLength - 1].column : -1;
  view[VIEW_TARGET_ROW] = routed ? game.path[game.pathLength - 1].row : -1;
  view[VIEW_ORIGIN_X] = game.boardOriginX;
  view[VIEW_ORIGIN_Y] = game.boardOriginY;
  for (int i = 0; i < 8; ++i) view[VIEW_REMOVED + i] = int32_t(game.removedCounts[i]);
  view[VIEW_HOLDER_NAME] = int32_t(reinterpret_cast<uintptr_t>(holderName));
  view[VIEW_PLAYER_NAME] = int32_t(reinterpret_cast<uintptr_t>(playerName));
  return view;
}

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
