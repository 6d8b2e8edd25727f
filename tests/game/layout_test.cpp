#include "render/layout.h"
#include "rules_test_support.h"

namespace {

struct LayoutCase {
  const char* name;
  int32_t width, height;
  int32_t originX, originY, scoreBoxX, previewX, holderX, holderBaseY, pretenderX;
};

class Layout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(Layout, FromTheClientSize) {
  const LayoutCase& c = GetParam();
  game.boardOriginX = 146;
  game.boardOriginY = 68;
  LayoutAtCreate(c.width, c.height);
  // Creation leaves the board where the main routine put it.
  EXPECT_EQ(game.boardOriginX, 146);
  EXPECT_EQ(game.boardOriginY, 68);
  EXPECT_EQ(game.scoreBoxX, c.scoreBoxX);
  EXPECT_EQ(game.scoreBoxY, 10);
  EXPECT_EQ(game.previewX, c.previewX);
  EXPECT_EQ(game.previewY, 5);
  EXPECT_EQ(game.holderX, c.holderX);
  EXPECT_EQ(game.holderBaseY, c.holderBaseY);
  EXPECT_EQ(game.pretenderX, c.pretenderX);
  EXPECT_EQ(game.pretenderBaseY, c.holderBaseY);

  LayoutAtSize(uint16_t(c.width), uint16_t(c.height), c.width, c.height);
  EXPECT_EQ(game.boardOriginX, c.originX);
  EXPECT_EQ(game.boardOriginY, c.originY);
  EXPECT_EQ(game.scoreBoxX, c.scoreBoxX);
  EXPECT_EQ(game.previewX, c.previewX);
  EXPECT_EQ(game.holderX, c.holderX);
  EXPECT_EQ(game.holderBaseY, c.holderBaseY);
  EXPECT_EQ(game.pretenderX, c.pretenderX);
  EXPECT_EQ(game.pretenderBaseY, c.holderBaseY);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Layout,
    ::testing::Values(LayoutCase{"StartSize", 612, 374, 142, 45, 516, 252, 42, 304, 512},
                      // (327 - 328) / 2 truncates to 0, not -1.
                      LayoutCase{"JustNarrowerThanTheBoard", 327, 375, 0, 46, 231, 109, -29, 304,
                                 299},
                      LayoutCase{"Minimised", 0, 0, -164, -142, -96, -54, -111, 117, 53},
                      LayoutCase{"Wide", 1000, 700, 336, 208, 904, 446, 139, 467, 803}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST_F(RulesTest, CreationResetsTheRaceAndShowsThePreview) {
  game.showNext = 0;
  game.holderLevel = 40;
  game.holderFrame = 6;
  game.pretenderLevel = 3;
  game.pretenderFrame = 6;
  LayoutAtCreate(612, 374);
  EXPECT_EQ(game.showNext, 1);
  EXPECT_EQ(game.holderLevel, 0);
  EXPECT_EQ(game.holderFrame, 0);
  EXPECT_EQ(game.pretenderLevel, 125);
  EXPECT_EQ(game.pretenderFrame, 0);
}

TEST_F(RulesTest, ResizingKeepsLevelsFramesAndFixedRows) {
  game.showNext = 0;
  game.holderLevel = 40;
  game.holderFrame = 6;
  game.pretenderLevel = 3;
  game.pretenderFrame = 5;
  game.scoreBoxY = 11;
  game.previewY = 6;
  LayoutAtSize(800, 600, 800, 600);
  EXPECT_EQ(game.showNext, 0);
  EXPECT_EQ(game.holderLevel, 40);
  EXPECT_EQ(game.holderFrame, 6);
  EXPECT_EQ(game.pretenderLevel, 3);
  EXPECT_EQ(game.pretenderFrame, 5);
  EXPECT_EQ(game.scoreBoxY, 11);
  EXPECT_EQ(game.previewY, 6);
}

TEST_F(RulesTest, SizeWordsAreReadUnsigned) {
  // 65535 as a signed word would be -1 and put the board far to the left.
  LayoutAtSize(65535, 65535, 612, 374);
  EXPECT_EQ(game.boardOriginX, (65535 - 328) / 2);
  EXPECT_EQ(game.boardOriginY, (65535 - 376) / 2 + 46);
  EXPECT_EQ(game.scoreBoxX, 516) << "the rest comes from the client rectangle";
}

}  // namespace
