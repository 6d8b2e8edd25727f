#include <cstdint>
#include <vector>

#include "fakes/fake_log.h"
#include "game/random.h"
#include "game/spawn.h"
#include "rules_test_support.h"

namespace {

struct NthCase {
  const char* name;
  int occupied;  // balls placed at indices 0, 2, 4, ... (every other cell)
  uint32_t r;
  int expected;
};

class NthEmpty : public ::testing::TestWithParam<NthCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(NthEmpty, WalksRowMajor) {
  const NthCase& c = GetParam();
  for (int i = 0; i < c.occupied; ++i) game.Board[2 * i] = 1;
  EXPECT_EQ(NthEmptyCell(c.r), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, NthEmpty,
    ::testing::Values(NthCase{"EmptyFirst", 0, 0, 0}, NthCase{"EmptyLast", 0, 80, 80},
                      NthCase{"EmptyBeyond", 0, 81, -1},
                      // Balls at 0, 2, 4, 6, 8: empty cells are 1, 3, 5, 7, 9, 10, ...
                      NthCase{"GapsFirst", 5, 0, 1}, NthCase{"GapsFourth", 5, 3, 7},
                      NthCase{"GapsAfterBalls", 5, 5, 10}, NthCase{"GapsLast", 5, 75, 80},
                      NthCase{"GapsBeyond", 5, 76, -1}),
    [](const ::testing::TestParamInfo<NthCase>& info) { return info.param.name; });

TEST_F(RulesTest, SpawnPlacesTheQueueHeadAndShiftsTheQueue) {
  SeedRandom(1);
  game.NextQueue[0] = 2;
  game.NextQueue[1] = 3;
  game.NextQueue[2] = 7;
  ASSERT_EQ(SpawnBall(DC), 1);
  // 16838 mod 81 = 71: column 8, row 7. The new tail is 5758 mod 7 + 1 = 5.
  EXPECT_EQ(At(8, 7), 2);
  EXPECT_EQ(CountEmptyCells(), 80);
  EXPECT_EQ(game.NextQueue[0], 3);
  EXPECT_EQ(game.NextQueue[1], 7);
  EXPECT_EQ(game.NextQueue[2], 5);
  EXPECT_EQ(Calls(), AppearFrames(8, 7));
}

TEST_F(RulesTest, SpawnIntoTheLastEmptyCellThenNothing) {
  FillWithoutRuns();
  Put(4, 4, 0);
  game.NextQueue[0] = 7;
  game.NextQueue[1] = 7;
  game.NextQueue[2] = 7;
  SeedRandom(99);
  EXPECT_EQ(SpawnBall(DC), 1);
  EXPECT_EQ(At(4, 4), 7);
  EXPECT_EQ(Calls(), AppearFrames(4, 4));

  FakeClear();
  uint32_t seed = game.seed;
  EXPECT_EQ(SpawnBall(DC), 0);
  EXPECT_EQ(game.seed, seed) << "a full board takes no random number";
  EXPECT_TRUE(Calls().empty());
}

TEST_F(RulesTest, SpawnedBallCompletingALineIsRemovedUncountedInScore) {
  // A full board but for (4, 4), where the spawn must go; four balls of
  // colour 2 wait left of it in row 4.
  FillWithoutRuns();
  for (int column = 0; column < 4; ++column) Put(column, 4, 2);
  Put(4, 4, 0);
  ASSERT_LT(LongestRun(), 5);
  game.NextQueue[0] = 2;
  game.NextQueue[1] = 6;
  game.NextQueue[2] = 1;
  game.score = 40;
  game.statisticsWindow = STATISTICS;

  SeedRandom(7);
  for (int i = 0; i < 4; ++i) NextRandom(2);
  const uint32_t expectedSeed = game.seed;
  SeedRandom(7);

  EXPECT_EQ(SpawnBall(DC), 1);
  EXPECT_EQ(game.removedCounts[2], 5u);
  EXPECT_EQ(game.score, 40);
  EXPECT_EQ(game.seed, expectedSeed) << "two balls: a cell and a tail draw each";
  // The replacement took the next queue colour and lies somewhere in the
  // five freed cells.
  int placed = 0;
  for (int column = 0; column < 5; ++column)
    if (At(column, 4) != 0) {
      ++placed;
      EXPECT_EQ(At(column, 4), 6);
    }
  EXPECT_EQ(placed, 1);
  EXPECT_EQ(game.NextQueue[0], 1);
  EXPECT_EQ(CountCalls("> InvalidateRect statistics"), 1);
  EXPECT_TRUE(CallsStarting("> DrawScoreBox").empty());
  EXPECT_TRUE(CallsStarting("> DrawPretender").empty());
  // First the appear animation, then the five balls vanishing.
  Log expected = AppearFrames(4, 4);
  for (int frame : {8, 9, 0}) {
    for (int column = 0; column < 5; ++column)
      expected.push_back("> DrawCell " + std::to_string(column) + " 4 " + std::to_string(frame));
    expected.push_back("> Sleep 50");
  }
  expected.push_back("> InvalidateRect statistics");
  ASSERT_GE(Calls().size(), expected.size());
  EXPECT_EQ(Log(Calls().begin(), Calls().begin() + expected.size()), expected);
}

TEST_F(RulesTest, NewGameDrawsInOrderAndFollowsTheGenerator) {
  FillWithoutRuns();
  game.removedCounts[3] = 9;
  game.score = 77;
  game.recordPassed = 1;
  game.bestScore = 100;
  const uint32_t seed = 2024;

  // The draws a game takes: three queue colours, then a cell and a tail
  // colour for each of the five balls.
  SeedRandom(seed);
  uint8_t queue[8];
  for (int i = 0; i < 3; ++i) queue[i] = uint8_t(NextRandom(7) + 1);
  std::vector<int> cells;
  std::vector<Cell> board(CELL_COUNT, 0);
  for (int k = 0; k < 5; ++k) {
    int empty = 0;
    for (Cell c : board) empty += c == 0;
    uint32_t r = NextRandom(uint32_t(empty));
    int index = -1;
    for (int i = 0, n = 0; i < CELL_COUNT; ++i)
      if (board[i] == 0 && n++ == int(r)) {
        index = i;
        break;
      }
    board[index] = queue[k];
    cells.push_back(index);
    queue[k + 3] = uint8_t(NextRandom(7) + 1);
  }
  const uint32_t seedAfter = game.seed;

  SeedRandom(seed);
  NewGame(DC);
  EXPECT_EQ(game.seed, seedAfter);
  EXPECT_EQ(BoardBytes(), board);
  EXPECT_EQ(game.NextQueue[0], queue[5]);
  EXPECT_EQ(game.NextQueue[1], queue[6]);
  EXPECT_EQ(game.NextQueue[2], queue[7]);
  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(game.recordPassed, 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(game.removedCounts[i], 0u) << i;

  Log expected = {"> DrawBoard"};
  for (int index : cells) {
    Log frames = AppearFrames(index % 9, index / 9);
    expected.insert(expected.end(), frames.begin(), frames.end());
  }
  expected.push_back("> DrawScoreBox 24 10 100");
  expected.push_back("> DrawScoreBox 516 10 0");
  expected.push_back("> DrawPreview");
  EXPECT_EQ(Calls(), expected);
}

TEST_F(RulesTest, NewGameLeavesTheSelectionAlone) {
  game.selectionState = 1;
  SeedRandom(3);
  NewGame(DC);
  EXPECT_EQ(game.selectionState, 1);
  EXPECT_EQ(CountEmptyCells(), 76);
}

}  // namespace
