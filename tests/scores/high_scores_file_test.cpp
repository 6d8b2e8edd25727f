// The table's file on disk: which file is read and written, what a written
// file holds, and what damaged files do to the table.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_log.h"
#include "game/game_state.h"
#include "score_test_support.h"
#include "scores/high_scores.h"

namespace {

using FileTest = ScoreFolderTest;

const std::vector<std::pair<std::string, unsigned>> OLD_TABLE = {
    {"Ann", 900}, {"Bob", 800}, {"Cy", 700}, {"Di", 600}, {"Ed", 500},
    {"Flo", 400}, {"Gus", 300}, {"Hal", 200}, {"Ivy", 150}, {"Jo", 120}};
const std::vector<std::pair<std::string, unsigned>> OTHER_TABLE = {
    {"Zed", 50}, {"Yul", 40}, {"Xia", 30}, {"Wes", 20}, {"Val", 10},
    {"Uma", 9},  {"Tom", 8},  {"Sue", 7},  {"Rex", 6},  {"Qi", 5}};

// The bytes of record `index` that carry meaning: the length byte, the name,
// its NUL when shorter than the field, and the score. The rest of the field
// holds whatever the entry held before and is not compared.
::testing::AssertionResult HoldsRecord(const Bytes& file, int index, const std::string& name,
                                       unsigned score) {
  if (file.size() < 16u * (index + 1)) return ::testing::AssertionFailure() << "file too short";
  const unsigned char* r = file.data() + 16 * index;
  std::string stored(reinterpret_cast<const char*>(r + 1), r[0] > 13 ? 13 : r[0]);
  unsigned storedScore = r[14] | (r[15] << 8);
  bool nulOk = name.size() == 13 || r[1 + name.size()] == 0;
  if (r[0] == name.size() && stored == name && nulOk && storedScore == score)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "record " << index << " holds length " << int(r[0])
                                       << " name \"" << stored << "\" score " << storedScore;
}

void InsertAt(int rank, const char* name, int score) {
  OpenSlot(rank);
  FillSlot(rank, name, score);
}

TEST_F(FileTest, WithoutAFileTheDefaultsStandAndHandicapHoldsTheRecord) {
  LoadHighScores();
  EXPECT_STREQ(game.HighScoreTable[0].name, "Handicap");
  EXPECT_EQ(game.HighScoreTable[0].score, 100);
  for (int i = 1; i < 10; ++i) {
    EXPECT_STREQ(game.HighScoreTable[i].name, "- Empty -") << i;
    EXPECT_EQ(game.HighScoreTable[i].score, 0) << i;
  }
  EXPECT_EQ(game.bestScore, 100);
  EXPECT_STREQ(holderName, "Handicap");
  EXPECT_EQ(game.tableDirty, 0);
}

TEST_F(FileTest, AnUnchangedTableCreatesNoFile) {
  LoadHighScores();
  EXPECT_EQ(FindRank(0), 10);
  EXPECT_TRUE(SaveHighScores()) << "nothing to save counts as saved";
  EXPECT_FALSE(FileExists("vexalrec.res"));
  EXPECT_FALSE(FileExists("lines.res"));
}

TEST_F(FileTest, OneInsertionWithoutAFileCreatesExactly160Bytes) {
  LoadHighScores();
  InsertAt(FindRank(300), "Pat", 300);
  EXPECT_TRUE(SaveHighScores());
  ASSERT_TRUE(FileExists("vexalrec.res"));
  EXPECT_FALSE(FileExists("lines.res"));
  Bytes file = ReadFile("vexalrec.res");
  ASSERT_EQ(file.size(), 160u);
  EXPECT_TRUE(HoldsRecord(file, 0, "Pat", 300));
  EXPECT_TRUE(HoldsRecord(file, 1, "Handicap", 100));
  for (int i = 2; i < 10; ++i) EXPECT_TRUE(HoldsRecord(file, i, "- Empty -", 0));
}

TEST_F(FileTest, OnlyLinesResIsReadAndWrittenBack) {
  WriteFile("lines.res", TableFile(OLD_TABLE));
  LoadHighScores();
  EXPECT_STREQ(game.HighScoreTable[0].name, "Ann");
  EXPECT_EQ(game.HighScoreTable[9].score, 120);
  EXPECT_EQ(game.bestScore, 900);
  EXPECT_STREQ(holderName, "Ann");
  InsertAt(FindRank(1000), "Top", 1000);
  SaveHighScores();
  EXPECT_FALSE(FileExists("vexalrec.res"));
  Bytes file = ReadFile("lines.res");
  ASSERT_EQ(file.size(), 160u);
  EXPECT_TRUE(HoldsRecord(file, 0, "Top", 1000));
  EXPECT_TRUE(HoldsRecord(file, 1, "Ann", 900));
}

TEST_F(FileTest, WithBothFilesOnlyVexalrecIsReadAndWritten) {
  WriteFile("vexalrec.res", TableFile(OLD_TABLE));
  WriteFile("lines.res", TableFile(OTHER_TABLE));
  LoadHighScores();
  EXPECT_STREQ(game.HighScoreTable[0].name, "Ann");
  InsertAt(FindRank(125), "New", 125);
  SaveHighScores();
  EXPECT_EQ(ReadFile("lines.res"), TableFile(OTHER_TABLE));
  Bytes file = ReadFile("vexalrec.res");
  ASSERT_EQ(file.size(), 160u);
  EXPECT_TRUE(HoldsRecord(file, 9, "New", 125));
  EXPECT_TRUE(HoldsRecord(file, 8, "Ivy", 150));
}

TEST_F(FileTest, ReadOnlyVexalrecIsReadButTheSaveGoesToLinesRes) {
  WriteFile("vexalrec.res", TableFile(OLD_TABLE));
  WriteFile("lines.res", TableFile(OTHER_TABLE));
  ASSERT_EQ(chmod("vexalrec.res", 0444), 0);
  ASSERT_EQ(chmod("lines.res", 0666), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  bool ran = RunUnprivileged([] {
    LoadHighScores();
    InsertAt(FindRank(2000), "Kim", 2000);
    SaveHighScores();
  });
  if (!ran) GTEST_SKIP() << "cannot give up root's right to write read-only files here";
  EXPECT_EQ(ReadFile("vexalrec.res"), TableFile(OLD_TABLE));
  Bytes saved = ReadFile("lines.res");
  ASSERT_EQ(saved.size(), 160u);
  // The table saved is the one read from vexalrec.res, with the insertion.
  EXPECT_TRUE(HoldsRecord(saved, 0, "Kim", 2000));
  EXPECT_TRUE(HoldsRecord(saved, 1, "Ann", 900));
}

TEST_F(FileTest, ReadOnlyVexalrecWithoutLinesResSavesNothing) {
  WriteFile("vexalrec.res", TableFile(OLD_TABLE));
  ASSERT_EQ(chmod("vexalrec.res", 0444), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  bool ran = RunUnprivileged([] {
    LoadHighScores();
    InsertAt(0, "Kim", 2000);
    SaveHighScores();
  });
  if (!ran) GTEST_SKIP() << "cannot give up root's right to write read-only files here";
  EXPECT_EQ(ReadFile("vexalrec.res"), TableFile(OLD_TABLE));
  EXPECT_FALSE(FileExists("lines.res"));
}

// A folder in the place of the file: it opens for reading, yet every read
// fails, and neither opening for writing nor creating it can succeed.
TEST_F(FileTest, FailedReadsLeaveTheTableEmptyAndAnUnwritableNameSavesNothing) {
  ASSERT_EQ(mkdir("vexalrec.res", 0755), 0);
  LoadHighScores();
  for (int i = 0; i < 10; ++i) {
    EXPECT_STREQ(game.HighScoreTable[i].name, "") << i;
    EXPECT_EQ(game.HighScoreTable[i].score, 0) << i;
  }
  EXPECT_EQ(game.bestScore, 0);
  InsertAt(0, "Lee", 10);
  EXPECT_FALSE(SaveHighScores());
  EXPECT_FALSE(FileExists("lines.res"));
}

TEST_F(FileTest, AThirteenCharacterNameFillsTheFieldAndReadsBackUnchanged) {
  LoadHighScores();
  InsertAt(0, "ABCDEFGHIJKLM", 500);
  SaveHighScores();
  Bytes file = ReadFile("vexalrec.res");
  ASSERT_EQ(file.size(), 160u);
  EXPECT_EQ(file[0], 13);
  EXPECT_EQ(std::string(file.begin() + 1, file.begin() + 14), "ABCDEFGHIJKLM");
  EXPECT_EQ(file[14], 500 & 0xFF);
  EXPECT_EQ(file[15], 500 >> 8);
  std::memset(&game, 0, sizeof game);
  LoadHighScores();
  EXPECT_STREQ(game.HighScoreTable[0].name, "ABCDEFGHIJKLM");
  EXPECT_STREQ(holderName, "ABCDEFGHIJKLM");
  EXPECT_EQ(game.bestScore, 500);
}

TEST_F(FileTest, ALongerFileKeepsItsTailWhenTheTableIsSaved) {
  Bytes file = TableFile(OLD_TABLE);
  Bytes tail = {'t', 'a', 'i', 'l', 0, 1, 2, 3, 0xFF};
  file.insert(file.end(), tail.begin(), tail.end());
  WriteFile("vexalrec.res", file);
  LoadHighScores();
  EXPECT_STREQ(game.HighScoreTable[9].name, "Jo");
  EXPECT_EQ(game.HighScoreTable[9].score, 120);
  InsertAt(FindRank(1000), "Top", 1000);
  SaveHighScores();
  Bytes saved = ReadFile("vexalrec.res");
  ASSERT_EQ(saved.size(), 169u);
  EXPECT_EQ(Bytes(saved.begin() + 160, saved.end()), tail);
  EXPECT_TRUE(HoldsRecord(saved, 0, "Top", 1000));
}

// A save that fails at any step leaves every file as it was and no
// temporary file behind.
TEST_F(FileTest, AFailedSaveLeavesTheStoredTableAsItWas) {
  Bytes withTail = TableFile(OLD_TABLE);
  for (char c : std::string("tail bytes")) withTail.push_back(static_cast<unsigned char>(c));
  struct Case {
    const char* what;
    const char* file;  // the one file there before, or nullptr
    Bytes bytes;
    FakeFileFault fault;
    unsigned writeBytes;
  };
  const std::vector<Case> cases = {
      {"disk full at once", "vexalrec.res", TableFile(OLD_TABLE), FakeFileFault::WRITE, 0},
      {"write cut short in the table", "vexalrec.res", TableFile(OLD_TABLE), FakeFileFault::WRITE, 100},
      {"disk full in the tail", "vexalrec.res", withTail, FakeFileFault::WRITE, 165},
      {"flush refused", "vexalrec.res", TableFile(OLD_TABLE), FakeFileFault::FLUSH, 0},
      {"move refused", "vexalrec.res", withTail, FakeFileFault::MOVE, 0},
      {"lines.res, write cut short", "lines.res", TableFile(OTHER_TABLE), FakeFileFault::WRITE, 159},
      {"no file, disk full", nullptr, {}, FakeFileFault::WRITE, 0},
      {"no file, write cut short", nullptr, {}, FakeFileFault::WRITE, 16},
      {"no file, move refused", nullptr, {}, FakeFileFault::MOVE, 0},
      {"no file, no new file", nullptr, {}, FakeFileFault::CREATE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* name : {"vexalrec.res", "lines.res", "vexalrec.tmp", "lines.tmp"}) ::unlink(name);
    if (c.file != nullptr) WriteFile(c.file, c.bytes);
    LoadHighScores();
    InsertAt(0, "New", 5000);
    FakeFailFiles(c.fault, c.writeBytes);
    EXPECT_FALSE(SaveHighScores()) << "a save that failed says so";
    FakeFailFiles(FakeFileFault::NONE);
    for (const char* name : {"vexalrec.res", "lines.res"}) {
      bool there = c.file != nullptr && std::string(c.file) == name;
      EXPECT_EQ(FileExists(name), there) << name;
      if (there) {
        EXPECT_EQ(ReadFile(name), c.bytes) << name;
      }
    }
    EXPECT_FALSE(FileExists("vexalrec.tmp"));
    EXPECT_FALSE(FileExists("lines.tmp"));
  }
}

TEST_F(FileTest, ALeftoverTemporaryFileIsWrittenOverAndGone) {
  WriteFile("vexalrec.res", TableFile(OLD_TABLE));
  WriteFile("vexalrec.tmp", Bytes(3000, 0xEE));
  LoadHighScores();
  InsertAt(FindRank(1000), "Top", 1000);
  SaveHighScores();
  EXPECT_FALSE(FileExists("vexalrec.tmp"));
  Bytes saved = ReadFile("vexalrec.res");
  ASSERT_EQ(saved.size(), 160u);
  EXPECT_TRUE(HoldsRecord(saved, 0, "Top", 1000));
  EXPECT_TRUE(HoldsRecord(saved, 9, "Ivy", 150));
}

// Where no new file can be made beside it, the file itself takes the table,
// its tail kept.
TEST_F(FileTest, WithoutRoomForANewFileTheTableIsWrittenInPlace) {
  Bytes file = TableFile(OLD_TABLE);
  Bytes tail = {'k', 'e', 'p', 't'};
  file.insert(file.end(), tail.begin(), tail.end());
  WriteFile("vexalrec.res", file);
  LoadHighScores();
  InsertAt(FindRank(1000), "Top", 1000);
  FakeFailFiles(FakeFileFault::CREATE);
  EXPECT_TRUE(SaveHighScores());
  FakeFailFiles(FakeFileFault::NONE);
  Bytes saved = ReadFile("vexalrec.res");
  ASSERT_EQ(saved.size(), 164u);
  EXPECT_EQ(Bytes(saved.begin() + 160, saved.end()), tail);
  EXPECT_TRUE(HoldsRecord(saved, 0, "Top", 1000));
  EXPECT_FALSE(FileExists("vexalrec.tmp"));
}

// A file that can be neither read nor written is no table of this game's:
// the new one does not take its place.
TEST_F(FileTest, AnUnreadableUnwritableVexalrecIsNotReplaced) {
  WriteFile("vexalrec.res", TableFile(OLD_TABLE));
  ASSERT_EQ(chmod("vexalrec.res", 0000), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  bool ran = RunUnprivileged([] {
    LoadHighScores();
    InsertAt(0, "Kim", 2000);
    SaveHighScores();
  });
  if (!ran) GTEST_SKIP() << "cannot give up root's right to read unreadable files here";
  ASSERT_EQ(chmod("vexalrec.res", 0644), 0);
  EXPECT_EQ(ReadFile("vexalrec.res"), TableFile(OLD_TABLE));
  EXPECT_FALSE(FileExists("vexalrec.tmp"));
}

// Every byte of the record outside the table, and of the holder's buffer
// past its name, must come through a load untouched.
struct Damaged {
  const char* what;
  Bytes file;
  std::vector<std::pair<std::string, unsigned>> expected;  // all ten entries
};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<std::pair<std::string, unsigned>> WithEmptyFrom(
    std::vector<std::pair<std::string, unsigned>> first) {
  while (first.size() < 10) first.push_back({"", 0});
  return first;
}

TEST_F(FileTest, DamagedFilesAreReadWithoutAnyWriteOutsideTheTable) {
  Bytes full = TableFile(OLD_TABLE);
  std::vector<Damaged> cases = {
      {"empty file", {}, WithEmptyFrom({})},
      {"one record", Record(3, "Ann", 900), WithEmptyFrom({{"Ann", 900}})},
      {"a record cut inside its name",
       Concat({Record(3, "Ann", 900), Bytes{5, 'a', 'b', 'c'}}),
       WithEmptyFrom({{"Ann", 900}, {"abc", 0}})},
      {"a record cut inside its score",
       [] {
         Bytes f = Concat({Record(3, "Ann", 900), Record(2, "Bo", 0x1234)});
         f.pop_back();
         return f;
       }(),
       WithEmptyFrom({{"Ann", 900}, {"Bo", 0x34}})},
      {"159 bytes, the last score without its high byte",
       [] {
         auto t = OLD_TABLE;
         t[9].second = 0x12C;
         Bytes f = TableFile(t);
         f.pop_back();
         return f;
       }(),
       [] {
         auto t = OLD_TABLE;
         t[9].second = 0x2C;
         return t;
       }()},
      {"length byte 255 everywhere",
       [] {
         Bytes f;
         for (int i = 0; i < 10; ++i) {
           Bytes r = Record(255, "ABCDEFGHIJKLM", 1000 - i);
           f.insert(f.end(), r.begin(), r.end());
         }
         return f;
       }(),
       [] {
         std::vector<std::pair<std::string, unsigned>> t;
         for (int i = 0; i < 10; ++i) t.push_back({"ABCDEFGHIJKLM", 1000u - i});
         return t;
       }()},
      {"length byte 14 on the last entry",
       Concat({Bytes(full.begin(), full.begin() + 144), Record(14, "ABCDEFGHIJKLM", 7)}),
       [] {
         auto t = OLD_TABLE;
         t[9] = {"ABCDEFGHIJKLM", 7};
         return t;
       }()},
      {"length shorter than the bytes in the field",
       Concat({Record(2, "Annabel", 900)}), WithEmptyFrom({{"An", 900}})},
  };
  // Every length byte the field cannot hold, on the last entry, whose
  // neighbours in memory lie outside the table.
  std::vector<std::string> labels;
  for (unsigned length = 14; length < 256; ++length) labels.push_back("last length " + std::to_string(length));
  for (unsigned length = 14; length < 256; ++length) {
    auto t = OLD_TABLE;
    t[9] = {"ABCDEFGHIJKLM", 7};
    cases.push_back({labels[length - 14].c_str(),
                     Concat({Bytes(full.begin(), full.begin() + 144), Record(length, "ABCDEFGHIJKLM", 7)}),
                     t});
  }
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("vexalrec.res", c.file);
    std::memset(&game, 0xA5, sizeof game);
    std::memset(holderName, 0xA5, sizeof holderName);
    GameState before;
    std::memcpy(&before, &game, sizeof game);
    LoadHighScores();
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(std::string(game.HighScoreTable[i].name), c.expected[i].first) << i;
      EXPECT_EQ(game.HighScoreTable[i].score, c.expected[i].second) << i;
    }
    EXPECT_EQ(game.bestScore, static_cast<int>(c.expected[0].second));
    EXPECT_EQ(std::string(holderName), c.expected[0].first);
    EXPECT_EQ(game.tableDirty, 0);
    // Zero the fields a load may set, on both sides, and compare the rest.
    for (GameState* g : {&before, &game}) {
      std::memset(g->HighScoreTable, 0, sizeof g->HighScoreTable);
      g->bestScore = 0;
      g->tableDirty = 0;
    }
    ASSERT_EQ(std::memcmp(&before, &game, sizeof game), 0);
    for (size_t i = 14; i < sizeof holderName; ++i) ASSERT_EQ(holderName[i], 0) << i;
    ASSERT_STREQ(playerName, "Pretender");
  }
}

TEST_F(FileTest, ASaturatedScoreIsWrittenAsTheLargestTheFileHolds) {
  LoadHighScores();
  int rank = FindRank(65536 + 5);
  EXPECT_EQ(rank, 0);
  InsertAt(rank, "Max", 65536 + 5);
  SaveHighScores();
  Bytes file = ReadFile("vexalrec.res");
  ASSERT_EQ(file.size(), 160u);
  EXPECT_EQ(file[14], 0xFF);
  EXPECT_EQ(file[15], 0xFF);
  std::memset(&game, 0, sizeof game);
  LoadHighScores();
  EXPECT_EQ(game.bestScore, 65535);
  EXPECT_STREQ(holderName, "Max");
}

}  // namespace
