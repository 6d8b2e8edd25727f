#include <algorithm>
#include <string>
#include <vector>

#include "fakes/fake_log.h"
#include "game/move_turn.h"
#include "game/random.h"
#include "rules_test_support.h"

namespace {

std::string Cell3(int column, int row, int frame) {
  return "> DrawCell " + std::to_string(column) + " " + std::to_string(row) + " " +
         std::to_string(frame);
}

// --- hit testing ---------------------------------------------------------

struct HitCase {
  const char* name;
  int32_t originX, originY;
  int x, y;
  int expectedColumn, expectedRow;  // -1: outside
};

class Hits : public ::testing::TestWithParam<HitCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(Hits, FloorDivisionFromTheOrigin) {
  const HitCase& c = GetParam();
  game.boardOriginX = c.originX;
  game.boardOriginY = c.originY;
  int column = 77, row = 77;
  int on = CellAtPoint(c.x, c.y, &column, &row);
  if (c.expectedColumn < 0) {
    EXPECT_EQ(on, 0);
  } else {
    ASSERT_EQ(on, 1);
    EXPECT_EQ(column, c.expectedColumn);
    EXPECT_EQ(row, c.expectedRow);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Points, Hits,
    ::testing::Values(HitCase{"Origin", 142, 45, 142, 45, 0, 0},
                      HitCase{"OnePixelLeft", 142, 45, 141, 45, -1, -1},
                      HitCase{"OnePixelAbove", 142, 45, 142, 44, -1, -1},
                      HitCase{"TenLeftLevelWithRowZero", 142, 45, 132, 60, -1, -1},
                      HitCase{"LastPixelOfCellZero", 142, 45, 177, 80, 0, 0},
                      HitCase{"FirstPixelOfCellOne", 142, 45, 178, 81, 1, 1},
                      HitCase{"LastPixelOfTheGrid", 142, 45, 465, 368, 8, 8},
                      HitCase{"PastTheRightEdge", 142, 45, 466, 100, -1, -1},
                      HitCase{"PastTheBottomEdge", 142, 45, 200, 369, -1, -1},
                      HitCase{"NegativeOrigin", -164, -142, 0, 0, 4, 3},
                      HitCase{"NegativeOriginPastTheEdge", -164, -142, 160, 0, -1, -1},
                      HitCase{"FarOrigin", 65400, 65400, 65500, 65500, 2, 2},
                      HitCase{"HugeOriginDoesNotOverflow", INT32_MIN, INT32_MAX, 5, 5, -1, -1}),
    [](const ::testing::TestParamInfo<HitCase>& info) { return info.param.name; });

TEST_F(RulesTest, PointWordsAreUnsigned) {
  game.boardOriginX = 65400;
  game.boardOriginY = 65400;
  OnLeftButtonDown(WINDOW, DC, MAKELPARAM(65500, 65500));
  EXPECT_EQ(game.pressOutside, 0);
  EXPECT_EQ(game.pressCell.column, 2);
  EXPECT_EQ(game.pressCell.row, 2);
}

// --- selection -----------------------------------------------------------

TEST_F(RulesTest, ClickOnABallSelectsItAndTheNextTickShowsFrameFour) {
  Put(3, 5, 6);
  game.tickCounter = 100;
  Click(3, 5);
  EXPECT_EQ(game.selectionState, 1);
  EXPECT_EQ(game.selectedCell.column, 3);
  EXPECT_EQ(game.selectedCell.row, 5);
  EXPECT_EQ(game.tickCounter, 3);
  EXPECT_TRUE(Calls().empty());
  OnTimer(WINDOW, DC);
  OnTimer(WINDOW, DC);
  EXPECT_EQ(Calls(), (Log{Cell3(3, 5, 4), Cell3(3, 5, 5)}));
}

struct ReselectCase {
  int tickBefore;
  int tickAfter;
};

class Reselect : public ::testing::TestWithParam<ReselectCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(Reselect, OldBallRestsAndTheCounterKeepsItsPhase) {
  Put(1, 1, 2);
  Put(6, 7, 4);
  Click(1, 1);
  game.tickCounter = GetParam().tickBefore;
  FakeClear();
  Click(6, 7);
  EXPECT_EQ(Calls(), (Log{Cell3(1, 1, 0)}));
  EXPECT_EQ(game.selectionState, 1);
  EXPECT_EQ(game.selectedCell.column, 6);
  EXPECT_EQ(game.selectedCell.row, 7);
  EXPECT_EQ(game.tickCounter, GetParam().tickAfter);
}

INSTANTIATE_TEST_SUITE_P(Ticks, Reselect,
                         ::testing::Values(ReselectCase{3, 3}, ReselectCase{4, 7},
                                           ReselectCase{8, 11}, ReselectCase{12, 15}));

TEST_F(RulesTest, ClickingTheSelectedBallAgainKeepsItSelected) {
  Put(2, 2, 1);
  Click(2, 2);
  game.tickCounter = 16;
  FakeClear();
  Click(2, 2);
  EXPECT_EQ(Calls(), (Log{Cell3(2, 2, 0)}));
  EXPECT_EQ(game.selectionState, 1);
  EXPECT_EQ(game.tickCounter, 19);
  OnTimer(WINDOW, DC);
  EXPECT_EQ(CallsStarting("> DrawCell 2 2 ").back(), Cell3(2, 2, 2));
}

TEST_F(RulesTest, ClicksThatDoNothing) {
  struct Case {
    const char* name;
    bool selected;
    void (*act)();
  };
  const Case cases[] = {
      {"empty cell, nothing selected", false, [] { Click(5, 5); }},
      {"press and release on different cells", true,
       [] {
         Press(3, 4);
         Release(4, 4);
       }},
      {"press outside, release on a cell", true,
       [] {
         OnLeftButtonDown(WINDOW, DC, MAKELPARAM(game.boardOriginX - 10, game.boardOriginY + 5));
         Release(4, 4);
       }},
      {"press on a cell, release outside", true,
       [] {
         Press(4, 4);
         OnLeftButtonUp(WINDOW, DC, MAKELPARAM(game.boardOriginX + 400, game.boardOriginY + 5));
       }},
  };
  for (const Case& c : cases) {
    ResetGame();
    Put(0, 0, 3);
    if (c.selected) Click(0, 0);
    const int tick = game.tickCounter;
    const std::vector<Cell> before = BoardBytes();
    FakeClear();
    c.act();
    EXPECT_TRUE(Calls().empty()) << c.name;
    EXPECT_EQ(BoardBytes(), before) << c.name;
    EXPECT_EQ(game.selectionState, c.selected ? 1 : 0) << c.name;
    EXPECT_EQ(game.tickCounter, tick) << c.name;
  }
}

TEST_F(RulesTest, UnreachableTargetBeepsAndKeepsTheSelection) {
  Put(0, 0, 5);
  Put(1, 0, 1);
  Put(0, 1, 2);
  Click(0, 0);
  const std::vector<Cell> before = BoardBytes();
  FakeClear();
  Click(8, 8);
  EXPECT_EQ(Calls(), (Log{"> MessageBeep 64"}));
  EXPECT_EQ(BoardBytes(), before);
  EXPECT_EQ(game.selectionState, 1);
  EXPECT_EQ(game.selectedCell.column, 0);
  EXPECT_EQ(game.movingColour, 5);
  OnTimer(WINDOW, DC);
  EXPECT_EQ(Calls().back(), Cell3(0, 0, 4));
}

// --- keyboard play ----------------------------------------------------------

void Keys(std::initializer_list<WPARAM> keys) {
  for (WPARAM key : keys) OnKeyDown(WINDOW, DC, key);
}

TEST_F(RulesTest, ArrowKeysShowThenMoveTheCursorAndStopAtTheEdges) {
  struct Case {
    const char* name;
    bool selected;                      // a ball at (6, 1) selected first
    std::initializer_list<WPARAM> keys;
    int column, row;
    Log drawn;                          // by the last key
  };
  const Case cases[] = {
      {"FirstArrowShowsItMidBoard", false, {VK_LEFT}, 4, 4, {Cell3(4, 4, 0)}},
      {"FirstArrowShowsItAtTheSelectedBall", true, {VK_DOWN}, 6, 1, {Cell3(6, 1, 0)}},
      {"ThenEachArrowMovesIt", false, {VK_UP, VK_RIGHT}, 5, 4, {Cell3(4, 4, 0), Cell3(5, 4, 0)}},
      {"StopsAtTheRightEdge", false, {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT}, 8, 4, {}},
      {"StopsAtTheTopEdge", true, {VK_UP, VK_UP, VK_UP}, 6, 0, {}},
      {"OtherKeysDoNothing", false, {'A', VK_SPACE, VK_RETURN}, 0, 0, {}},
  };
  for (const Case& c : cases) {
    ResetGame();
    if (c.selected) {
      Put(6, 1, 3);
      Click(6, 1);
    }
    std::vector<WPARAM> keys(c.keys);
    for (size_t i = 0; i + 1 < keys.size(); ++i) OnKeyDown(WINDOW, DC, keys[i]);
    FakeClear();
    OnKeyDown(WINDOW, DC, keys.back());
    EXPECT_EQ(Calls(), c.drawn) << c.name;
    bool shown = std::string(c.name) != "OtherKeysDoNothing";
    EXPECT_EQ(game.cursorShown, shown ? 1 : 0) << c.name;
    if (shown) {
      EXPECT_EQ(game.cursorCell.column, c.column) << c.name;
      EXPECT_EQ(game.cursorCell.row, c.row) << c.name;
    }
  }
}

TEST_F(RulesTest, SpaceAndEnterAtTheCursorPlayAsClicks) {
  // Select with Space, move with Enter: the same turn as two clicks.
  Put(4, 4, 2);
  Keys({VK_DOWN, VK_SPACE});
  EXPECT_EQ(game.selectionState, 1);
  EXPECT_EQ(game.selectedCell.column, 4);
  Keys({VK_RIGHT, VK_RIGHT});
  FakeClear();
  Keys({VK_RETURN});
  EXPECT_EQ(game.selectionState, 0);
  EXPECT_EQ(game.Board[CellIndex(6, 4)], 2);
  EXPECT_EQ(game.Board[CellIndex(4, 4)], CELL_EMPTY);
  EXPECT_EQ(CallsStarting("> DrawCell 6 4 ").front(), Cell3(6, 4, 1));

  // A cell without a route beeps and keeps the selection, as a click does.
  ResetGame();
  Put(0, 0, 5);
  Put(1, 0, 1);
  Put(0, 1, 2);
  Click(0, 0);
  Keys({VK_LEFT});  // shows the cursor at the selected ball
  for (int i = 0; i < 8; ++i) Keys({VK_RIGHT, VK_DOWN});
  FakeClear();
  Keys({VK_SPACE});
  EXPECT_EQ(Calls(), (Log{"> MessageBeep 64"}));
  EXPECT_EQ(game.selectionState, 1);
}

TEST_F(RulesTest, AClickOnTheBoardHidesTheCursorAndOnlyThere) {
  Keys({VK_UP});
  FakeClear();
  game.boardOriginX = 142;
  game.boardOriginY = 45;
  OnLeftButtonDown(WINDOW, DC, MAKELPARAM(10, 10));  // beside the board
  EXPECT_EQ(game.cursorShown, 1);
  EXPECT_TRUE(Calls().empty());
  Press(7, 7);
  EXPECT_EQ(game.cursorShown, 0);
  EXPECT_EQ(Calls(), (Log{Cell3(4, 4, 0)}));  // drawn without it
  FakeClear();
  Keys({VK_SPACE, VK_RETURN});
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(game.selectionState, 0);
}

TEST_F(RulesTest, TimerWithoutSelectionOrWhileMinimisedOnlyCounts) {
  game.tickCounter = 10;
  OnTimer(WINDOW, DC);
  EXPECT_EQ(game.tickCounter, 11);
  Put(4, 4, 1);
  Click(4, 4);
  FakeSetIconic(true);
  OnTimer(WINDOW, DC);
  OnTimer(WINDOW, DC);
  EXPECT_EQ(game.tickCounter, 5);
  EXPECT_TRUE(Calls().empty());
  FakeSetIconic(false);
  OnTimer(WINDOW, DC);
  EXPECT_EQ(Calls(), (Log{Cell3(4, 4, 0)}));  // 6 mod 6: the phase went on
}

TEST_F(RulesTest, TimerFrameStaysInRangeWhenTheCounterWraps) {
  Put(4, 4, 1);
  Click(4, 4);
  game.tickCounter = INT32_MAX;
  FakeClear();
  OnTimer(WINDOW, DC);
  // 2^31 mod 6 = 2
  EXPECT_EQ(Calls(), (Log{Cell3(4, 4, 2)}));
}

// --- travel --------------------------------------------------------------

struct TravelCase {
  int cells;  // path length, the ball moving right along row 0 from column 0
  std::vector<int> stepFrames;
  std::vector<int> completionFrames;
};

class Travel : public ::testing::TestWithParam<TravelCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(Travel, FramesAlongTheWayAndAtTheTarget) {
  const TravelCase& c = GetParam();
  SeedRandom(11);
  game.NextQueue[0] = 1;
  game.NextQueue[1] = 2;
  game.NextQueue[2] = 3;
  Put(0, 0, 6);
  // A wall under row 0 keeps the route on the row.
  for (int column = 0; column < 9; ++column) Put(column, 1, Cell(column % 5 + 1));
  Click(0, 0);
  FakeClear();
  const int target = c.cells - 1;
  Click(target, 0);

