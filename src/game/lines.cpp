// Runs of five or more through a placed ball: marking, the vanish
// animation, the per-colour count and the points.
#include "game/lines.h"

#include "game/game_state.h"
#include "render/draw.h"

const LineDirection LINE_DIRECTIONS[4] = {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

namespace {

// Four balls at most can adjoin the placed one on either side, so seven
// steps always reach past the end of a run.
const int SCAN_STEPS = 7;

bool OnBoard(int column, int row) {
  return column >= 0 && column < BOARD_SIZE && row >= 0 && row < BOARD_SIZE;
}

int MarkRun(int column, int row, int columnStep, int rowStep, int colour) {
  int marked = 0;
  for (int step = 0; step < SCAN_STEPS; ++step) {
    column += columnStep;
    row += rowStep;
    if (!OnBoard(column, row)) break;
    Cell& cell = game.Board[CellIndex(column, row)];
    if (cell != colour) break;
    cell = static_cast<Cell>(cell | CELL_MARK);
    ++marked;
  }
  return marked;
}

void Unmark(int column, int row, int columnStep, int rowStep) {
  for (int step = 0; step < SCAN_STEPS; ++step) {
    column += columnStep;
    row += rowStep;
    if (!OnBoard(column, row)) break;
    Cell& cell = game.Board[CellIndex(column, row)];
    cell = static_cast<Cell>(cell & CELL_COLOUR_MASK);
  }
}

}  // namespace

int MarkLines(int column, int row, int colour) {
  if (!OnBoard(column, row) || colour < 1 || colour > COLOUR_COUNT) return 0;
  int sum = 0;
  for (const LineDirection& d : LINE_DIRECTIONS) {
    int run = 1;
    run += MarkRun(column, row, d.columnStep, d.rowStep, colour);
    run += MarkRun(column, row, -d.columnStep, -d.rowStep, colour);
    if (run >= 5) {
      sum += run;
    } else {
      Unmark(column, row, d.columnStep, d.rowStep);
      Unmark(column, row, -d.columnStep, -d.rowStep);
    }
  }
  if (sum != 0) game.Board[CellIndex(column, row)] = static_cast<Cell>(colour | CELL_MARK);
  return sum;
}

void RemoveMarkedBalls(HDC dc) {
  static const int FRAMES[3] = {8, 9, 0};
  int colour = 0;
  uint32_t count = 0;
  for (int frame : FRAMES) {
    for (int row = 0; row < BOARD_SIZE; ++row) {
      for (int column = 0; column < BOARD_SIZE; ++column) {
        Cell& cell = game.Board[CellIndex(column, row)];
        if ((cell & CELL_MARK) == 0) continue;
        if (frame == 0) {
          colour = cell & CELL_COLOUR_MASK;
          cell = CELL_EMPTY;
          ++count;
        }
        DrawCell(dc, column, row, frame);
      }
    }
    PauseFrame(50);
  }
  if (colour >= 1 && colour <= COLOUR_COUNT) game.removedCounts[colour] += count;
  if (game.statisticsWindow != nullptr) InvalidateRect(game.statisticsWindow, nullptr, FALSE);
}

int PointsForLine(int n) {
  // Far beyond the 36 a board allows, but it keeps the square within 32 bits.
  const int LARGEST = 32000;
  if (n < 5) return 0;
  if (n > LARGEST) n = LARGEST;
  int extra = n - 5;
  return 10 + 2 * extra * extra;
}
