// The statistics tool window: per cell value its picture, how many cells hold
// it, their share of the board and, for colours, how many were removed.
#include "platform/resource_ids.h"
#include "game/game_state.h"
#include "ui/dialog_procs.h"
#include "ui/statistics_text.h"

enum {
  STATISTICS_X_BESIDE_BOARD = 340,
  STATISTICS_Y_BELOW_TOP = 32,
  STATISTICS_WIDTH = 164,
  STATISTICS_HEIGHT = 310,
  STATISTICS_TEXT_INDENT = 44,
  STATISTICS_LINE_SPACING = 36,
  STATISTICS_BAND_HEIGHT = 35,
  CELL_SPRITES_Y = 225,  // row 0 of the cell pictures in the sheet
};

static void PaintStatistics(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);

  uint32_t counts[STATISTICS_VALUES];
  CountCellValues(game.Board, counts);

  HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                           "MS Sans Serif");
  HGDIOBJ previousFont = SelectObject(dc, font);
  // Opaque text on the face colour: see the trailing spaces of each line.
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, RGB(0, 0, 0));

  RECT band;
  GetClientRect(window, &band);
  band.left += STATISTICS_TEXT_INDENT;
  band.bottom = band.top + STATISTICS_BAND_HEIGHT;
  for (int value = 0; value < STATISTICS_VALUES; ++value) {
    BitBlt(dc, band.left - STATISTICS_TEXT_INDENT, band.top, CELL_SIZE, CELL_SIZE, game.spriteDC,
           CELL_SIZE * value, CELL_SPRITES_Y, SRCCOPY);
    char text[STATISTICS_TEXT_SIZE];
    BuildStatisticsText(value, counts[value], game.removedCounts[value], text);
    DrawTextA(dc, text, -1, &band, DT_SINGLELINE | DT_VCENTER);
    band.top += STATISTICS_LINE_SPACING;
    band.bottom += STATISTICS_LINE_SPACING;
  }

  SelectObject(dc, previousFont);
  DeleteObject(font);
  EndPaint(window, &paint);
}

INT_PTR CALLBACK StatisticsDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      RECT main;
      GetWindowRect(game.mainWindow, &main);
      MoveWindow(dialog, main.left + game.boardOriginX + STATISTICS_X_BESIDE_BOARD,
                 main.top + STATISTICS_Y_BELOW_TOP, STATISTICS_WIDTH, STATISTICS_HEIGHT, FALSE);
      // Keys keep going to the game.
      SetFocus(game.mainWindow);
      // The focus is placed: TRUE would have the dialog manager, finding no
      // control, give it to this window instead.
      return FALSE;
    }
    case WM_WINDOWPOSCHANGING: {
      // The dialog manager shows the new window activated, which would take
      // the keys from the game; a click on the window still activates it.
      WINDOWPOS* position = reinterpret_cast<WINDOWPOS*>(lParam);
      if (position->flags & SWP_SHOWWINDOW) position->flags |= SWP_NOACTIVATE;
      return FALSE;
    }
    case WM_PAINT:
      PaintStatistics(dialog);
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      game.statisticsWindow = nullptr;
      game.statisticsShown = 0;
      CheckMenuItem(GetMenu(game.mainWindow), CMD_STATISTICS, MF_UNCHECKED);
      return TRUE;
  }
  return FALSE;
}
