// Every modal dialog of the game opens in the middle of the screen, whatever
// its template says.
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
