// The check at the end of a game and the name dialog's test of the text.
#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"
#include "score_test_support.h"
#include "scores/check_high_score.h"
#include "scores/high_scores.h"
#include "scores/save_entry.h"

namespace {

using CheckTest = ScoreFolderTest;
typedef std::vector<std::string> Calls;

TEST_F(CheckTest, ScoresThatDoNotEnterShowNoDialog) {
  for (int score : {0, -1}) {
    LoadHighScores();
    FakeClear();
    game.score = score;
    CheckHighScore(nullptr);
    EXPECT_EQ(FakeCalls(), Calls{}) << score;
    EXPECT_EQ(game.tableDirty, 0);
  }
  LoadHighScores();
  for (int i = 0; i < 10; ++i) game.HighScoreTable[i].score = static_cast<uint16_t>(100 - i);
  game.score = 91;  // equal to the tenth entry
  CheckHighScore(nullptr);
  EXPECT_EQ(FakeCalls(), Calls{});
  EXPECT_EQ(game.tableDirty, 0);
}

TEST_F(CheckTest, AQualifyingScoreAsksForTheNameThenShowsTheTable) {
  LoadHighScores();
  game.score = 120;
  CheckHighScore(nullptr);
  EXPECT_EQ(FakeCalls(), (Calls{"> NameDialog", "> TableDialog"}));
  EXPECT_STREQ(game.HighScoreTable[0].name, "Pretender");
  EXPECT_EQ(game.HighScoreTable[0].score, 120);
  EXPECT_STREQ(game.HighScoreTable[1].name, "Handicap");
  EXPECT_EQ(game.HighScoreTable[1].score, 100);
  EXPECT_EQ(game.tableDirty, 1);
  // The holder changes only at the restart, not here.
  EXPECT_STREQ(holderName, "Handicap");
}

// However the game ends afterwards, an entry the table dialog shows is on the
// disk; one that cannot be written is said before the table shows it, and
// stays in the table for the save at the end.
TEST_F(CheckTest, AnEntryIsSavedBeforeTheTableShowsItOrSaidToBeUnsaved) {
  struct Case {
    const char* what;
    FakeFileFault fault;
    bool saved;
  };
  for (const Case& c : {Case{"saved", FakeFileFault::NONE, true}, Case{"disk full", FakeFileFault::WRITE, false},
                        Case{"no new file", FakeFileFault::CREATE, true}}) {
    SCOPED_TRACE(c.what);
    ::unlink("vexalrec.res");
    WriteFile("vexalrec.res", Bytes(160, 0));
    LoadHighScores();
    FakeClear();
    game.score = 120;
    FakeFailFiles(c.fault);
    CheckHighScore(nullptr);
    FakeFailFiles(FakeFileFault::NONE);
    Calls expected = {"> NameDialog"};
    if (!c.saved) expected.push_back(std::string("> MessageBox ") + ENTRY_NOT_SAVED);
    expected.push_back("> TableDialog");
    EXPECT_EQ(FakeCalls(), expected);
    Bytes file = ReadFile("vexalrec.res");
    ASSERT_EQ(file.size(), 160u);
    EXPECT_EQ(file[0] == 9 && std::memcmp(&file[1], "Pretender", 9) == 0, c.saved) << "the entry on the disk";
    EXPECT_STREQ(game.HighScoreTable[0].name, "Pretender");
    EXPECT_EQ(game.tableDirty, 1) << "written again at the end";
  }
  std::string said(ENTRY_NOT_SAVED);
  for (char ch : said) EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << "English, as the other messages";
}

TEST_F(CheckTest, TheAcceptedNamePresetsTheNextCheck) {
  LoadHighScores();
  FakeSetNameAnswer("Alice");
  game.score = 50;
  CheckHighScore(nullptr);
  EXPECT_STREQ(playerName, "Alice");
  FakeSetNameAnswer(nullptr);
  game.score = 40;
  CheckHighScore(nullptr);
  EXPECT_STREQ(game.HighScoreTable[1].name, "Alice");
  EXPECT_EQ(game.HighScoreTable[1].score, 50);
  EXPECT_STREQ(game.HighScoreTable[2].name, "Alice");
  EXPECT_EQ(game.HighScoreTable[2].score, 40);
}

TEST_F(CheckTest, ARefusedNameShowsItsMessageAndThePresetIsTaken) {
  LoadHighScores();
  FakeSetNameAnswer("Much too long a name");
  game.score = 30;
  CheckHighScore(nullptr);
  EXPECT_EQ(FakeCalls(), (Calls{"> NameDialog", "> MessageBox Name too long", "> TableDialog"}));
  EXPECT_STREQ(game.HighScoreTable[1].name, "Pretender");
  EXPECT_STREQ(playerName, "Pretender");
}

TEST_F(CheckTest, AcceptNameTestsEmptyThenLengthThenLatin) {
  struct Case {
    const char* what;
    std::string typed;
    const char* message;  // nullptr: accepted
  };
  const std::vector<Case> cases = {
      {"empty", "", "You must enter some name"},
      {"14 characters", "ABCDEFGHIJKLMN", "Name too long"},
      {"15 characters", "ABCDEFGHIJKLMNO", "Name too long"},
      {"a long paste", std::string(300, 'x'), "Name too long"},
      {"too long with a Chinese character", "ABCDEFGHIJKL\xD6\xD0", "Name too long"},
      {"a Chinese character", "Li \xD5\xC5", "You can use only latin characters"},
      {"byte 0x80", "\x80", "You can use only latin characters"},
      {"byte 0xFF last", "abc\xFF", "You can use only latin characters"},
      {"13 characters", "ABCDEFGHIJKLM", nullptr},
      {"spaces only", "   ", nullptr},
      {"one character", "Z", nullptr},
      {"byte 0x7F", "abc\x7F", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::strcpy(playerName, "Before");
    FakeClear();
    int accepted = AcceptName(nullptr, c.typed.c_str());
    if (c.message == nullptr) {
      EXPECT_EQ(accepted, 1);
      EXPECT_EQ(FakeCalls(), Calls{});
      EXPECT_EQ(std::string(playerName), c.typed);
    } else {
      EXPECT_EQ(accepted, 0);
      EXPECT_EQ(FakeCalls(), Calls{std::string("> MessageBox ") + c.message});
      EXPECT_STREQ(playerName, "Before");
    }
  }
}

}  // namespace
