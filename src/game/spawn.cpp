// A new game, and new balls appearing on random empty cells.
#include "game/spawn.h"

#include "game/game_state.h"
#include "game/lines.h"
#include "game/random.h"
#include "render/draw.h"

int NthEmptyCell(uint32_t r) {
  uint32_t count = 0;
  for (int i = 0; i < CELL_COUNT; ++i) {
    if (game.Board[i] != CELL_EMPTY) continue;
    if (count == r) return i;
    ++count;
  }
  return -1;
}

int SpawnBall(HDC dc) {
  for (;;) {
    int empty = CountEmptyCells();
    if (empty == 0) return 0;
    int target = NthEmptyCell(NextRandom(static_cast<uint32_t>(empty)));
    if (target < 0) {
      // The count and the walk disagree: nothing sane can be placed.
      MessageBoxA(nullptr, "Report me!", "Error", MB_OK);
      return 0;
    }

    int colour = game.NextQueue[0];
    game.Board[target] = static_cast<Cell>(colour);
    game.NextQueue[0] = game.NextQueue[1];
    game.NextQueue[1] = game.NextQueue[2];
    game.NextQueue[2] = static_cast<uint8_t>(NextRandom(COLOUR_COUNT) + 1);

    int column = target % BOARD_SIZE;
    int row = target / BOARD_SIZE;
    DrawCell(dc, column, row, 6);
    PauseFrame(50);
    DrawCell(dc, column, row, 7);
    PauseFrame(50);
    DrawCell(dc, column, row, 0);

    if (MarkLines(column, row, colour) == 0) return 1;
    // A line made by a new ball vanishes without points; another ball comes.
    RemoveMarkedBalls(dc);
  }
}

void NewGame(HDC dc) {
  for (int i = 0; i < CELL_COUNT; ++i) game.Board[i] = CELL_EMPTY;
  for (int i = 0; i < 8; ++i) game.removedCounts[i] = 0;
  FillNextQueue();
  DrawBoard(dc);
  for (int i = 0; i < 5; ++i) SpawnBall(dc);
  game.score = 0;
  game.recordPassed = 0;
  DrawScoreBox(dc, 24, 10, static_cast<uint32_t>(game.bestScore));
  DrawScoreBox(dc, game.scoreBoxX, game.scoreBoxY, static_cast<uint32_t>(game.score));
  DrawPreview(dc);
}
