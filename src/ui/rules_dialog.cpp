// The rules dialog: a text and an OK button, nothing painted.
#include "ui/dialog_procs.h"

INT_PTR CALLBACK RulesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (IsOkOrClose(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      CentreDialog(dialog);
      return TRUE;
    case WM_PAINT:
      PaintNothing(dialog);
      return TRUE;
  }
  return FALSE;
}
