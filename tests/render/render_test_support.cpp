#include "render/render_test_support.h"

#include "fakes/fake_dialogs.h"
#include "fakes/fake_log.h"

bool operator==(const FakeLine& a, const FakeLine& b) {
  return a.dc == b.dc && a.pen == b.pen && a.fromX == b.fromX && a.fromY == b.fromY &&
         a.toX == b.toX && a.toY == b.toY;
}

bool operator==(const FakeBlit& a, const FakeBlit& b) {
  return a.dest == b.dest && a.x == b.x && a.y == b.y && a.width == b.width &&
         a.height == b.height && a.source == b.source && a.sourceX == b.sourceX &&
         a.sourceY == b.sourceY && a.rop == b.rop;
}

std::ostream& operator<<(std::ostream& out, const FakeLine& l) {
  return out << l.dc << " " << l.pen << " (" << l.fromX << "," << l.fromY << ")->(" << l.toX
             << "," << l.toY << ")";
}

std::ostream& operator<<(std::ostream& out, const FakeBlit& b) {
  return out << b.dest << " (" << b.x << "," << b.y << ") " << b.width << "x" << b.height
             << " from " << b.source << " (" << b.sourceX << "," << b.sourceY << ") rop " << std::hex
             << b.rop << std::dec;
}

std::ostream& operator<<(std::ostream& out, const RECT& r) {
  return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

bool SameRect(const RECT& a, int left, int top, int right, int bottom) {
  return a.left == left && a.top == top && a.right == right && a.bottom == bottom;
}

void DrawTest::SetUp() {
  game = GameState{};
  FakeGdiReset();
  FakeClear();
  FakeWindowsReset();
  FakeGdiName(dc, "window");
  FakeGdiName(sheetDc, "sheet");
  game.spriteDC = sheetDc;
  FakeGdiSetSysColor(COLOR_BTNFACE, TEST_FACE);
  FakeGdiSetSysColor(COLOR_BTNSHADOW, TEST_SHADOW);
  FakeGdiSetSysColor(COLOR_BTNHIGHLIGHT, TEST_HIGHLIGHT);
}

void DrawTest::TearDown() { game = GameState{}; }

COLORREF DrawTest::PenColour(const std::string& name) const {
  for (const FakeObject& o : FakeGdiObjects())
    if (o.name == name && o.kind == "pen") return o.colour;
  ADD_FAILURE() << "no pen " << name;
  return 0xFFFFFFFF;
}

void DrawTest::ExpectCleanDevice() const {
  EXPECT_TRUE(FakeGdiLiveObjects().empty())
      << "left alive: " << ::testing::PrintToString(FakeGdiLiveObjects());
  EXPECT_TRUE(FakeGdiErrors().empty()) << ::testing::PrintToString(FakeGdiErrors());
  EXPECT_EQ(FakeGdiSelected(dc, "pen"), "BLACK_PEN");
}
