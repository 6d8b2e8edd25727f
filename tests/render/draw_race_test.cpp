// The two figures of the score race: pedestal, pillar, name field, figure
// and the pretender's crowning overlay.
#include <cstring>

#include "render/draw.h"
#include "render/render_test_support.h"

namespace {

class DrawRaceTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    // The anchors of a 612 x 374 client area.
    game.holderX = 42;
    game.holderBaseY = 304;
    game.pretenderX = 512;
    game.pretenderBaseY = 304;
    std::strcpy(holderName, "Handicap");
    std::strcpy(playerName, "Pretender");
  }
};

struct LevelCase {
  int level;
  bool pillar;  // at level 125 the pillar has no rows and is not drawn
};
const LevelCase LEVELS[] = {{0, true}, {62, true}, {125, false}};

TEST_F(DrawRaceTest, FullHolderDrawsBasePillarNameFieldThenFigure) {
  for (const LevelCase& c : LEVELS) {
    SCOPED_TRACE(::testing::Message() << "level " << c.level);
    SetUp();
    game.holderLevel = c.level;
    DrawRecordHolder(dc, 1);

    std::vector<FakeBlit> expected = {Sheet(42, 295, 58, 9, 1, 201)};
    if (c.pillar) expected.push_back(Sheet(48, 170 + c.level, 45, 125 - c.level, 420, 100));
    expected.push_back(Sheet(41, 70 + c.level, 72, 100, 1, 0));
    EXPECT_EQ(FakeGdiBlits(), expected);

    ASSERT_EQ(FakeGdiFills().size(), 1u);
    EXPECT_TRUE(SameRect(FakeGdiFills()[0].rect, 26, 312, 116, 328)) << FakeGdiFills()[0].rect;
    EXPECT_EQ(FakeGdiFills()[0].brush, "BLACK_BRUSH");
    ASSERT_EQ(FakeGdiTexts().size(), 1u);
    const FakeText& t = FakeGdiTexts()[0];
    EXPECT_EQ(t.bytes, "Handicap");
    EXPECT_EQ(t.length, -1);
    EXPECT_TRUE(SameRect(t.rect, 26, 312, 116, 328)) << t.rect;
    EXPECT_EQ(t.format, DT_CENTER);
    EXPECT_EQ(t.textColour, WHITE);
    EXPECT_EQ(t.bkMode, TRANSPARENT);
    ExpectCleanDevice();
  }
}

TEST_F(DrawRaceTest, PillarAtLevel62ByHand) {
  game.holderLevel = 62;
  DrawRecordHolder(dc, 1);
  ASSERT_EQ(FakeGdiBlits().size(), 3u);
  // 63 rows from y 232 down to the pedestal's top at 295.
  EXPECT_EQ(FakeGdiBlits()[1], Sheet(48, 232, 45, 63, 420, 100));
  EXPECT_EQ(FakeGdiBlits()[2], Sheet(41, 132, 72, 100, 1, 0));
}

TEST_F(DrawRaceTest, HolderFiguresOnlyDrawsThePoseOfItsFrame) {
  const int poseX[] = {1, 74, 147, 220, 293, 366, 439};
  for (int frame = 0; frame <= 6; ++frame) {
    for (const LevelCase& c : LEVELS) {
      SCOPED_TRACE(::testing::Message() << "frame " << frame << " level " << c.level);
      SetUp();
      game.holderFrame = static_cast<uint8_t>(frame);
      game.holderLevel = c.level;
      DrawRecordHolder(dc, 0);
      std::vector<FakeBlit> expected = {Sheet(41, 70 + c.level, 72, 100, poseX[frame], 0)};
      EXPECT_EQ(FakeGdiBlits(), expected);
      EXPECT_TRUE(FakeGdiFills().empty());
      EXPECT_TRUE(FakeGdiTexts().empty());
    }
  }
}

TEST_F(DrawRaceTest, HolderNameFieldShowsTheCurrentHolder) {
  std::strcpy(holderName, "Alice");
  DrawRecordHolder(dc, 1);
  ASSERT_EQ(FakeGdiTexts().size(), 1u);
  EXPECT_EQ(FakeGdiTexts()[0].bytes, "Alice");
}

