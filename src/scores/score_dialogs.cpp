// The two dialogs of the high-score check: the name entry and the table.
#include "platform/resource_ids.h"
#include "game/game_state.h"
#include "render/format_decimal.h"
#include "scores/check_high_score.h"
#include "scores/high_score_text.h"
#include "ui/dialog_procs.h"

enum { TABLE_MARGIN = 16, TABLE_ROW_HEIGHT = 16, TABLE_FONT_HEIGHT = 18 };

// The field holds at most 15 bytes here; a longer text is refused as too long.
static void ValidateName(HWND dialog) {
  char typed[16];
  GetDlgItemTextA(dialog, IDC_NAME_FIELD, typed, sizeof typed);
  if (AcceptName(dialog, typed)) EndDialog(dialog, 0);
}

INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (IsOkOrClose(message, wParam)) {
    // No way out without a valid name, the close box included.
    ValidateName(dialog);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_NAME_FIELD, playerName);
      CentreDialog(dialog);
      return TRUE;
    case WM_PAINT:
      PaintNothing(dialog);
      return TRUE;
  }
  return FALSE;
}

static void PaintHighScores(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  HFONT font = CreateFontA(TABLE_FONT_HEIGHT, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                           0, "MS Sans Serif");
  HGDIOBJ previousFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));

  RECT area;
  GetClientRect(dialog, &area);
  area.left += TABLE_MARGIN;
  area.top += TABLE_MARGIN;
  area.right -= TABLE_MARGIN;
  for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
    RECT row = {area.left, area.top, area.right, area.top + TABLE_ROW_HEIGHT};
    char text[HIGH_SCORE_ROW_SIZE];
    BuildHighScoreRowText(static_cast<uint32_t>(i), game.HighScoreTable[i], text);
    DrawTextA(dc, text, -1, &row, 0);
    char number[11];
    FormatDecimal(game.HighScoreTable[i].score, number);
    DrawTextA(dc, number, -1, &row, DT_RIGHT);
    area.top += TABLE_ROW_HEIGHT;
  }

  SelectObject(dc, previousFont);
  DeleteObject(font);
  EndPaint(dialog, &paint);
}

INT_PTR CALLBACK HighScoreDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (IsOkOrClose(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      MakeOkAnswerEnter(dialog);
      CentreDialog(dialog);
      return TRUE;
    case WM_PAINT:
      PaintHighScores(dialog);
      return TRUE;
  }
  return FALSE;
}

void ShowNameDialog(HWND owner) {
  DialogBoxParamA(game.instance, MAKEINTRESOURCEA(IDD_NAME_ENTRY), owner, NameDialogProc, 0);
}

void ShowHighScoreDialog(HWND owner) {
  DialogBoxParamA(game.instance, MAKEINTRESOURCEA(IDD_HIGH_SCORES), owner, HighScoreDialogProc,
                  0);
}
