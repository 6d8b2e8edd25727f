// The left-hand text of each row of the high-score table.
#include "scores/high_score_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "scores/high_scores.h"

namespace {

std::string Row(uint32_t index, const HighScoreEntry& entry) {
  char text[HIGH_SCORE_ROW_SIZE];
  std::memset(text, 'X', sizeof text);
  BuildHighScoreRowText(index, entry, text);
  EXPECT_NE(std::memchr(text, 0, sizeof text), nullptr) << "no NUL inside the buffer";
  return text;
}

HighScoreEntry Entry(const char* name) {
  HighScoreEntry entry;
  std::memset(&entry, 0, sizeof entry);
  std::strcpy(entry.name, name);
  return entry;
}

TEST(HighScoreRowText, NumberSeparatorAndName) {
  struct Case {
    uint32_t index;
    const char* name;
    std::string expected;
  } cases[] = {
      {0, "Handicap", "1. Handicap"},
      {9, "- Empty -", "10. - Empty -"},
      {1, "Pretender", "2. Pretender"},
      {4, "", "5. "},
      {3, "   ", "4.    "},
      {8, "ABCDEFGHIJKLM", "9. ABCDEFGHIJKLM"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Row(c.index, Entry(c.name)), c.expected) << "index " << c.index;
  }
}

TEST(HighScoreRowText, NameFieldWithoutNulStopsAtThirteenBytes) {
  HighScoreEntry entry;
  std::memset(entry.name, 'W', sizeof entry.name);  // all 14 bytes, no NUL
  entry.score = 0x4141;                             // "AA", must not show
  EXPECT_EQ(Row(9, entry), "10. WWWWWWWWWWWWW");
}

TEST(HighScoreRowText, BytesAfterTheNulAreIgnored) {
  HighScoreEntry entry = Entry("Bob");
  std::memcpy(entry.name + 4, "junk", 4);
  EXPECT_EQ(Row(2, entry), "3. Bob");
}

TEST(HighScoreRowText, LargestIndexFits) {
  HighScoreEntry entry;
  std::memset(entry.name, 'W', sizeof entry.name);
  EXPECT_EQ(Row(4294967294u, entry), "4294967295. WWWWWWWWWWWWW");
}

// The rows of the table as it stands when no file is found.
TEST(HighScoreRowText, DefaultTableRows) {
  char folder[] = "/tmp/vexal-rows-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder), 0);
  std::memset(&game, 0, sizeof game);
  LoadHighScores();
  EXPECT_EQ(chdir(previous), 0);
  rmdir(folder);

  EXPECT_EQ(Row(0, game.HighScoreTable[0]), "1. Handicap");
  for (uint32_t i = 1; i < HIGH_SCORE_COUNT; ++i) {
    EXPECT_EQ(Row(i, game.HighScoreTable[i]), std::to_string(i + 1) + ". - Empty -");
  }
}

}  // namespace
