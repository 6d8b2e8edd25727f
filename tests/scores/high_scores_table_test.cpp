// Where a score enters the table, and what entering does to the entries.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "score_test_support.h"
#include "scores/high_scores.h"

namespace {

using TableTest = ScoreFolderTest;

void SetTable(const std::vector<unsigned>& scores) {
  for (int i = 0; i < 10; ++i) {
    std::snprintf(game.HighScoreTable[i].name, 14, "P%d", i);
    game.HighScoreTable[i].score = static_cast<uint16_t>(scores[i]);
  }
}

struct RankCase {
  const char* what;
  std::vector<unsigned> table;
  int32_t score;
  int rank;
};

TEST_F(TableTest, FindRankPlacesTiesBelowTheOlderEntry) {
  const std::vector<unsigned> defaults = {100, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<unsigned> tail = {900, 800, 700, 600, 500, 400, 300, 200, 100, 50};
  const std::vector<unsigned> full = {65535, 65535, 65535, 65535, 65535,
                                      65535, 65535, 65535, 65535, 65535};
  const std::vector<RankCase> cases = {
      {"100 ties Handicap", defaults, 100, 1},
      {"101 passes Handicap", defaults, 101, 0},
      {"1 beats the empty entries", defaults, 1, 1},
      {"0 never enters", defaults, 0, 10},
      {"a negative score never enters", defaults, -5, 10},
      {"equal to entry 9", tail, 50, 10},
      {"one above entry 9", tail, 51, 9},
      {"between entries 3 and 4", tail, 550, 4},
      {"ties entry 0", tail, 900, 1},
      {"entries read as unsigned 16 bits", full, 65535, 10},
      {"above what the file holds", full, 65536, 0},
  };
  for (const RankCase& c : cases) {
    SetTable(c.table);
    EXPECT_EQ(FindRank(c.score), c.rank) << c.what;
  }
}

TEST_F(TableTest, OpenSlotShiftsTheLowerEntriesAndDropsTheLast) {
  struct Case {
    int index;
    std::vector<std::string> names;  // after the shift
  };
  const std::vector<Case> cases = {
      {0, {"P0", "P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8"}},
      {4, {"P0", "P1", "P2", "P3", "P4", "P4", "P5", "P6", "P7", "P8"}},
      {9, {"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    const std::vector<unsigned> scores = {900, 800, 700, 600, 500, 400, 300, 200, 100, 50};
    SetTable(scores);
    game.tableDirty = 0;
    OpenSlot(c.index);
    EXPECT_EQ(game.tableDirty, 1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(std::string(game.HighScoreTable[i].name), c.names[i]) << i;
    // The shift carries the score along with the name.
    for (int i = 0; i < 10; ++i) {
      int source = i > c.index ? i - 1 : i;
      EXPECT_EQ(game.HighScoreTable[i].score, scores[source]) << i;
    }
  }
}

TEST_F(TableTest, SlotIndicesOutsideTheTableChangeNothing) {
  SetTable({900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
  GameState before;
  std::memcpy(&before, &game, sizeof game);
  for (int index : {-1, 10, 11, 1 << 30}) {
    OpenSlot(index);
    FillSlot(index, "Intruder", 5);
  }
  EXPECT_EQ(std::memcmp(&before, &game, sizeof game), 0);
}

TEST_F(TableTest, FillSlotKeepsNamesInTheFieldAndScoresInSixteenBits) {
  struct Case {
    const char* name;
    int32_t score;
    const char* storedName;
    unsigned storedScore;
  };
  const std::vector<Case> cases = {
      {"Pretender", 120, "Pretender", 120},
      {"ABCDEFGHIJKLM", 7, "ABCDEFGHIJKLM", 7},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 8, "ABCDEFGHIJKLM", 8},
      {"", 9, "", 9},
      {"Big", 65535, "Big", 65535},
      {"Bigger", 65536 + 5, "Bigger", 65535},
      {"Huge", 0x7FFFFFFF, "Huge", 65535},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetTable({900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
    FillSlot(3, c.name, c.score);
    EXPECT_STREQ(game.HighScoreTable[3].name, c.storedName);
    EXPECT_EQ(game.HighScoreTable[3].score, c.storedScore);
    EXPECT_STREQ(game.HighScoreTable[4].name, "P4");
    EXPECT_EQ(game.HighScoreTable[4].score, 500);
  }
}

}  // namespace
