// The one door to the window system. The Windows build takes the real
// declarations; the native build (tests, vexal-sim) gets the same names from
// platform_native.h and links recording fakes from tests/fakes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include "platform/platform_native.h"
#endif

// The pause between two frames of an animation: as long as Sleep and, like
// it, handling no input and no message, but on the screen under Wine too.
void PauseFrame(DWORD milliseconds);

// The two modal dialogs of the high-score check. The Windows build opens
// dialogs 1002 and 1001; the native build answers them from a script.
void ShowNameDialog(HWND owner);
void ShowHighScoreDialog(HWND owner);
