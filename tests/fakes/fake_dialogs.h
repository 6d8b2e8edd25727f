// The native build's dialog manager: DialogBoxParamA and CreateDialogParamA
// run the game's real dialog procedures, with the player's part scripted.
#pragma once
#include <string>
#include <vector>

#include "platform/platform.h"

// The text "typed" into the name dialog whenever it opens from now on;
// nullptr goes back to accepting the preset name as it stands. A text the
// dialog refuses is followed by the preset, so the dialog always closes.
void FakeSetNameAnswer(const char* text);

// The window-manager calls the procedures made (SetFocus, MoveWindow,
// SetDlgItemTextA ...), one line each, apart from FakeCalls() so that the
// game's own sequence of calls stays readable.
std::vector<std::string>& FakeWindowCalls();
// What GetWindowRect answers for a window from now on (default 0,0-100,100).
void FakeSetWindowRect(HWND window, RECT rect);
// What GetTickCount answers from now on.
void FakeSetTickCount(DWORD ticks);
// The handle the next dialog gets: 0xD1A0001, 0xD1A0002, ... from the last
// reset.
HWND FakeDialogHandle(int n);
void FakeWindowsReset();
