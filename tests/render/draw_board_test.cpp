// The board frame and its cells.
#include "render/draw.h"
#include "render/render_test_support.h"

namespace {

class DrawBoardTest : public DrawTest {};

struct FrameCase {
  int x, y;
};

// The preset origin, the one of a 612 x 374 client area, and that of a
// minimised window (0 x 0 client area).
const FrameCase FRAME_CASES[] = {{146, 68}, {142, 45}, {-164, -142}};

TEST_F(DrawBoardTest, FrameIsGreyBottomRightThenWhiteTopLeftWithExcludedEnds) {
  for (const FrameCase& c : FRAME_CASES) {
    SCOPED_TRACE(::testing::Message() << "origin " << c.x << "," << c.y);
    SetUp();
    game.boardOriginX = c.x;
    game.boardOriginY = c.y;
    DrawBoard(dc);

    const int x = c.x, y = c.y;
    std::vector<FakeLine> expected = {
        {"window", "pen1", x, y + 327, x + 327, y + 327},
        {"window", "pen1", x + 327, y + 327, x + 327, y},
        {"window", "WHITE_PEN", x + 327, y, x, y},
        {"window", "WHITE_PEN", x, y, x, y + 328},
    };
    EXPECT_EQ(FakeGdiLines(), expected);
    ASSERT_EQ(FakeGdiObjects().size(), 1u);
    EXPECT_EQ(PenColour("pen1"), 0x555555u);
    ExpectCleanDevice();
  }
}

TEST_F(DrawBoardTest, PresetOriginFrameCorners) {
  // With the preset origin the frame spans 146..473 and 68..395.
  game.boardOriginX = 146;
  game.boardOriginY = 68;
  DrawBoard(dc);
  ASSERT_EQ(FakeGdiLines().size(), 4u);
  EXPECT_EQ(FakeGdiLines()[0], (FakeLine{"window", "pen1", 146, 395, 473, 395}));
  EXPECT_EQ(FakeGdiLines()[3], (FakeLine{"window", "WHITE_PEN", 146, 68, 146, 396}));
}

TEST_F(DrawBoardTest, EveryCellIsCopiedInRowMajorOrderAtRestWithItsColourBits) {
  game.boardOriginX = 142;
  game.boardOriginY = 45;
  for (int i = 0; i < CELL_COUNT; ++i) {
    Cell v = static_cast<Cell>(i % 8);
    if (i % 5 == 0 && v != 0) v |= CELL_MARK;  // marked balls keep their colour
    game.Board[i] = v;
  }
  DrawBoard(dc);

  const std::vector<FakeBlit>& blits = FakeGdiBlits();
  ASSERT_EQ(blits.size(), 81u);
  for (int row = 0; row < 9; ++row) {
    for (int column = 0; column < 9; ++column) {
      int i = row * 9 + column;
      SCOPED_TRACE(::testing::Message() << "cell " << column << "," << row);
      EXPECT_EQ(blits[i], Sheet(144 + 36 * column, 47 + 36 * row, 36, 36, 36 * (i % 8), 225));
    }
  }
  // The first and last cells by hand: they span 144..467 and 47..370.
  EXPECT_EQ(blits[0], Sheet(144, 47, 36, 36, 0, 225));
  EXPECT_EQ(blits[80], Sheet(432, 335, 36, 36, 0, 225));  // 80 % 8 = 0
  EXPECT_EQ(blits[79], Sheet(396, 335, 36, 36, 252, 225));  // 79 % 8 = 7
}

TEST_F(DrawBoardTest, FrameComesBeforeTheCells) {
  DrawBoard(dc);
  const std::vector<std::string>& calls = FakeCalls();
  size_t lastLine = 0, firstBlit = calls.size();
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind("> LineTo", 0) == 0) lastLine = i;
    if (calls[i].rfind("> BitBlt", 0) == 0 && firstBlit == calls.size()) firstBlit = i;
  }
  EXPECT_LT(lastLine, firstBlit);
}

struct CellCase {
  Cell value;
  int frame;
  int column, row;
  int sourceX, sourceY;
  int destX, destY;
};

TEST_F(DrawBoardTest, DrawCellCopiesColourBitsInTheGivenFrame) {
  const CellCase cases[] = {
      {0, 0, 0, 0, 0, 225, 148, 70},                   // empty tile
      {1, 4, 8, 8, 36, 369, 436, 358},                 // bounce frame
      {7, 9, 4, 7, 252, 549, 292, 322},                // last frame row ends at 584
      {CELL_MARK | 3, 8, 2, 0, 108, 513, 220, 70},     // a marked ball keeps colour 3
      {CELL_MARK | 7, 9, 0, 8, 252, 549, 148, 358},
      {5, 6, 3, 3, 180, 441, 256, 178},                // spawn: small ball
      {6, 7, 5, 1, 216, 477, 328, 106},
  };
  for (const CellCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "value " << int(c.value) << " frame " << c.frame);
    SetUp();
    game.boardOriginX = 146;
    game.boardOriginY = 68;
    game.Board[c.row * 9 + c.column] = c.value;
    DrawCell(dc, c.column, c.row, c.frame);
    ASSERT_EQ(FakeGdiBlits().size(), 1u);
    EXPECT_EQ(FakeGdiBlits()[0], Sheet(c.destX, c.destY, 36, 36, c.sourceX, c.sourceY));
    EXPECT_TRUE(FakeGdiLines().empty());
    ExpectCleanDevice();
  }
}

TEST_F(DrawBoardTest, DrawCellReadsTheBoardAtRowTimesNinePlusColumn) {
  game.boardOriginX = 0;
  game.boardOriginY = 0;
  game.Board[1 * 9 + 2] = 4;  // column 2, row 1
  game.Board[2 * 9 + 1] = 6;  // column 1, row 2
  DrawCell(dc, 2, 1, 0);
  DrawCell(dc, 1, 2, 0);
  ASSERT_EQ(FakeGdiBlits().size(), 2u);
  EXPECT_EQ(FakeGdiBlits()[0], Sheet(74, 38, 36, 36, 144, 225));
  EXPECT_EQ(FakeGdiBlits()[1], Sheet(38, 74, 36, 36, 216, 225));
}

TEST_F(DrawBoardTest, RepeatedBoardsLeaveNoPens) {
  for (int i = 0; i < 20; ++i) DrawBoard(dc);
  EXPECT_EQ(FakeGdiObjects().size(), 20u);
  ExpectCleanDevice();
}

}  // namespace
