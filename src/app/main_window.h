// The main window's procedure and the routine that creates it and runs the
// message loop.
#pragma once
#include "platform/platform.h"

#ifdef _WIN32
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
#endif
