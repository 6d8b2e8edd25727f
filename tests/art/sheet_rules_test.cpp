// The drawn sheet keeps the rules the game's drawing relies on: pictures
// at their places, white index 0 elsewhere, caps over the pillar, plain
// rows where figures sink, overlays that match the body.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

#include "art.h"
#include "sheet_composer.h"
#include "sheet_layout.h"

namespace {

using namespace sheet;

class SheetRules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    rgb_ = new RgbImage(ComposeSheet());
    indexed_ = new IndexedImage(QuantizeSheet(rgb_->width, rgb_->height, rgb_->rgb, SHEET_COLOURS));
  }
  static void TearDownTestSuite() {
    delete rgb_;
    delete indexed_;
  }
  static int Index(int x, int y) { return indexed_->pixels[static_cast<size_t>(y) * WIDTH + x]; }
  static int Black() { return indexed_->usedColours - 1; }
  static const RgbImage* rgb_;
  static const IndexedImage* indexed_;
};
const RgbImage* SheetRules::rgb_ = nullptr;
const IndexedImage* SheetRules::indexed_ = nullptr;

TEST_F(SheetRules, PaletteHasWhiteFirstBlackLastAndUnusedBlack) {
  const IndexedImage& s = *indexed_;
  ASSERT_EQ(s.palette.size(), 768u);
  EXPECT_LE(s.usedColours, 234);
  EXPECT_GT(s.usedColours, 100) << "too few colours for shaded art";
  EXPECT_EQ(s.palette[0], 255);
  EXPECT_EQ(s.palette[1], 255);
  EXPECT_EQ(s.palette[2], 255);
  for (int i = 3 * Black(); i < 768; ++i) EXPECT_EQ(s.palette[i], 0) << "entry " << i / 3;
  std::set<int> used(s.pixels.begin(), s.pixels.end());
  EXPECT_EQ(static_cast<int>(used.size()), s.usedColours);
  EXPECT_EQ(*used.rbegin(), s.usedColours - 1);
}

TEST_F(SheetRules, EverythingOutsideThePicturesIsIndexZero) {
  int outside = 0;
  for (int y = 0; y < HEIGHT; ++y)
    for (int x = 0; x < WIDTH; ++x)
      if (!InsidePicture(x, y)) {
        ++outside;
        ASSERT_EQ(Index(x, y), 0) << x << "," << y;
      }
  EXPECT_GT(outside, 50000);
  // The corners of the regions that touch the sheet's edges.
  EXPECT_TRUE(InsidePicture(510, 0));
  EXPECT_TRUE(InsidePicture(287, 584));
  EXPECT_FALSE(InsidePicture(288, 584));
  EXPECT_FALSE(InsidePicture(0, 0));
}

TEST_F(SheetRules, PillarRowsAreAllAlike) {
  const Rect p = PillarRect();
  for (int y = p.y + 1; y < p.y + p.h; ++y)
    for (int x = p.x; x < p.x + p.w; ++x) ASSERT_EQ(Index(x, y), Index(x, p.y)) << x << "," << y;
  // Shaded side to side: dark edges, brightest left of the middle.
  int brightest = p.x;
  for (int x = p.x; x < p.x + p.w; ++x)
    if (PillarShade(x - p.x).r > PillarShade(brightest - p.x).r) brightest = x;
  EXPECT_LT(brightest - p.x, p.w / 2);
  EXPECT_GT(brightest - p.x, 3);
  EXPECT_LT(PillarShade(0).r, 0.3);
  EXPECT_LT(PillarShade(p.w - 1).r, 0.3);
}

TEST_F(SheetRules, BottomRowsOfTheFiguresAreThePillarCap) {
  struct Case {
    Rect picture;
    int capLeft;
    int pureRows;
  };
  std::vector<Case> cases;
  for (int k = 0; k < POSES; ++k) cases.push_back({PoseRect(k), HOLDER_CAP_LEFT, k == 6 ? 1 : CAP_ROWS});
  cases.push_back({BodyRect(), BODY_CAP_LEFT, CAP_ROWS});
  const Rect pillar = PillarRect();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "picture at x " << c.picture.x << " y " << c.picture.y);
    for (int row = POSE_H - c.pureRows; row < POSE_H; ++row)
      for (int col = 0; col < POSE_W; ++col) {
        const int got = Index(c.picture.x + col, c.picture.y + row);
        const bool onCap = col >= c.capLeft && col < c.capLeft + PILLAR_W;
        const int want = onCap ? Index(pillar.x + col - c.capLeft, pillar.y) : Black();
        ASSERT_EQ(got, want) << "column " << col << " row " << row;
      }
    // Pose 6 covers the cap above its last row.
    if (c.pureRows == 1) {
      bool covered = false;
      for (int col = c.capLeft; col < c.capLeft + PILLAR_W; ++col)
        covered |= Index(c.picture.x + col, c.picture.y + POSE_H - 3) != Index(pillar.x + col - c.capLeft, pillar.y);
      EXPECT_TRUE(covered) << "the slumped figure should sit over its cap";
    }
  }
}