TEST_F(DrawRaceTest, FullPretenderWithForceDrawsColumnLabelAndBody) {
  for (const LevelCase& c : LEVELS) {
    SCOPED_TRACE(::testing::Message() << "level " << c.level);
    SetUp();
    game.pretenderLevel = c.level;
    DrawPretender(dc, 1, 1);

    std::vector<FakeBlit> expected = {Sheet(512, 295, 58, 9, 1, 201)};
    if (c.pillar) expected.push_back(Sheet(518, 170 + c.level, 45, 125 - c.level, 420, 100));
    expected.push_back(Sheet(502, 70 + c.level, 72, 100, 1, 100));
    EXPECT_EQ(FakeGdiBlits(), expected);

    ASSERT_EQ(FakeGdiFills().size(), 1u);
    EXPECT_TRUE(SameRect(FakeGdiFills()[0].rect, 496, 312, 586, 328)) << FakeGdiFills()[0].rect;
    ASSERT_EQ(FakeGdiTexts().size(), 1u);
    EXPECT_EQ(FakeGdiTexts()[0].bytes, "Pretender");
    EXPECT_TRUE(SameRect(FakeGdiTexts()[0].rect, 496, 312, 586, 328));
    EXPECT_EQ(FakeGdiTexts()[0].format, DT_CENTER);
    EXPECT_EQ(FakeGdiTexts()[0].textColour, WHITE);
    ExpectCleanDevice();
  }
}

TEST_F(DrawRaceTest, PretenderLabelIsFixedWhateverThePlayerIsCalled) {
  std::strcpy(playerName, "Bob");
  DrawPretender(dc, 1, 1);
  ASSERT_EQ(FakeGdiTexts().size(), 1u);
  EXPECT_EQ(FakeGdiTexts()[0].bytes, "Pretender");
}

TEST_F(DrawRaceTest, CrowningOverlaysLieOverTheForcedBody) {
  const int overlayX[] = {0, 74, 125, 176, 227, 278, 329};
  for (int frame = 1; frame <= 6; ++frame) {
    for (const LevelCase& c : LEVELS) {
      SCOPED_TRACE(::testing::Message() << "frame " << frame << " level " << c.level);
      SetUp();
      game.pretenderFrame = static_cast<uint8_t>(frame);
      game.pretenderLevel = c.level;
      DrawPretender(dc, 1, 1);
      const std::vector<FakeBlit>& blits = FakeGdiBlits();
      ASSERT_EQ(blits.size(), c.pillar ? 4u : 3u);
      EXPECT_EQ(blits[blits.size() - 2], Sheet(502, 70 + c.level, 72, 100, 1, 100));
      EXPECT_EQ(blits.back(), Sheet(502, 76 + c.level, 50, 65, overlayX[frame], 100));
    }
  }
}

TEST_F(DrawRaceTest, WithoutForceACrownedPretenderShowsOnlyItsOverlay) {
  const int overlayX[] = {0, 74, 125, 176, 227, 278, 329};
  for (int frame = 1; frame <= 6; ++frame) {
    SCOPED_TRACE(::testing::Message() << "frame " << frame);
    SetUp();
    game.pretenderFrame = static_cast<uint8_t>(frame);
    game.pretenderLevel = 0;
    DrawPretender(dc, 0, 0);
    std::vector<FakeBlit> expected = {Sheet(502, 76, 50, 65, overlayX[frame], 100)};
    EXPECT_EQ(FakeGdiBlits(), expected);
    EXPECT_TRUE(FakeGdiTexts().empty());
  }
}

TEST_F(DrawRaceTest, PlainPretenderFigureHasNoOverlay) {
  for (const LevelCase& c : LEVELS) {
    SetUp();
    game.pretenderLevel = c.level;
    DrawPretender(dc, 0, 0);
    std::vector<FakeBlit> expected = {Sheet(502, 70 + c.level, 72, 100, 1, 100)};
    EXPECT_EQ(FakeGdiBlits(), expected) << "level " << c.level;
  }
}

TEST_F(DrawRaceTest, FullPretenderWithoutForceSkipsTheBodyUnderAnOverlay) {
  game.pretenderFrame = 6;
  game.pretenderLevel = 0;
  DrawPretender(dc, 1, 0);
  std::vector<FakeBlit> expected = {
      Sheet(512, 295, 58, 9, 1, 201),
      Sheet(518, 170, 45, 125, 420, 100),
      Sheet(502, 76, 50, 65, 329, 100),
  };
  EXPECT_EQ(FakeGdiBlits(), expected);
}

TEST_F(DrawRaceTest, NameFieldIsFilledBeforeItsTextAndAfterThePillar) {
  DrawRecordHolder(dc, 1);
  const std::vector<std::string>& calls = FakeCalls();
  std::vector<std::string> kinds;
  for (const std::string& line : calls) {
    if (line.rfind("> BitBlt", 0) == 0) kinds.push_back("blit");
    if (line.rfind("> FillRect", 0) == 0) kinds.push_back("fill");
    if (line.rfind("> DrawTextA", 0) == 0) kinds.push_back("text");
  }
  std::vector<std::string> expected = {"blit", "blit", "fill", "text", "blit"};
  EXPECT_EQ(kinds, expected);
}

}  // namespace
