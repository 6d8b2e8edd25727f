// How long the rules take on the window thread, without the pauses: the
// wave search at its cheapest useful and its most expensive, each beside a
// textbook breadth-first search on the same board, and whole turns from the
// click on the ball to the end of the turn.
#include <benchmark/benchmark.h>

#include <cstring>

#include "fakes/fake_log.h"
#include "game/game_state.h"
#include "game/move_turn.h"
#include "game/path_search.h"
#include "game/random.h"
#include "game/spawn.h"
#include "render/layout.h"

namespace {

HDC const DC = reinterpret_cast<HDC>(0x10);
HWND const WINDOW = reinterpret_cast<HWND>(0x20);

void Fresh() {
  std::memset(&game, 0, sizeof game);
  game.bestScore = 100;
  LayoutAtCreate(612, 374);
  LayoutAtSize(612, 374, 612, 374);
  FakeClear();
}

void Put(int column, int row, Cell value) { game.Board[CellIndex(column, row)] = value; }

void Click(int column, int row) {
  LPARAM point = MAKELPARAM(game.boardOriginX + CELL_SIZE * column + 18,
                            game.boardOriginY + CELL_SIZE * row + 18);
  OnLeftButtonDown(WINDOW, DC, point);
  OnLeftButtonUp(WINDOW, DC, point);
}

// The yardstick for FindPath: a plain breadth-first search with a queue and a
// parent per cell, which writes the route out start first as FindPath does.
int PlainBreadthFirst(int startColumn, int startRow, int targetColumn, int targetRow, PathStep* route) {
  int parent[CELL_COUNT];
  int queue[CELL_COUNT];
  for (int& p : parent) p = -1;
  int start = CellIndex(startColumn, startRow);
  int target = CellIndex(targetColumn, targetRow);
  int head = 0;
  int tail = 0;
  queue[tail++] = start;
  parent[start] = start;
  while (head < tail && parent[target] < 0) {
    int cell = queue[head++];
    int column = cell % BOARD_SIZE;
    int row = cell / BOARD_SIZE;
    const int steps[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    for (const auto& step : steps) {
      int c = column + step[0];
      int r = row + step[1];
      if (c < 0 || c >= BOARD_SIZE || r < 0 || r >= BOARD_SIZE) continue;
      int next = CellIndex(c, r);
      if (parent[next] >= 0 || game.Board[next] != CELL_EMPTY) continue;
      parent[next] = cell;
      queue[tail++] = next;
    }
  }
  if (parent[target] < 0) return 0;
  int length = 0;
  for (int cell = target; cell != start; cell = parent[cell]) ++length;
  for (int cell = target, i = length; i >= 0; cell = parent[cell], --i) {
    route[i].column = static_cast<uint8_t>(cell % BOARD_SIZE);
    route[i].row = static_cast<uint8_t>(cell / BOARD_SIZE);
  }
  return 1;
}

// The two boards every route search is timed on: an empty one, corner to
// corner, and one whose start is walled in, where the wave runs all its 82
// passes before it gives up.
void Route(benchmark::State& state, bool plain, bool walledIn) {
  Fresh();
  Put(0, 0, 1);
  if (walledIn) {
    Put(1, 0, 2);
    Put(0, 1, 3);
  }
  PathStep route[CELL_COUNT];
  for (auto _ : state) {
    int found = plain ? PlainBreadthFirst(0, 0, 8, 8, route) : FindPath(0, 0, 8, 8);
    benchmark::DoNotOptimize(found);
    benchmark::DoNotOptimize(route);
  }
}
BENCHMARK_CAPTURE(Route, FindPathCornerToCorner, false, false);
BENCHMARK_CAPTURE(Route, FindPathNoRoute, false, true);
BENCHMARK_CAPTURE(Route, PlainBfsCornerToCorner, true, false);
BENCHMARK_CAPTURE(Route, PlainBfsNoRoute, true, true);

// A turn from the same position every time: the record is restored and the
// call log emptied in each iteration.
void WholeTurn(benchmark::State& state, bool scoring) {
  Fresh();
  SeedRandom(42);
  NewGame(DC);
  for (int i = 0; i < CELL_COUNT; ++i) game.Board[i] = 0;
  for (int column = 0; column < 4; ++column) Put(column, 4, 2);
  Put(8, 8, scoring ? 2 : 5);
  for (int column = 0; column < 9; ++column) Put(column, 0, Cell(column % 7 + 1));
  const GameState start = game;
  Click(8, 8);
  Click(4, 4);
  const bool scored = game.score == 10;
  const int empty = CountEmptyCells();
  if (scored != scoring || empty != (scoring ? 81 - 9 : 81 - 14 - 3)) {
    state.SkipWithError("the turn did not go as planned");
    return;
  }
  for (auto _ : state) {
    game = start;
    Click(8, 8);
    Click(4, 4);
    FakeClear();
  }
  benchmark::DoNotOptimize(game.score);
}
BENCHMARK_CAPTURE(WholeTurn, LineAndScore, true);
BENCHMARK_CAPTURE(WholeTurn, ThreeSpawns, false);

}  // namespace

BENCHMARK_MAIN();
