// The dialog procedures the main window opens, and the centring they share.
#pragma once
#include "platform/platform.h"

INT_PTR CALLBACK RulesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StatisticsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HighScoreDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// SetFocus, then centre on the screen size read at start-up.
void CentreDialog(HWND dialog);
// Makes Enter press the focused OK button (256).
void MakeOkAnswerEnter(HWND dialog);
// The OK button (command 256) or the close box.
BOOL IsOkOrClose(UINT message, WPARAM wParam);
// BeginPaint and EndPaint with nothing drawn between them.
void PaintNothing(HWND dialog);