TEST_F(SheetRules, TopRowsOfSinkingFiguresArePlainBackground) {
  struct Case {
    Rect picture;
    int plainRows;
  };
  for (const Case& c : {Case{PoseRect(6), 22}, Case{BodyRect(), 14}}) {
    SCOPED_TRACE(testing::Message() << "picture at x " << c.picture.x << " y " << c.picture.y);
    for (int row = 0; row < c.plainRows; ++row)
      for (int col = 0; col < POSE_W; ++col) ASSERT_EQ(Index(c.picture.x + col, c.picture.y + row), Black()) << col << "," << row;
  }
  // Every figure has something drawn in its middle.
  for (int k = 0; k < POSES; ++k) EXPECT_NE(Index(PoseRect(k).x + 29, 70), Black()) << "pose " << k;
}

TEST_F(SheetRules, OverlaysMatchTheBodyWhereNothingChanges) {
  const Rect body = BodyRect();
  auto sameAsBody = [&](int m, int col, int row) {
    const Rect o = OverlayRect(m);
    return Index(o.x + col, o.y + row) == Index(body.x + col, body.y + OVERLAY_BODY_ROW + row);
  };
  // Stage 1 is the plain body.
  for (int row = 0; row < OVERLAY_H; ++row)
    for (int col = 0; col < OVERLAY_W; ++col) ASSERT_TRUE(sameAsBody(1, col, row)) << col << "," << row;
  for (int m = 2; m <= OVERLAYS; ++m) {
    SCOPED_TRACE(testing::Message() << "overlay " << m);
    int changed = 0;
    for (int row = 0; row < OVERLAY_H; ++row)
      for (int col = 0; col < OVERLAY_W; ++col) changed += !sameAsBody(m, col, row);
    EXPECT_GT(changed, 20) << "the crown should show";
    EXPECT_LT(changed, OVERLAY_W * OVERLAY_H / 3) << "too much differs from the body";
    // The cloak and badge below the head never change.
    for (int row = 52; row < OVERLAY_H; ++row)
      for (int col = 31; col < OVERLAY_W; ++col) ASSERT_TRUE(sameAsBody(m, col, row)) << col << "," << row;
  }
  // Each stage drawn whole differs from the body only where its overlay lies.
  const RgbImage plain = RenderPicture(POSE_W, POSE_H, [](cairo_t* cr) { DrawPretenderFigure(cr, 0); });
  for (int m = 1; m <= OVERLAYS; ++m) {
    const RgbImage stage = RenderPicture(POSE_W, POSE_H, [&](cairo_t* cr) { DrawPretenderFigure(cr, m); });
    for (int y = 0; y < POSE_H; ++y)
      for (int x = 0; x < POSE_W; ++x) {
        if (x < OVERLAY_W && y >= OVERLAY_BODY_ROW && y < OVERLAY_BODY_ROW + OVERLAY_H) continue;
        ASSERT_EQ(0, std::memcmp(plain.At(x, y), stage.At(x, y), 3)) << "stage " << m << " at " << x << "," << y;
      }
  }
}

// The tile's border in every cell picture, and the bare tile in column 0.
TEST_F(SheetRules, EveryCellIsTheRaisedTile) {
  auto rgbAt = [&](int x, int y) {
    const uint8_t* p = rgb_->At(x, y);
    return (p[0] << 16) | (p[1] << 8) | p[2];
  };
  for (int c = 0; c < COLOURS; ++c)
    for (int f = 0; f < FRAMES; ++f) {
      const Rect r = CellRect(c, f);
      SCOPED_TRACE(testing::Message() << "colour " << c << " frame " << f);
      for (int i = 0; i < CELL; ++i) {
        ASSERT_EQ(rgbAt(r.x + 35, r.y + i), 0x000000);
        ASSERT_EQ(rgbAt(r.x + i, r.y + 35), 0x000000);
        if (i >= 1 && i < 35) {
          ASSERT_EQ(rgbAt(r.x + 34, r.y + i), 0x555555);
          ASSERT_EQ(rgbAt(r.x + i, r.y + 34), 0x555555);
        }
        if (i < 34)
          for (int j = 0; j < 2; ++j) {
            ASSERT_EQ(rgbAt(r.x + i, r.y + j), 0xFFFFFF);
            ASSERT_EQ(rgbAt(r.x + j, r.y + i), 0xFFFFFF);
          }
      }
      ASSERT_EQ(rgbAt(r.x + 2, r.y + 2), 0xAAAAAA);
      ASSERT_EQ(rgbAt(r.x + 33, r.y + 2), 0xAAAAAA);
      if (c == 0) {
        for (int y = 2; y < 34; ++y)
          for (int x = 2; x < 34; ++x) ASSERT_EQ(rgbAt(r.x + x, r.y + y), 0xAAAAAA);
      }
    }
}

