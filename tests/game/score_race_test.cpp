#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_log.h"
#include "game/random.h"
#include "render/score_race.h"
#include "rules_test_support.h"

namespace {

const Log OVERTAKING = Joined(
    {Repeat({"> DrawRecordHolder figure", "> DrawPretender figure", "> Sleep 150"}, 6),
     Repeat({"> DrawPretender figure", "> Sleep 150", "> DrawPretender figure", "> Sleep 150"},
            3)});

struct RaceCase {
  const char* name;
  int32_t bestScore;
  std::vector<int> points;  // one AddScore call each, from a fresh game
  int32_t holderLevel;
  int holderFrame;
  int32_t pretenderLevel;
  int pretenderFrame;
  int32_t recordPassed;
};

class Race : public ::testing::TestWithParam<RaceCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(Race, LevelsFramesAndFlag) {
  const RaceCase& c = GetParam();
  game.bestScore = c.bestScore;
  int total = 0;
  for (int p : c.points) {
    AddScore(DC, p);
    total += p;
  }
  EXPECT_EQ(game.score, total);
  EXPECT_EQ(game.holderLevel, c.holderLevel);
  EXPECT_EQ(game.holderFrame, c.holderFrame);
  EXPECT_EQ(game.pretenderLevel, c.pretenderLevel);
  EXPECT_EQ(game.pretenderFrame, c.pretenderFrame);
  EXPECT_EQ(game.recordPassed, c.recordPassed);
  // Each pixel of either bar is one step of 25 ms.
  EXPECT_EQ(CountCalls("> Sleep 25"), (125 - c.pretenderLevel) + c.holderLevel);
}

INSTANTIATE_TEST_SUITE_P(
    Scores, Race,
    ::testing::Values(
        RaceCase{"FirstLineAgainstTheDefaultRecord", 100, {10}, 0, 0, 113, 0, 0},
        RaceCase{"TwoLines", 100, {10, 12}, 0, 0, 98, 0, 0},
        RaceCase{"EqualToTheRecord", 100, {60, 40}, 0, 0, 0, 0, 0},
        RaceCase{"PassingInOneRemoval", 100, {90, 28}, 0, 6, 0, 6, 1},
        RaceCase{"HolderSinksAfterPassing", 100, {110, 40}, 62, 6, 0, 6, 1},
        RaceCase{"HolderGoneAtTwiceTheRecord", 100, {110, 90}, 125, 6, 0, 6, 1},
        RaceCase{"HolderLevelClampsAt125", 100, {110, 500}, 125, 6, 0, 6, 1},
        RaceCase{"SmallRecordPretenderClampsAtZero", 7, {10}, 0, 6, 0, 6, 1},
        // A hand-edited table with a record of 0: the race runs as for 1.
        RaceCase{"RecordOfZero", 0, {10}, 0, 6, 0, 6, 1},
        RaceCase{"RecordOfZeroThenMore", 0, {10, 10}, 125, 6, 0, 6, 1}),
    [](const ::testing::TestParamInfo<RaceCase>& info) { return info.param.name; });

TEST_F(RulesTest, AddScoreDrawsTheBoxThenTheBar) {
  game.bestScore = 100;
  game.scoreBoxX = 300;
  game.scoreBoxY = 10;
  AddScore(DC, 10);
  Log expected = Joined({{"> DrawScoreBox 300 10 10"},
                         Repeat({"> DrawPretender figure", "> Sleep 25"}, 12)});
  EXPECT_EQ(Calls(), expected);
}

TEST_F(RulesTest, PassingRisesToTheTopThenOvertakesAndBlinks) {
  game.bestScore = 100;
  AddScore(DC, 90);
  FakeClear();
  AddScore(DC, 28);
  // From level 125 - 112 = 13 to 0: thirteen pixels, then the crowning.
  Log expected = Joined({{"> DrawScoreBox 516 10 118"},
                         Repeat({"> DrawPretender figure", "> Sleep 25"}, 13), OVERTAKING});
  EXPECT_EQ(Calls(), expected);
}

TEST_F(RulesTest, AfterPassingOnlyTheHolderMoves) {
  game.bestScore = 100;
  AddScore(DC, 110);
  FakeClear();
  AddScore(DC, 40);
  Log expected = Joined({{"> DrawScoreBox 516 10 150"},
                         Repeat({"> DrawRecordHolder figure", "> Sleep 25"}, 62)});
  EXPECT_EQ(Calls(), expected);
}

TEST_F(RulesTest, RestartWithoutPassingLeavesTheHolder) {
  std::strcpy(holderName, "Handicap");
  std::strcpy(playerName, "Bob");
  game.bestScore = 100;
  AddScore(DC, 100);
  ASSERT_EQ(game.pretenderLevel, 0);
  SeedRandom(4);
  FakeClear();
  RestartGame(DC);

  // 32 steps of 4 from level 0, the last one clamped from 128 to 125.
  Log rewind = Repeat({"> DrawPretender figure", "> Sleep 15"}, 32);
  ASSERT_GE(Calls().size(), rewind.size() + 1);
  EXPECT_EQ(Log(Calls().begin(), Calls().begin() + rewind.size()), rewind);
  EXPECT_EQ(Calls()[rewind.size()], "> DrawBoard");
  EXPECT_TRUE(CallsStarting("> DrawRecordHolder").empty());
  EXPECT_TRUE(CallsStarting("> InvalidateRect").empty());
  EXPECT_STREQ(holderName, "Handicap");
  EXPECT_EQ(game.bestScore, 100);
  EXPECT_EQ(game.pretenderLevel, 125);
  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(CountEmptyCells(), 76);
}

TEST_F(RulesTest, RestartAfterPassingHandsTheRecordOver) {
  std::strcpy(holderName, "Handicap");
  std::strcpy(playerName, "Bob");
  game.bestScore = 100;
  AddScore(DC, 110);
  AddScore(DC, 40);  // holder level 62
  ASSERT_EQ(game.holderLevel, 62);
  game.statisticsWindow = STATISTICS;
  SeedRandom(4);
  FakeClear();
  RestartGame(DC);

  Log expected = Joined({
      {"> DrawRecordHolder full"},
      Repeat({"> DrawRecordHolder figure", "> Sleep 150"}, 6),
      // 62 back to 0 in steps of 4: 16 steps, the last clamped.
      Repeat({"> DrawRecordHolder figure", "> Sleep 15"}, 16),
      Repeat({"> DrawPretender figure", "> Sleep 150"}, 6),
      Repeat({"> DrawPretender figure", "> Sleep 15"}, 32),
      {"> DrawBoard"},
  });
  ASSERT_GE(Calls().size(), expected.size());
  EXPECT_EQ(Log(Calls().begin(), Calls().begin() + expected.size()), expected);
  EXPECT_EQ(Calls().back(), "> InvalidateRect statistics");
  // The new game already shows the handed-over record.
  EXPECT_EQ(CountCalls("> DrawScoreBox 24 10 150"), 1);
  EXPECT_STREQ(holderName, "Bob");
  EXPECT_EQ(game.bestScore, 150);
  EXPECT_EQ(game.holderLevel, 0);
  EXPECT_EQ(game.holderFrame, 0);
  EXPECT_EQ(game.pretenderLevel, 125);
  EXPECT_EQ(game.pretenderFrame, 0);
  EXPECT_EQ(game.recordPassed, 0);
  EXPECT_EQ(game.score, 0);
}

TEST_F(RulesTest, HandedOverNameNeverOverrunsTheBuffer) {
  std::memset(playerName, 'x', sizeof playerName);  // no terminator at all
  game.bestScore = 10;
  AddScore(DC, 20);
  RestartGame(DC);
  EXPECT_EQ(std::strlen(holderName), 15u);
}

TEST_F(RulesTest, RecordOfZeroRestartsCleanly) {
  game.bestScore = 0;
  AddScore(DC, 10);
  RestartGame(DC);
  EXPECT_EQ(game.bestScore, 10);
  EXPECT_EQ(game.holderLevel, 0);
  EXPECT_EQ(game.pretenderLevel, 125);
  EXPECT_EQ(game.recordPassed, 0);
}

}  // namespace
