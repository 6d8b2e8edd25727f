#pragma once
#include "platform/platform.h"

void CheckHighScore(HWND owner);

// The two modal dialogs of the check: the name entry (1002) and the table
// (1001), owned by `owner`.
void ShowNameDialog(HWND owner);
void ShowHighScoreDialog(HWND owner);

// The name dialog's test of what was typed (at most 15 bytes are read from
// the field). Shows the first failed test's message, owned by `dialog`, and
// returns 0; otherwise copies the text into playerName and returns 1.
int AcceptName(HWND dialog, const char* typed);
