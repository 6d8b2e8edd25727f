// The top panel, the score boxes, the bevels and the preview.
#include <cstdint>

#include "render/draw.h"
#include "render/render_test_support.h"

namespace {

class DrawPanelTest : public DrawTest {};

const char COLOUR_LABEL_GBK[] = "\xD1\xD5\xC9\xAB";          // 颜色
const char NEXT_LABEL_GBK[] = "\xCF\xC2\xD2\xBB\xB2\xBD";    // 下一步

TEST_F(DrawPanelTest, BevelDrawsPenAOnLeftAndTopThenPenBOnBottomAndRight) {
  HPEN a = CreatePen(PS_SOLID, 1, 0x111111);  // pen1
  HPEN b = CreatePen(PS_SOLID, 1, 0x222222);  // pen2
  HPEN before = CreatePen(PS_SOLID, 1, 0x333333);  // pen3, selected by the caller
  SelectObject(dc, before);
  DrawBevel(dc, 10, 20, 81, 43, a, b);

  std::vector<FakeLine> expected = {
      {"window", "pen1", 10, 43, 10, 20},
      {"window", "pen1", 10, 20, 81, 20},
      {"window", "pen2", 11, 43, 81, 43},
      {"window", "pen2", 81, 43, 81, 20},
  };
  EXPECT_EQ(FakeGdiLines(), expected);
  EXPECT_EQ(FakeGdiSelected(dc, "pen"), "pen3");
  // The pens are the caller's: the bevel deletes none of them.
  EXPECT_EQ(FakeGdiLiveObjects().size(), 3u);
  EXPECT_TRUE(FakeGdiErrors().empty());
}

struct ScoreBoxCase {
  int x, y;
  uint32_t value;
  const char* digits;
};

TEST_F(DrawPanelTest, ScoreBoxFieldBevelsAndDigits) {
  const ScoreBoxCase cases[] = {
      {516, 10, 0, "0"},
      {24, 10, 100, "100"},
      {-96, 10, 4294967295u, "4294967295"},
      {0, 0, 1000000000u, "1000000000"},
  };
  for (const ScoreBoxCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "box at " << c.x << "," << c.y << " value " << c.value);
    SetUp();
    DrawScoreBox(dc, c.x, c.y, c.value);
    const int x = c.x, y = c.y;

    ASSERT_EQ(FakeGdiFills().size(), 1u);
    EXPECT_TRUE(SameRect(FakeGdiFills()[0].rect, x + 4, y + 4, x + 68, y + 20))
        << FakeGdiFills()[0].rect;
    EXPECT_EQ(FakeGdiFills()[0].brush, "BLACK_BRUSH");

    ASSERT_EQ(FakeGdiObjects().size(), 2u);
    EXPECT_EQ(PenColour("pen1"), TEST_HIGHLIGHT);
    EXPECT_EQ(PenColour("pen2"), TEST_SHADOW);
    std::vector<FakeLine> expected = {
        // outer, raised: 72 x 24
        {"window", "pen1", x, y + 23, x, y},
        {"window", "pen1", x, y, x + 71, y},
        {"window", "pen2", x + 1, y + 23, x + 71, y + 23},
        {"window", "pen2", x + 71, y + 23, x + 71, y},
        // inner, sunken
        {"window", "pen2", x + 3, y + 20, x + 3, y + 3},
        {"window", "pen2", x + 3, y + 3, x + 68, y + 3},
        {"window", "pen1", x + 4, y + 20, x + 68, y + 20},
        {"window", "pen1", x + 68, y + 20, x + 68, y + 3},
    };
    EXPECT_EQ(FakeGdiLines(), expected);

    ASSERT_EQ(FakeGdiTexts().size(), 1u);
    const FakeText& t = FakeGdiTexts()[0];
    EXPECT_EQ(t.bytes, c.digits);
    EXPECT_EQ(t.length, -1);
    // Right edge 8 pixels inside the 64-pixel black field.
    EXPECT_TRUE(SameRect(t.rect, x + 4, y + 4, x + 60, y + 20)) << t.rect;
    EXPECT_EQ(t.format, DT_RIGHT);
    EXPECT_EQ(t.textColour, WHITE);
    EXPECT_EQ(t.bkMode, TRANSPARENT);
    ExpectCleanDevice();
  }
}

TEST_F(DrawPanelTest, CurrentScoreBoxOfA612WideWindowByHand) {
  DrawScoreBox(dc, 516, 10, 0);
  EXPECT_TRUE(SameRect(FakeGdiFills()[0].rect, 520, 14, 584, 30));
  EXPECT_TRUE(SameRect(FakeGdiTexts()[0].rect, 520, 14, 576, 30));
  EXPECT_EQ(FakeGdiLines()[1], (FakeLine{"window", "pen1", 516, 10, 587, 10}));
}

