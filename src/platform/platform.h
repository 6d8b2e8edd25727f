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
// its index). The Windows build keeps the table in memory until the window
// is destroyed; the page, which a browser may end without warning, saves it
// at once.
void TableEntered(int rank);
