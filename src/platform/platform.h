// The one door to the window system. The Windows build takes the real
// declarations; the page (src/web) and the native build (tests, vexal-sim)
// get the same names from platform_native.h, the page with its own platform
// behind them and the native build with recording fakes from tests/fakes.
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

// Called as soon as a new entry has entered the high-score table (`rank` is
// its index), before the table dialog shows it; `owner` is the window the
// check runs for. Both builds save the table at once, since a game may end
// without its window being destroyed: the Windows build into its file (and
// says so when it cannot), the page into the browser's storage, merged with
// what other tabs have stored meanwhile.
void TableEntered(HWND owner, int rank);