TEST_F(DrawPanelTest, FieldIsFilledBeforeTheDigitsAreDrawn) {
  DrawScoreBox(dc, 24, 10, 7);
  const std::vector<std::string>& calls = FakeCalls();
  size_t fill = calls.size(), text = calls.size();
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind("> FillRect", 0) == 0) fill = i;
    if (calls[i].rfind("> DrawTextA", 0) == 0) text = i;
  }
  ASSERT_LT(text, calls.size());
  EXPECT_LT(fill, text);
}

TEST_F(DrawPanelTest, ManyScoreBoxesLeaveNoObjectsBehind) {
  for (uint32_t v = 0; v < 100; ++v) DrawScoreBox(dc, 516, 10, v);
  EXPECT_EQ(FakeGdiObjects().size(), 200u);
  ExpectCleanDevice();
}

TEST_F(DrawPanelTest, PreviewShowsSmallBallsOfTheQueueWhenOn) {
  game.previewX = 252;
  game.previewY = 5;
  game.showNext = 1;
  game.NextQueue[0] = 3;
  game.NextQueue[1] = 7;
  game.NextQueue[2] = 1;
  DrawPreview(dc);
  std::vector<FakeBlit> expected = {
      Sheet(252, 5, 36, 36, 108, 441),
      Sheet(288, 5, 36, 36, 252, 441),
      Sheet(324, 5, 36, 36, 36, 441),
  };
  EXPECT_EQ(FakeGdiBlits(), expected);
  EXPECT_TRUE(FakeGdiTexts().empty());
  ExpectCleanDevice();
}

TEST_F(DrawPanelTest, PreviewShowsThreeEmptyTilesWhenOff) {
  game.previewX = 256;
  game.previewY = 5;
  game.showNext = 0;
  game.NextQueue[0] = 3;
  game.NextQueue[1] = 7;
  game.NextQueue[2] = 1;
  DrawPreview(dc);
  std::vector<FakeBlit> expected = {
      Sheet(256, 5, 36, 36, 0, 225),
      Sheet(292, 5, 36, 36, 0, 225),
      Sheet(328, 5, 36, 36, 0, 225),
  };
  EXPECT_EQ(FakeGdiBlits(), expected);
  // Only the preview: no labels, no boxes.
  EXPECT_TRUE(FakeGdiTexts().empty());
  EXPECT_TRUE(FakeGdiFills().empty());
}

class PanelLayoutTest : public DrawPanelTest {
 protected:
  void DrawAt(int clientWidth, int previewX, int32_t best) {
    FakeGdiSetClientSize(clientWidth, 374);
    game.previewX = previewX;
    game.bestScore = best;
    DrawPanel(window, dc);
  }
};

TEST_F(PanelLayoutTest, StripIsFilledWithTheFaceColourAcrossTheClientWidth) {
  DrawAt(612, 252, 100);
  ASSERT_EQ(FakeGdiFills().size(), 2u);  // the strip, then the best-score field
  const FakeFill& strip = FakeGdiFills()[0];
  EXPECT_TRUE(SameRect(strip.rect, 0, 0, 612, 43)) << strip.rect;
  EXPECT_EQ(strip.brush, "brush1");
  EXPECT_EQ(strip.brushColour, TEST_FACE);
}

TEST_F(PanelLayoutTest, FourLinesRunOnePixelPastTheRightEdge) {
  DrawAt(612, 252, 100);
  // pen1 = highlight, pen2 = shadow; the score box's pens come after.
  EXPECT_EQ(PenColour("pen1"), TEST_HIGHLIGHT);
  EXPECT_EQ(PenColour("pen2"), TEST_SHADOW);
  std::vector<FakeLine> panelLines(FakeGdiLines().begin(), FakeGdiLines().begin() + 4);
  std::vector<FakeLine> expected = {
      {"window", "pen2", 0, 0, 613, 0},
      {"window", "pen1", 0, 1, 613, 1},
      {"window", "pen2", 0, 43, 613, 43},
      {"window", "pen1", 0, 42, 613, 42},
  };
  EXPECT_EQ(panelLines, expected);
  EXPECT_EQ(FakeGdiLines().size(), 12u);  // and the best-score box's eight
}

struct LabelCase {
  int clientWidth, previewX;
};

