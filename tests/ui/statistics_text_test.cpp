// The lines of the statistics window: the cell counts and the texts.
#include "ui/statistics_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Text(int value, uint32_t count, uint32_t removed) {
  char text[STATISTICS_TEXT_SIZE];
  std::memset(text, 'X', sizeof text);
  BuildStatisticsText(value, count, removed, text);
  EXPECT_NE(std::memchr(text, 0, sizeof text), nullptr) << "no NUL inside the buffer";
  return text;
}

const std::string kTenSpaces(10, ' ');

TEST(StatisticsText, LinesForCountsAndRemovals) {
  struct Case {
    int value;
    uint32_t count;
    uint32_t removed;
    std::string expected;
  } cases[] = {
      // The empty cells after a new game with five balls; no removals shown.
      {0, 76, 0, "76 (93%)"},
      {0, 76, 99, "76 (93%)"},
      {3, 5, 12, "5 (6%), del-12"},
      {1, 0, 0, "0 (0%), del-0"},
      {0, 0, 0, "0 (0%)"},
      {0, 81, 0, "81 (100%)"},
      {7, 81, 0, "81 (100%), del-0"},
      // Truncating division: 80 cells are 98.7%, one cell 1.2%.
      {2, 80, 1, "80 (98%), del-1"},
      {2, 1, 1, "1 (1%), del-1"},
      {7, 2, 4294967295u, "2 (2%), del-4294967295"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.value, c.count, c.removed), c.expected + kTenSpaces)
        << "value " << c.value << " count " << c.count << " removed " << c.removed;
  }
}

TEST(StatisticsText, CountAboveTheBoardIsShownAsFullBoard) {
  // More cells than the board has cannot be; the share stays at most 100%.
  EXPECT_EQ(Text(5, 4294967295u, 4294967295u), "81 (100%), del-4294967295" + kTenSpaces);
  EXPECT_EQ(Text(0, 82, 0), "81 (100%)" + kTenSpaces);
}

TEST(StatisticsText, LongestTextFitsItsBuffer) {
  EXPECT_LT(Text(7, 81, 4294967295u).size(), static_cast<size_t>(STATISTICS_TEXT_SIZE));
}

TEST(StatisticsCounts, CountsEveryCellByValue) {
  Cell board[CELL_COUNT] = {};
  board[CellIndex(0, 0)] = 1;
  board[CellIndex(8, 8)] = 1;
  board[CellIndex(4, 4)] = 7;
  board[CellIndex(3, 2)] = 5;
  board[CellIndex(2, 3)] = 5;
  uint32_t counts[STATISTICS_VALUES];
  CountCellValues(board, counts);
  const uint32_t expected[STATISTICS_VALUES] = {76, 2, 0, 0, 0, 2, 0, 1};
  for (int value = 0; value < STATISTICS_VALUES; ++value) {
    EXPECT_EQ(counts[value], expected[value]) << "value " << value;
  }
}

TEST(StatisticsCounts, FullBoardAndStaleCounters) {
  Cell board[CELL_COUNT];
  for (int i = 0; i < CELL_COUNT; ++i) board[i] = static_cast<Cell>(1 + i % 7);
  uint32_t counts[STATISTICS_VALUES];
  for (uint32_t& c : counts) c = 1000;  // whatever was there before
  CountCellValues(board, counts);
  EXPECT_EQ(counts[0], 0u);
  uint32_t total = 0;
  for (int value = 1; value < STATISTICS_VALUES; ++value) total += counts[value];
  EXPECT_EQ(total, 81u);
  EXPECT_EQ(counts[1], 12u);  // 81 = 7 * 11 + 4: colours 1..4 twelve times
  EXPECT_EQ(counts[5], 11u);
}

TEST(StatisticsCounts, ValuesOutsideTheEightAreNotCounted) {
  Cell board[CELL_COUNT] = {};
  board[0] = WAVE_START;
  board[1] = WAVE_LIMIT;
  board[2] = CELL_MARK | 3;
  board[3] = 0xFF;
  board[4] = 3;
  uint32_t counts[STATISTICS_VALUES];
  CountCellValues(board, counts);
  EXPECT_EQ(counts[0], 76u);
  EXPECT_EQ(counts[3], 1u);
  uint32_t total = 0;
  for (uint32_t c : counts) total += c;
  EXPECT_EQ(total, 77u);  // four cells counted nowhere
}

}  // namespace
