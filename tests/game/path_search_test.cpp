#include <cstring>
#include <queue>
#include <random>
#include <utility>
#include <vector>

#include "game/path_search.h"
#include "rules_test_support.h"

namespace {

typedef std::pair<int, int> RowColumn;  // routes are written (row, column)
typedef std::vector<RowColumn> Route;

Route StoredRoute() {
  Route route;
  for (int i = 0; i < game.pathLength; ++i) route.push_back({game.path[i].row, game.path[i].column});
  return route;
}

struct RouteCase {
  const char* name;
  const char* board;
  RowColumn start;
  RowColumn target;
  Route expected;  // empty: no route
};

class Routes : public ::testing::TestWithParam<RouteCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

const char* EMPTY_BOARD =
    "........."
    "........."
    "........."
    "........."
    "........."
    "........."
    "........."
    "........."
    ".........";

TEST_P(Routes, ShortestWithTheTieBreak) {
  const RouteCase& c = GetParam();
  SetBoard(c.board);
  Put(c.start.second, c.start.first, 3);
  const std::vector<Cell> before = BoardBytes();
  // Stale entries from an earlier search must survive a failed one.
  std::memset(game.path, 0xAB, sizeof game.path);
  game.pathLength = 0xCD;

  int found = FindPath(c.start.second, c.start.first, c.target.second, c.target.first);

  EXPECT_EQ(BoardBytes(), before) << "the board must come back unchanged";
  if (c.expected.empty()) {
    EXPECT_EQ(found, 0);
    EXPECT_EQ(game.pathLength, 0xCD);
    EXPECT_EQ(game.path[0].row, 0xAB);
  } else {
    EXPECT_EQ(found, 1);
    EXPECT_EQ(game.pathLength, c.expected.size());
    EXPECT_EQ(StoredRoute(), c.expected);
  }
}

Route Column(int column, int fromRow, int toRow) {
  Route r;
  int step = fromRow <= toRow ? 1 : -1;
  for (int row = fromRow;; row += step) {
    r.push_back({row, column});
    if (row == toRow) break;
  }
  return r;
}

Route Concat(std::initializer_list<Route> parts) {
  Route out;
  for (const Route& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Routes,
    ::testing::Values(
        RouteCase{"TopRowThenDown", EMPTY_BOARD, {0, 0}, {2, 2},
                  {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}}},
        RouteCase{"LeftAlongRowThenUp", EMPTY_BOARD, {2, 2}, {0, 0},
                  {{2, 2}, {2, 1}, {2, 0}, {1, 0}, {0, 0}}},
        RouteCase{"UpThenRight", EMPTY_BOARD, {4, 4}, {3, 6}, {{4, 4}, {3, 4}, {3, 5}, {3, 6}}},
        RouteCase{"CornerToCorner", EMPTY_BOARD, {0, 0}, {8, 8},
                  Concat({{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}},
                          Column(8, 0, 8)})},
        RouteCase{"Adjacent", EMPTY_BOARD, {4, 4}, {4, 5}, {{4, 4}, {4, 5}}},
        // Diagonal neighbours: the route enters the target from above, else
        // from the left, from below, from the right.
        RouteCase{"EntersFromAbove", EMPTY_BOARD, {4, 4}, {5, 5}, {{4, 4}, {4, 5}, {5, 5}}},
        RouteCase{"EntersFromLeft",
                  "........."
                  "........."
                  "........."
                  "........."
                  ".....1..."
                  "........."
                  "........."
                  "........."
                  ".........",
                  {4, 4}, {5, 5}, {{4, 4}, {5, 4}, {5, 5}}},
        RouteCase{"EntersFromBelow", EMPTY_BOARD, {4, 4}, {3, 3}, {{4, 4}, {4, 3}, {3, 3}}},
        RouteCase{"EntersFromRight",
                  "........."
                  "........."
                  "........."
                  "........."
                  "...7....."
                  "........."
                  "........."
                  "........."
                  ".........",
                  {4, 4}, {3, 3}, {{4, 4}, {3, 4}, {3, 3}}},
        RouteCase{"AroundAWall",
                  ".1......."
                  ".1......."
                  ".1......."
                  ".1......."
                  ".1......."
                  ".1......."
                  ".1......."
                  ".1......."
                  ".........",
                  {0, 0}, {0, 2},
                  Concat({Column(0, 0, 8), {{8, 1}}, Column(2, 8, 0)})},
        RouteCase{"WalledIn",
                  ".7......."
                  "7........"
                  "........."
                  "........."
                  "........."
                  "........."
                  "........."
                  "........."
                  ".........",
                  {0, 0}, {8, 8}, {}},
        RouteCase{"TargetHoldsABall",
                  "........."
                  "........."
                  "........."
                  "........."
                  "......2.."
                  "........."
                  "........."
                  "........."
                  ".........",
                  {4, 4}, {4, 6}, {}},
        RouteCase{"TargetInAClosedRoom",
                  "........."
                  "........."
                  "......444"
                  "......4.."
                  "......4.."
                  "......444"
                  "........."
                  "........."
                  ".........",
                  {0, 0}, {4, 8}, {}}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return info.param.name; });