TEST_F(PanelLayoutTest, LabelsAreEmbossedGbkTextsBesideThePreview) {
  const LabelCase cases[] = {{612, 252}, {620, 256}, {1000, 446}, {0, -54}};
  for (const LabelCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "preview at " << c.previewX);
    SetUp();
    DrawAt(c.clientWidth, c.previewX, 100);
    const int px = c.previewX;
    ASSERT_EQ(FakeGdiTexts().size(), 5u);

    const FakeText* t = FakeGdiTexts().data();
    // 颜色, right-aligned: the shadow copy one pixel right and down.
    EXPECT_EQ(t[0].bytes, std::string(COLOUR_LABEL_GBK, 4));
    EXPECT_EQ(t[0].length, 4);
    EXPECT_TRUE(SameRect(t[0].rect, px - 79, 15, px - 15, 31)) << t[0].rect;
    EXPECT_EQ(t[0].format, DT_RIGHT);
    EXPECT_EQ(t[0].textColour, TEST_SHADOW);
    EXPECT_EQ(t[1].bytes, std::string(COLOUR_LABEL_GBK, 4));
    EXPECT_EQ(t[1].length, 4);
    EXPECT_TRUE(SameRect(t[1].rect, px - 79, 14, px - 16, 31)) << t[1].rect;
    EXPECT_EQ(t[1].format, DT_RIGHT);
    EXPECT_EQ(t[1].textColour, WHITE);

    // 下一步, left-aligned (format 0).
    EXPECT_EQ(t[2].bytes, std::string(NEXT_LABEL_GBK, 6));
    EXPECT_EQ(t[2].length, 6);
    EXPECT_TRUE(SameRect(t[2].rect, px + 125, 15, px + 189, 31)) << t[2].rect;
    EXPECT_EQ(t[2].format, 0u);
    EXPECT_EQ(t[2].textColour, TEST_SHADOW);
    EXPECT_EQ(t[3].bytes, std::string(NEXT_LABEL_GBK, 6));
    EXPECT_EQ(t[3].length, 6);
    EXPECT_TRUE(SameRect(t[3].rect, px + 124, 14, px + 189, 31)) << t[3].rect;
    EXPECT_EQ(t[3].format, 0u);
    EXPECT_EQ(t[3].textColour, WHITE);

    for (int i = 0; i < 4; ++i) EXPECT_EQ(t[i].bkMode, TRANSPARENT) << "label text " << i;
  }
}

TEST_F(PanelLayoutTest, LabelRectanglesOfA612WideWindowByHand) {
  DrawAt(612, 252, 100);
  const FakeText* t = FakeGdiTexts().data();
  EXPECT_TRUE(SameRect(t[0].rect, 173, 15, 237, 31));
  EXPECT_TRUE(SameRect(t[1].rect, 173, 14, 236, 31));
  EXPECT_TRUE(SameRect(t[2].rect, 377, 15, 441, 31));
  EXPECT_TRUE(SameRect(t[3].rect, 376, 14, 441, 31));
}

TEST_F(PanelLayoutTest, BestScoreBoxStaysAtItsFixedPlaceWhateverTheWidth) {
  for (int width : {612, 1000}) {
    SetUp();
    DrawAt(width, (width - 108) / 2, 345);
    ASSERT_EQ(FakeGdiTexts().size(), 5u);
    EXPECT_EQ(FakeGdiTexts()[4].bytes, "345");
    EXPECT_TRUE(SameRect(FakeGdiTexts()[4].rect, 28, 14, 84, 30));
    EXPECT_TRUE(SameRect(FakeGdiFills()[1].rect, 28, 14, 92, 30));
  }
}

TEST_F(PanelLayoutTest, NoCurrentScoreBoxAndNoPreviewInThePanel) {
  game.score = 777;
  DrawAt(612, 252, 100);
  EXPECT_TRUE(FakeGdiBlits().empty());
  for (const FakeText& t : FakeGdiTexts()) EXPECT_NE(t.bytes, "777");
}

TEST_F(PanelLayoutTest, PanelDeletesItsBrushAndAllPensAndRestoresThePen) {
  DrawAt(612, 252, 100);
  // Brush and two pens of the panel, two pens of the best-score box.
  EXPECT_EQ(FakeGdiObjects().size(), 5u);
  ExpectCleanDevice();
}

TEST_F(PanelLayoutTest, SystemColoursAreReadAtEachDrawing) {
  DrawAt(612, 252, 100);
  FakeGdiSetSysColor(COLOR_BTNFACE, 0x123456);
  FakeGdiSetSysColor(COLOR_BTNSHADOW, 0x654321);
  DrawPanel(window, dc);
  EXPECT_EQ(FakeGdiFills()[2].brushColour, 0x123456u);
  EXPECT_EQ(FakeGdiTexts()[5].textColour, 0x654321u);
}

}  // namespace
