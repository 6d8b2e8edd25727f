#include <string>
#include <vector>

#include "fakes/fake_log.h"
#include "game/lines.h"
#include "game/random.h"
#include "rules_test_support.h"

namespace {

struct LineCase {
  const char* name;
  // The board before the ball is placed; 'X' is where it goes. After
  // marking, the picture's 'M' cells (and 'X' if any run qualified) carry
  // the mark, nothing else.
  const char* board;
  int colour;
  int expectedSum;
  const char* marked;
};

class Lines : public ::testing::TestWithParam<LineCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(Lines, MarksExactlyTheQualifyingRuns) {
  const LineCase& c = GetParam();
  std::string board = c.board;
  int placed = -1;
  for (int i = 0, k = 0; i < int(board.size()); ++i) {
    if (board[i] == 'X') placed = k;
    if (board[i] != ' ' && board[i] != '\n') ++k;
  }
  ASSERT_GE(placed, 0);
  std::string plain = board;
  for (char& ch : plain)
    if (ch == 'X') ch = char('0' + c.colour);
  SetBoard(plain);
  const std::vector<Cell> before = BoardBytes();

  int sum = MarkLines(placed % 9, placed / 9, c.colour);
  EXPECT_EQ(sum, c.expectedSum);

  std::string marks = c.marked;
  for (int i = 0, k = 0; i < int(marks.size()); ++i) {
    char ch = marks[i];
    if (ch == ' ' || ch == '\n') continue;
    Cell expected = ch == 'M' ? Cell(before[k] | CELL_MARK) : before[k];
    EXPECT_EQ(game.Board[k], expected) << "cell " << k % 9 << "," << k / 9;
    ++k;
  }
}

const char* NO_MARKS =
    "........." "........." "........." "........." "........."
    "........." "........." "........." ".........";

INSTANTIATE_TEST_SUITE_P(
    Shapes, Lines,
    ::testing::Values(
        LineCase{"RowOfFive",
                 "........." "........." "........." "........." "2222X...."
                 "........." "........." "........." ".........",
                 2, 5,
                 "........." "........." "........." "........." "MMMMM...."
                 "........." "........." "........." "........."},
        LineCase{"ThreeEveryWay",
                 "........." "........." "..1.1.1.." "...111..." "..11X1..."
                 "...111..." "........." "........." ".........",
                 1, 0, NO_MARKS},
        LineCase{"CrossingRowAndColumn",
                 "........." "........." "....3...." "....3...." "..33X33.."
                 "....3...." "....3...." "..3......" ".........",
                 3, 10,
                 "........." "........." "....M...." "....M...." "..MMMMM.."
                 "....M...." "....M...." "........." "........."},
        LineCase{"RunOfSix",
                 "........." "........." "........." "........." ".44X444.."
                 "........." "........." "........." ".........",
                 4, 6,
                 "........." "........." "........." "........." ".MMMMMM.."
                 "........." "........." "........." "........."},
        LineCase{"GapBreaksTheRun",
                 "........." "........." "........." "........." "555.X55.."
                 "........." "........." "........." ".........",
                 5, 0, NO_MARKS},
        LineCase{"OtherColourEndsTheRun",
                 "........." "........." "........." "........." "5556X5555"
                 "........." "........." "........." ".........",
                 5, 5,
                 "........." "........." "........." "........." "....MMMMM"
                 "........." "........." "........." "........."},
        LineCase{"ColumnAlongTheRightEdge",
                 "........6" "........6" "........X" "........6" "........6"
                 "........." "........." "........." ".........",
                 6, 5,
                 "........M" "........M" "........M" "........M" "........M"
                 "........." "........." "........." "........."},
        LineCase{"DiagonalFromTheTopLeftCorner",
                 "X........" ".7......." "..7......" "...7....." "....7...."
                 "........." "........." "........." ".........",
                 7, 5,
                 "M........" ".M......." "..M......" "...M....." "....M...."
                 "........." "........." "........." "........."},
        LineCase{"DiagonalIntoTheBottomLeftCorner",
                 "........." "........." "........." "........." "....1...."
                 "...1....." "..1......" ".1......." "X........",
                 1, 5,
                 "........." "........." "........." "........." "....M...."
                 "...M....." "..M......" ".M......." "M........"},
        LineCase{"FourFullLines",
                 "3...3...3" ".3..3..3." "..3.3.3.." "...333..." "3333X3333"
                 "...333..." "..3.3.3.." ".3..3..3." "3...3...3",
                 3, 36,
                 "M...M...M" ".M..M..M." "..M.M.M.." "...MMM..." "MMMMMMMMM"
                 "...MMM..." "..M.M.M.." ".M..M..M." "M...M...M"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST_F(RulesTest, MarkedNeighbourDoesNotCountAgain) {
  SetBoard(
      "........." "........." "........." "........." ".222....."
      "........." "........." "........." ".........");
  Put(0, 4, 2 | CELL_MARK);
  Put(4, 4, 2);
  // Counted, the marked ball would make five.
  EXPECT_EQ(MarkLines(4, 4, 2), 0);
  for (int column = 1; column <= 4; ++column) EXPECT_EQ(At(column, 4), 2);
}

TEST_F(RulesTest, MarkLinesRefusesNonsense) {
  FillWithoutRuns();
  const std::vector<Cell> before = BoardBytes();
  EXPECT_EQ(MarkLines(9, 0, 1), 0);
  EXPECT_EQ(MarkLines(0, -1, 1), 0);
  ResetGame();
  EXPECT_EQ(MarkLines(4, 4, 0), 0) << "empty cells are no colour";
  EXPECT_EQ(CountEmptyCells(), 81);
}

TEST(PointsForLine, Table) {
  const int table[][2] = {{5, 10},   {6, 12},   {7, 18},   {8, 28},   {9, 42},
                          {10, 60},  {11, 82},  {12, 108}, {13, 138}, {14, 172},
                          {15, 210}, {16, 252}, {36, 1932}};
  for (const auto& row : table) EXPECT_EQ(PointsForLine(row[0]), row[1]) << "n = " << row[0];
}

TEST(PointsForLine, NoRunNoPoints) {
  EXPECT_EQ(PointsForLine(0), 0);
  EXPECT_EQ(PointsForLine(4), 0);
  EXPECT_EQ(PointsForLine(-3), 0);
  EXPECT_GT(PointsForLine(1 << 30), 0) << "no overflow into a negative score";
}

TEST_F(RulesTest, RemovalAnimatesCountsAndRefreshesStatistics) {
  Put(1, 2, 4 | CELL_MARK);
  Put(7, 0, 4 | CELL_MARK);
  Put(3, 3, 4);
  game.removedCounts[4] = 10;
  game.statisticsWindow = STATISTICS;
  RemoveMarkedBalls(DC);
  EXPECT_EQ(game.removedCounts[4], 12u);
  EXPECT_EQ(At(1, 2), 0);
  EXPECT_EQ(At(7, 0), 0);
  EXPECT_EQ(At(3, 3), 4) << "an unmarked ball stays";
  Log expected = {"> DrawCell 7 0 8", "> DrawCell 1 2 8", "> Sleep 50",
                  "> DrawCell 7 0 9", "> DrawCell 1 2 9", "> Sleep 50",
                  "> DrawCell 7 0 0", "> DrawCell 1 2 0", "> Sleep 50",
                  "> InvalidateRect statistics"};
  EXPECT_EQ(Calls(), expected);
}

TEST_F(RulesTest, RemovalWithoutStatisticsWindowInvalidatesNothing) {
  Put(0, 0, 1 | CELL_MARK);
  RemoveMarkedBalls(DC);
  EXPECT_EQ(game.removedCounts[1], 1u);
  EXPECT_TRUE(CallsStarting("> InvalidateRect").empty());
  EXPECT_EQ(CallsStarting("> Sleep 50").size(), 3u);
}

TEST_F(RulesTest, MarkThenRemoveCrossingLines) {
  SetBoard(
      "........." "........." "....3...." "....3...." "..33.33.."
      "....3...." "....3...." "........." ".........");
  Put(4, 4, 3);
  ASSERT_EQ(MarkLines(4, 4, 3), 10);
  RemoveMarkedBalls(DC);
  EXPECT_EQ(game.removedCounts[3], 9u);
  EXPECT_EQ(CountEmptyCells(), 81);
  EXPECT_EQ(CallsStarting("> DrawCell").size(), 27u);
  EXPECT_EQ(PointsForLine(10), 60);
}

}  // namespace
