// The about dialog and its logo, laid over the dialog's face through a mask.
#include "platform/resource_ids.h"
#include "game/game_state.h"
#include "ui/dialog_procs.h"

enum { LOGO_X = 10, LOGO_Y = 32, LOGO_WIDTH = 67, LOGO_HEIGHT = 50 };

// The bitmaps live only for the one paint.
static void DrawAboutLogo(HDC dc) {
  HBITMAP picture = LoadBitmapA(game.instance, MAKEINTRESOURCEA(IDB_ABOUT_LOGO));
  HBITMAP mask = LoadBitmapA(game.instance, MAKEINTRESOURCEA(IDB_ABOUT_MASK));
  // Without both halves the blits would draw the memory context's empty
  // bitmap, a black block, so nothing is drawn.
  if (picture != nullptr && mask != nullptr) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ displaced = SelectObject(memory, mask);
    // Black where the logo goes; the face colour elsewhere is kept.
    BitBlt(dc, LOGO_X, LOGO_Y, LOGO_WIDTH, LOGO_HEIGHT, memory, 0, 0, SRCAND);
    // The picture's black background adds nothing.
    SelectObject(memory, picture);
    BitBlt(dc, LOGO_X, LOGO_Y, LOGO_WIDTH, LOGO_HEIGHT, memory, 0, 0, SRCPAINT);
    SelectObject(memory, displaced);
    DeleteDC(memory);
  }
  if (picture != nullptr) DeleteObject(picture);
  if (mask != nullptr) DeleteObject(mask);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (IsOkOrClose(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      MakeOkAnswerEnter(dialog);
      CentreDialog(dialog);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      DrawAboutLogo(dc);
      EndPaint(dialog, &paint);
      return TRUE;
    }
  }
  return FALSE;
}