  Log expected;
  for (int i = 0; i + 1 < c.cells; ++i) {
    expected.push_back(Cell3(i, 0, 0));
    expected.push_back(Cell3(i + 1, 0, c.stepFrames[i]));
    expected.push_back("> Sleep 50");
  }
  for (int f : c.completionFrames) expected.push_back(Cell3(target, 0, f));
  ASSERT_GE(Calls().size(), expected.size() + 5);
  EXPECT_EQ(Log(Calls().begin(), Calls().begin() + expected.size()), expected);
  // Three new balls follow, each opening with its small frame.
  EXPECT_EQ(Calls()[expected.size()].substr(Calls()[expected.size()].size() - 2), " 6");
  int spawned = 0;
  for (const std::string& line : Calls())
    if (line.compare(0, 11, "> DrawCell ") == 0 && line.back() == '6' && line[line.size() - 2] == ' ')
      ++spawned;
  EXPECT_EQ(spawned, 3);
  EXPECT_EQ(Calls().back(), "> DrawPreview");
  EXPECT_EQ(At(target, 0), 6);
  EXPECT_EQ(game.selectionState, 0);
  EXPECT_EQ(CountEmptyCells(), 81 - 9 - 1 - 3);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Travel,
                         ::testing::Values(TravelCase{2, {0}, {1, 2, 3, 4, 5}},
                                           TravelCase{7, {0, 1, 2, 3, 4, 5}, {}},
                                           TravelCase{8, {0, 1, 2, 3, 4, 5, 0}, {1, 2, 3, 4, 5}},
                                           TravelCase{9, {0, 1, 2, 3, 4, 5, 0, 1}, {2, 3, 4, 5}}));

TEST_F(RulesTest, MoveCompletingARowScoresAndSpawnsNothing) {
  SetBoard(
      "........." "........." "........." "........." "2222....."
      "........." "....2...." "........." ".........");
  game.bestScore = 100;
  game.pretenderLevel = 125;
  game.NextQueue[0] = 5;
  game.NextQueue[1] = 6;
  game.NextQueue[2] = 7;
  SeedRandom(1);
  Click(4, 6);
  FakeClear();
  Click(4, 4);

  EXPECT_EQ(game.score, 10);
  EXPECT_EQ(game.removedCounts[2], 5u);
  EXPECT_EQ(CountEmptyCells(), 81);
  EXPECT_EQ(game.NextQueue[0], 5);
  EXPECT_EQ(game.NextQueue[1], 6);
  EXPECT_EQ(game.NextQueue[2], 7);
  EXPECT_EQ(game.seed, 1u) << "no ball was spawned";
  EXPECT_EQ(game.pretenderLevel, 113);
  Log expected = {Cell3(4, 6, 0), Cell3(4, 5, 0), "> Sleep 50", Cell3(4, 5, 0),
                  Cell3(4, 4, 1), "> Sleep 50", Cell3(4, 4, 2), Cell3(4, 4, 3),
                  Cell3(4, 4, 4), Cell3(4, 4, 5)};
  for (int frame : {8, 9, 0}) {
    for (int column = 0; column < 5; ++column) expected.push_back(Cell3(column, 4, frame));
    expected.push_back("> Sleep 50");
  }
  expected.push_back("> DrawScoreBox 516 10 10");
  Log rise = Repeat({"> DrawPretender figure", "> Sleep 25"}, 12);
  expected.insert(expected.end(), rise.begin(), rise.end());
  EXPECT_EQ(Calls(), expected);
}

TEST_F(RulesTest, MoveWithoutLineRefreshesPreviewAndOpenStatistics) {
  game.statisticsWindow = STATISTICS;
  Put(0, 0, 1);
  SeedRandom(5);
  game.NextQueue[0] = 2;
  game.NextQueue[1] = 3;
  game.NextQueue[2] = 4;
  Click(0, 0);
  FakeClear();
  Click(0, 2);
  const Log& calls = Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "> DrawPreview");
  EXPECT_EQ(calls.back(), "> InvalidateRect statistics");
  EXPECT_EQ(CountEmptyCells(), 77);
}

TEST_F(RulesTest, FullBoardAfterTheSpawnsEndsTheGame) {
  FillWithoutRuns();
  Put(0, 0, 0);
  Put(4, 4, 0);
  Put(8, 8, 0);
  ASSERT_EQ(At(1, 0), 2);
  game.score = 500;  // beats the empty table, so the name is asked for
  game.bestScore = 100;
  game.pretenderLevel = 0;
  game.statisticsWindow = STATISTICS;
  game.NextQueue[0] = 7;
  game.NextQueue[1] = 7;
  game.NextQueue[2] = 7;
  SeedRandom(8);
  Click(1, 0);
  FakeClear();
  Click(0, 0);

  const Log& calls = Calls();
  Log travel = {Cell3(1, 0, 0), Cell3(0, 0, 0), "> Sleep 50", Cell3(0, 0, 1), Cell3(0, 0, 2),
                Cell3(0, 0, 3), Cell3(0, 0, 4), Cell3(0, 0, 5)};
  ASSERT_GE(calls.size(), travel.size() + 15 + 3);
  EXPECT_EQ(Log(calls.begin(), calls.begin() + travel.size()), travel);
  // The three spawns go into the three empty cells, in whatever order.
  std::vector<std::string> spawned;
  for (int k = 0; k < 3; ++k) spawned.push_back(calls[travel.size() + 5 * k]);
  std::sort(spawned.begin(), spawned.end());
  EXPECT_EQ(spawned, (Log{Cell3(1, 0, 6), Cell3(4, 4, 6), Cell3(8, 8, 6)}));

  Log rest(calls.begin() + travel.size() + 15, calls.end());
  Log ending = Joined({{"> MessageBox Game over!", "> NameDialog", "> TableDialog"},
                       Repeat({"> DrawPretender figure", "> Sleep 15"}, 32), {"> DrawBoard"}});
  ASSERT_GE(rest.size(), ending.size());
  EXPECT_EQ(Log(rest.begin(), rest.begin() + ending.size()), ending);
  EXPECT_EQ(rest.back(), "> InvalidateRect statistics");
  EXPECT_EQ(CountCalls("> DrawPreview"), 1) << "only the new game's preview";

  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(game.pretenderLevel, 125);
  EXPECT_EQ(CountEmptyCells(), 76);
  EXPECT_EQ(game.HighScoreTable[0].score, 500);
  EXPECT_STREQ(game.HighScoreTable[0].name, "Pretender");
}

}  // namespace
