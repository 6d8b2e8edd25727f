// What every modal dialog of the game shares: it opens in the middle of the
// screen, whatever its template says, and answers to its OK button and its
// close box alike.
#include "platform/resource_ids.h"
#include "game/game_state.h"
#include "ui/dialog_procs.h"

void CentreDialog(HWND dialog) {
  SetFocus(dialog);
  RECT frame;
  GetWindowRect(dialog, &frame);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  // The screen size is the one read at start-up.
  MoveWindow(dialog, (game.screenWidth - width) / 2, (game.screenHeight - height) / 2, width,
             height, TRUE);
}

void MakeOkAnswerEnter(HWND dialog) {
  // Enter answers to the OK button, which holds the focus; otherwise the
  // dialog manager would send IDOK, which closes nothing.
  SendMessageA(dialog, DM_SETDEFID, IDC_OK, 0);
}

BOOL IsOkOrClose(UINT message, WPARAM wParam) {
  // Esc sends the cancel command, which is neither: it leaves the dialog open.
  return message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDC_OK);
}

void PaintNothing(HWND dialog) {
  PAINTSTRUCT paint;
  BeginPaint(dialog, &paint);
  EndPaint(dialog, &paint);
}
