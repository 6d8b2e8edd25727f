// The rules dialog: a text and an OK button, nothing painted.
#include "app/resource_ids.h"
#include "ui/dialog_procs.h"

INT_PTR CALLBACK RulesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CentreDialog(dialog);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(dialog, &paint);
      EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_COMMAND:
      // Esc sends the cancel command, which leaves the dialog open.
      if (LOWORD(wParam) != IDC_OK) return FALSE;
      EndDialog(dialog, 0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}