TEST_F(RulesTest, EveryAdjacentTargetGivesTwoCells) {
  for (auto d : std::vector<RowColumn>{{-1, 0}, {0, -1}, {1, 0}, {0, 1}}) {
    ResetGame();
    Put(4, 4, 5);
    ASSERT_EQ(FindPath(4, 4, 4 + d.second, 4 + d.first), 1);
    EXPECT_EQ(game.pathLength, 2);
    EXPECT_EQ(StoredRoute(), (Route{{4, 4}, {4 + d.first, 4 + d.second}}));
  }
}

TEST_F(RulesTest, CoordinatesOffTheBoardFindNothing) {
  Put(0, 0, 2);
  const std::vector<Cell> before = BoardBytes();
  EXPECT_EQ(FindPath(0, 0, 9, 0), 0);
  EXPECT_EQ(FindPath(0, 0, 0, -1), 0);
  EXPECT_EQ(FindPath(-1, 0, 3, 3), 0);
  EXPECT_EQ(BoardBytes(), before);
}

// Breadth-first distances from one cell through empty cells: an independent
// account of what the wave search must find.
std::vector<int> Distances(int startColumn, int startRow) {
  std::vector<int> dist(CELL_COUNT, -1);
  std::queue<int> open;
  dist[CellIndex(startColumn, startRow)] = 0;
  open.push(CellIndex(startColumn, startRow));
  while (!open.empty()) {
    int i = open.front();
    open.pop();
    int c = i % 9, r = i / 9;
    const int dc[4] = {0, -1, 0, 1}, dr[4] = {-1, 0, 1, 0};
    for (int d = 0; d < 4; ++d) {
      int nc = c + dc[d], nr = r + dr[d];
      if (nc < 0 || nc > 8 || nr < 0 || nr > 8) continue;
      int n = CellIndex(nc, nr);
      if (dist[n] >= 0 || game.Board[n] != 0) continue;
      dist[n] = dist[i] + 1;
      open.push(n);
    }
  }
  return dist;
}

TEST_F(RulesTest, RandomBoardsAgreeWithBreadthFirstSearch) {
  std::mt19937 random(12345);
  int routes = 0, failures = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    ResetGame();
    int density = 20 + int(random() % 50);
    for (int i = 0; i < CELL_COUNT; ++i)
      game.Board[i] = int(random() % 100) < density ? Cell(1 + random() % 7) : 0;
    std::vector<int> balls, empties;
    for (int i = 0; i < CELL_COUNT; ++i) (game.Board[i] ? balls : empties).push_back(i);
    if (balls.empty() || empties.empty()) continue;
    int from = balls[random() % balls.size()];
    int to = empties[random() % empties.size()];
    std::vector<int> dist = Distances(from % 9, from / 9);
    const std::vector<Cell> before = BoardBytes();

    int found = FindPath(from % 9, from / 9, to % 9, to / 9);

    ASSERT_EQ(BoardBytes(), before) << "trial " << trial;
    ASSERT_EQ(found, dist[to] >= 0 ? 1 : 0) << "trial " << trial;
    if (!found) {
      ++failures;
      continue;
    }
    ++routes;
    ASSERT_EQ(game.pathLength, dist[to] + 1) << "trial " << trial;
    Route route = StoredRoute();
    ASSERT_EQ(route.front(), RowColumn(from / 9, from % 9));
    ASSERT_EQ(route.back(), RowColumn(to / 9, to % 9));
    // Walking back, each step goes to the first neighbour (up, left, down,
    // right) one step nearer the start.
    for (size_t k = route.size() - 1; k > 0; --k) {
      int r = route[k].first, c = route[k].second;
      const int dc[4] = {0, -1, 0, 1}, dr[4] = {-1, 0, 1, 0};
      RowColumn chosen{-1, -1};
      for (int d = 0; d < 4; ++d) {
        int nc = c + dc[d], nr = r + dr[d];
        if (nc < 0 || nc > 8 || nr < 0 || nr > 8) continue;
        if (dist[CellIndex(nc, nr)] == int(k) - 1) {
          chosen = {nr, nc};
          break;
        }
      }
      ASSERT_EQ(route[k - 1], chosen) << "trial " << trial << " step " << k;
    }
  }
  // Both outcomes must really have been exercised.
  EXPECT_GT(routes, 500);
  EXPECT_GT(failures, 200);
}

}  // namespace
