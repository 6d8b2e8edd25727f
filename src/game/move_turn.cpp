// Clicks on the board: selecting a ball, moving it along its route, and
// what the move brings (lines and points, or three new balls and perhaps
// the end of the game). Also the bounce of the selected ball on the timer.
#include "game/move_turn.h"

#include "game/game_state.h"
#include "game/lines.h"
#include "game/path_search.h"
#include "game/random.h"
#include "game/spawn.h"
#include "render/draw.h"
#include "render/score_race.h"
#include "scores/check_high_score.h"

namespace {

const int BOARD_PIXELS = BOARD_SIZE * CELL_SIZE;

// The hit grid starts at the origin itself. Points left of or above it are
// outside (a truncating division would fold the first 35 of them into
// cell 0); the difference is taken in 64 bits so no origin can overflow it.
bool Coordinate(int point, int32_t origin, int* cell) {
  int64_t offset = static_cast<int64_t>(point) - static_cast<int64_t>(origin);
  if (offset < 0 || offset >= BOARD_PIXELS) return false;
  *cell = static_cast<int>(offset) / CELL_SIZE;
  return true;
}

void PointFromLParam(LPARAM lParam, int* x, int* y) {
  *x = LOWORD(lParam);
  *y = HIWORD(lParam);
}

Cell& BoardAt(int column, int row) { return game.Board[CellIndex(column, row)]; }

void Travel(HDC dc) {
  int length = game.pathLength;
  for (int i = 0; i + 1 < length; ++i) {
    const PathStep& from = game.path[i];
    const PathStep& to = game.path[i + 1];
    BoardAt(from.column, from.row) = CELL_EMPTY;
    DrawCell(dc, from.column, from.row, 0);
    BoardAt(to.column, to.row) = static_cast<Cell>(game.movingColour);
    DrawCell(dc, to.column, to.row, i % 6);
    PauseFrame(50);
  }
  // The ball always comes to rest showing the last bounce frame.
  int steps = length - 1;
  const PathStep& target = game.path[length - 1];
  if (steps % 6 != 0)
    for (int frame = steps % 6; frame <= 5; ++frame) DrawCell(dc, target.column, target.row, frame);
}

void PlayMove(HWND window, HDC dc, int targetColumn, int targetRow) {
  int startColumn = game.selectedCell.column;
  int startRow = game.selectedCell.row;
  game.movingColour = BoardAt(startColumn, startRow);
  if (!FindPath(startColumn, startRow, targetColumn, targetRow)) {
    MessageBeep(MB_ICONASTERISK);
    return;
  }
  game.selectionState = 0;
  Travel(dc);

  int sum = MarkLines(targetColumn, targetRow, game.movingColour);
  if (sum != 0) {
    RemoveMarkedBalls(dc);
    AddScore(dc, PointsForLine(sum));
    return;
  }

  for (int i = 0; i < 3; ++i) SpawnBall(dc);
  if (CountEmptyCells() == 0) {
    MessageBoxA(window, "Game over!", "Vexal5.2", MB_OK | MB_ICONWARNING);
    CheckHighScore(window);
    RestartGame(dc);
    return;
  }
  DrawPreview(dc);
  if (game.statisticsWindow != nullptr) InvalidateRect(game.statisticsWindow, nullptr, FALSE);
}

// A click on a cell, or Space or Enter at the cursor: select, reselect or move.
void ClickCell(HWND window, HDC dc, int column, int row) {
  bool ball = BoardAt(column, row) != CELL_EMPTY;
  if (game.selectionState == 0) {
    if (ball) {
      game.selectionState = 1;
      game.selectedCell.column = static_cast<uint8_t>(column);
      game.selectedCell.row = static_cast<uint8_t>(row);
      game.tickCounter = 3;  // the next tick shows frame 4
    }
  } else if (ball) {
    DrawCell(dc, game.selectedCell.column, game.selectedCell.row, 0);
    game.selectedCell.column = static_cast<uint8_t>(column);
    game.selectedCell.row = static_cast<uint8_t>(row);
    game.tickCounter |= 3;
  } else {
    PlayMove(window, dc, column, row);
  }
}

}  // namespace

int CellAtPoint(int x, int y, int* column, int* row) {
  int c = 0;
  int r = 0;
  if (!Coordinate(x, game.boardOriginX, &c) || !Coordinate(y, game.boardOriginY, &r)) return 0;
  *column = c;
  *row = r;
  return 1;
}

LRESULT OnLeftButtonDown(HWND, HDC dc, LPARAM lParam) {
  int x = 0;
  int y = 0;
  PointFromLParam(lParam, &x, &y);
  int column = 0;
  int row = 0;
  if (CellAtPoint(x, y, &column, &row)) {
    if (game.cursorShown) {  // the mouse is back: the cursor goes
      game.cursorShown = 0;
      DrawCell(dc, game.cursorCell.column, game.cursorCell.row, 0);
    }
    game.pressCell.column = column;
    game.pressCell.row = row;
    game.pressOutside = 0;
  } else {
    game.pressOutside = 1;
  }
  return 0;
}

LRESULT OnLeftButtonUp(HWND window, HDC dc, LPARAM lParam) {
  int x = 0;
  int y = 0;
  PointFromLParam(lParam, &x, &y);
  int column = 0;
  int row = 0;
  if (!CellAtPoint(x, y, &column, &row) || game.pressOutside == 1 ||
      column != game.pressCell.column || row != game.pressCell.row)
    return 0;
  ClickCell(window, dc, column, row);
  return 0;
}

LRESULT OnKeyDown(HWND window, HDC dc, WPARAM key) {
  int dx = key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : 0;
  int dy = key == VK_UP ? -1 : key == VK_DOWN ? 1 : 0;
  if (dx != 0 || dy != 0) {
    SelectedCell before = game.cursorCell;
    if (!game.cursorShown) {
      // It first shows where play is: at the selected ball, else mid-board.
      game.cursorShown = 1;
      if (game.selectionState == 1) {
        game.cursorCell = game.selectedCell;
      } else {
        game.cursorCell.column = BOARD_SIZE / 2;
        game.cursorCell.row = BOARD_SIZE / 2;
      }
    } else {
      int column = game.cursorCell.column + dx;
      int row = game.cursorCell.row + dy;
      if (column < 0 || column >= BOARD_SIZE || row < 0 || row >= BOARD_SIZE) return 0;
      game.cursorCell.column = static_cast<uint8_t>(column);
      game.cursorCell.row = static_cast<uint8_t>(row);
      DrawCell(dc, before.column, before.row, 0);
    }
    DrawCell(dc, game.cursorCell.column, game.cursorCell.row, 0);
    return 0;
  }
  if ((key == VK_SPACE || key == VK_RETURN) && game.cursorShown)
    ClickCell(window, dc, game.cursorCell.column, game.cursorCell.row);
  return 0;
}

LRESULT OnTimer(HWND window, HDC dc) {
  // Counted unsigned: the clock may run for years without overflowing into
  // a negative frame.
  uint32_t ticks = static_cast<uint32_t>(game.tickCounter) + 1u;
  game.tickCounter = static_cast<int32_t>(ticks);
  if (IsIconic(window) || game.selectionState != 1) return 0;
  DrawCell(dc, game.selectedCell.column, game.selectedCell.row, static_cast<int>(ticks % 6u));
  return 0;
}
