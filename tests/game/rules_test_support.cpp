#include "rules_test_support.h"

#include <cstring>

#include "fakes/fake_dialogs.h"
#include "fakes/fake_log.h"
#include "game/move_turn.h"
#include "render/layout.h"

HDC const DC = reinterpret_cast<HDC>(0x10);
HWND const WINDOW = reinterpret_cast<HWND>(0x20);
HWND const STATISTICS = reinterpret_cast<HWND>(0x30);

void ResetGame() {
  std::memset(&game, 0, sizeof game);
  std::memset(holderName, 0, sizeof holderName);
  std::memset(playerName, 0, sizeof playerName);
  std::strcpy(playerName, "Pretender");
  game.boardOriginX = 146;
  game.boardOriginY = 68;
  LayoutAtCreate(612, 374);
  LayoutAtSize(612, 374, 612, 374);
  FakeSetIconic(false);
  FakeSetNameAnswer(nullptr);
  FakeClear();
  FakeWindowsReset();
}

void SetBoard(const std::string& picture) {
  int i = 0;
  for (char ch : picture) {
    if (ch == ' ' || ch == '\n') continue;
    ASSERT_LT(i, CELL_COUNT) << "picture too long";
    game.Board[i++] = ch == '.' ? 0 : Cell(ch - '0');
  }
  ASSERT_EQ(i, CELL_COUNT) << "picture too short";
}

std::string BoardPicture() {
  std::string out;
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int column = 0; column < BOARD_SIZE; ++column) {
      Cell c = At(column, row);
      out += c == 0 ? '.' : c <= 9 ? char('0' + c) : '?';
    }
    out += '\n';
  }
  return out;
}

std::vector<Cell> BoardBytes() { return std::vector<Cell>(game.Board, game.Board + CELL_COUNT); }

Cell At(int column, int row) { return game.Board[CellIndex(column, row)]; }
void Put(int column, int row, Cell value) { game.Board[CellIndex(column, row)] = value; }

void FillWithoutRuns() {
  // Along a row neighbours differ by 1, down a column by 2, along the two
  // diagonals by 3 and 1 (mod 7): never the same colour.
  for (int row = 0; row < BOARD_SIZE; ++row)
    for (int column = 0; column < BOARD_SIZE; ++column)
      Put(column, row, Cell((column + 2 * row) % 7 + 1));
}

int LongestRun() {
  static const int STEPS[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
  int longest = 0;
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int column = 0; column < BOARD_SIZE; ++column) {
      Cell colour = At(column, row);
      if (colour == 0) continue;
      for (const auto& s : STEPS) {
        int run = 0;
        int c = column, r = row;
        while (c >= 0 && c < 9 && r >= 0 && r < 9 && At(c, r) == colour) {
          ++run;
          c += s[0];
          r += s[1];
        }
        if (run > longest) longest = run;
      }
    }
  }
  return longest;
}

LPARAM PointOf(int column, int row, int dx, int dy) {
  return MAKELPARAM(game.boardOriginX + CELL_SIZE * column + dx,
                    game.boardOriginY + CELL_SIZE * row + dy);
}

void Press(int column, int row) { OnLeftButtonDown(WINDOW, DC, PointOf(column, row)); }
void Release(int column, int row) { OnLeftButtonUp(WINDOW, DC, PointOf(column, row)); }
void Click(int column, int row) {
  Press(column, row);
  Release(column, row);
}

const Log& Calls() { return FakeCalls(); }

Log CallsStarting(const std::string& prefix) {
  Log out;
  for (const std::string& line : FakeCalls())
    if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
  return out;
}

int CountCalls(const std::string& line) {
  int n = 0;
  for (const std::string& l : FakeCalls())
    if (l == line) ++n;
  return n;
}

Log AppearFrames(int column, int row) {
  std::string cell = "> DrawCell " + std::to_string(column) + " " + std::to_string(row) + " ";
  return {cell + "6", "> Sleep 50", cell + "7", "> Sleep 50", cell + "0"};
}

Log Repeat(const Log& lines, int n) {
  Log out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), lines.begin(), lines.end());
  return out;
}

Log Joined(std::initializer_list<Log> parts) {
  Log out;
  for (const Log& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
