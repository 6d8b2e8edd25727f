// The wave search: distances are written into the board cells themselves
// (8 at the start, 8 + k after k steps), so no queue or extra memory is
// needed; every wave value is wiped again before it returns.
#include "game/path_search.h"

#include "game/game_state.h"

namespace {

// Neighbour order up, left, down, right: it also decides which of several
// equally short routes the trace back takes.
const int NEIGHBOUR_COLUMN[4] = {0, -1, 0, 1};
const int NEIGHBOUR_ROW[4] = {-1, 0, 1, 0};

bool OnBoard(int column, int row) {
  return column >= 0 && column < BOARD_SIZE && row >= 0 && row < BOARD_SIZE;
}

void SpreadWave(int value) {
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int column = 0; column < BOARD_SIZE; ++column) {
      if (game.Board[CellIndex(column, row)] != value) continue;
      for (int d = 0; d < 4; ++d) {
        int c = column + NEIGHBOUR_COLUMN[d];
        int r = row + NEIGHBOUR_ROW[d];
        if (OnBoard(c, r) && game.Board[CellIndex(c, r)] == CELL_EMPTY)
          game.Board[CellIndex(c, r)] = static_cast<Cell>(value + 1);
      }
    }
  }
}

void TraceBack(int column, int row, int value) {
  int length = value - (WAVE_START - 1);
  game.pathLength = static_cast<uint8_t>(length);
  for (int j = 0; j < length; ++j) {
    PathStep& step = game.path[length - 1 - j];
    step.row = static_cast<uint8_t>(row);
    step.column = static_cast<uint8_t>(column);
    if (j == length - 1) break;  // the start cell: nothing lies before it
    for (int d = 0; d < 4; ++d) {
      int c = column + NEIGHBOUR_COLUMN[d];
      int r = row + NEIGHBOUR_ROW[d];
      if (OnBoard(c, r) && game.Board[CellIndex(c, r)] == value - 1) {
        column = c;
        row = r;
        break;
      }
    }
    --value;
  }
}

}  // namespace

int FindPath(int startColumn, int startRow, int targetColumn, int targetRow) {
  if (!OnBoard(startColumn, startRow) || !OnBoard(targetColumn, targetRow)) return 0;
  Cell& start = game.Board[CellIndex(startColumn, startRow)];
  const Cell& target = game.Board[CellIndex(targetColumn, targetRow)];
  // Only an empty cell can be reached; a marked ball's byte would otherwise
  // pass for a wave value.
  if (target != CELL_EMPTY) return 0;

  Cell remembered = start;
  start = WAVE_START;
  int value = WAVE_START;
  bool found = false;
  for (;;) {
    SpreadWave(value);
    ++value;
    if (target == value && value != WAVE_LIMIT) {
      found = true;
      break;
    }
    if (value >= WAVE_LIMIT) break;
  }
  if (found) TraceBack(targetColumn, targetRow, value);

  for (int i = 0; i < CELL_COUNT; ++i)
    if (game.Board[i] >= WAVE_START) game.Board[i] = CELL_EMPTY;
  start = remembered;
  return found ? 1 : 0;
}
