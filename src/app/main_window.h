// What the main window does with each message it handles. The Windows
// window procedure and the page's dispatcher only route messages here, with
// the window's one private device context.
#pragma once
#include "platform/platform.h"

enum {
  MAIN_WINDOW_WIDTH = 620,
  MAIN_WINDOW_HEIGHT = 420,
  PRESET_BOARD_X = 146,  // what the first WM_SIZE of a 620 x 420 window gives
  PRESET_BOARD_Y = 68,
};
extern const char MAIN_WINDOW_TITLE[];  // "Vexal5.2"

void OnCreate(HWND window, HDC dc);
void OnDestroy(HWND window);
void OnSize(HWND window, LPARAM lParam);
void OnPaint(HWND window);
void OnGetMinMaxInfo(LPARAM lParam);
void OnCommand(HWND window, HDC dc, int command);

#ifdef _WIN32
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
#endif