// Where in a cell's row or column the ball covers the tile's face.
struct Extent {
  int first = -1, last = -1;
  int Size() const { return first < 0 ? 0 : last - first + 1; }
};

Extent BallExtent(const RgbImage& s, int c, int f, bool across, int line) {
  const Rect r = CellRect(c, f);
  Extent e;
  for (int i = 2; i < 34; ++i) {
    const uint8_t* p = across ? s.At(r.x + i, r.y + line) : s.At(r.x + line, r.y + i);
    const int diff = std::abs(p[0] - 170) + std::abs(p[1] - 170) + std::abs(p[2] - 170);
    if (diff > 60) {
      if (e.first < 0) e.first = i;
      e.last = i;
    }
  }
  return e;
}

TEST_F(SheetRules, BallsHaveTheirSizesInEveryFrame) {
  for (int c = 1; c < COLOURS; ++c) {
    SCOPED_TRACE(testing::Message() << "colour " << c);
    const Extent rest = BallExtent(*rgb_, c, 0, false, 18);
    EXPECT_NEAR(rest.first, 4, 1);
    EXPECT_NEAR(rest.last, 31, 1);
    EXPECT_NEAR(BallExtent(*rgb_, c, 0, true, 18).Size(), 28, 1);
    EXPECT_NEAR(BallExtent(*rgb_, c, 6, true, 18).Size(), 15, 1);
    EXPECT_NEAR(BallExtent(*rgb_, c, 7, true, 18).Size(), 21, 1);
    // The bounce: squashed wider than tall at its lowest, lifted to the top in 5.
    const Extent lowWide = BallExtent(*rgb_, c, 2, true, 22), lowTall = BallExtent(*rgb_, c, 2, false, 18);
    EXPECT_GT(lowWide.Size(), lowTall.Size() + 6);
    EXPECT_GT(lowTall.first, rest.first + 4);
    for (int f = 1; f <= 3; ++f) EXPECT_GT(BallExtent(*rgb_, c, f, false, 18).first, rest.first) << "frame " << f;
    EXPECT_LT(BallExtent(*rgb_, c, 5, false, 18).first, rest.first);
    EXPECT_LE(BallExtent(*rgb_, c, 5, false, 18).first, 2);
  }
}

TEST_F(SheetRules, BallColoursAreDistinctAndNamed) {
  // The lit side of each resting ball, in the order green, red, blue, yellow,
  // cyan, magenta, brown.
  struct Want {
    int r, g, b;  // +1 strong, 0 any, -1 weak
  };
  const Want want[8] = {{0, 0, 0}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, 1}, {1, 1, -1}, {-1, 1, 1}, {1, -1, 1}, {0, -1, -1}};
  std::vector<std::array<int, 3>> seen;
  for (int c = 1; c < COLOURS; ++c) {
    const Rect r = CellRect(c, 0);
    const uint8_t* p = rgb_->At(r.x + 21, r.y + 21);
    const int v[3] = {p[0], p[1], p[2]};
    for (int ch = 0; ch < 3; ++ch) {
      const int w = ch == 0 ? want[c].r : ch == 1 ? want[c].g : want[c].b;
      if (w > 0) {
        EXPECT_GT(v[ch], 120) << "colour " << c << " channel " << ch;
      }
      if (w < 0) {
        EXPECT_LT(v[ch], 110) << "colour " << c << " channel " << ch;
      }
    }
    for (const auto& o : seen)
      EXPECT_GT(std::abs(o[0] - v[0]) + std::abs(o[1] - v[1]) + std::abs(o[2] - v[2]), 90) << "colour " << c;
    seen.push_back({v[0], v[1], v[2]});
  }
}

TEST(SheetDrawing, IsTheSameOnEveryRun) {
  const IndexedImage a = BuildSheet(), b = BuildSheet();
  EXPECT_EQ(a.palette, b.palette);
  EXPECT_EQ(a.pixels, b.pixels);
}

}  // namespace
