// Whole games played by a simple bot through the same press and release
// handlers the window uses, checking after every click what must hold
// between turns.
#include <cstdio>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "fakes/fake_log.h"
#include "game/move_turn.h"
#include "game/random.h"
#include "game/spawn.h"
#include "rules_test_support.h"

namespace {

std::vector<bool> Reachable(int from) {
  std::vector<bool> seen(CELL_COUNT, false);
  std::queue<int> open;
  open.push(from);
  seen[from] = true;
  while (!open.empty()) {
    int i = open.front();
    open.pop();
    const int dc[4] = {0, -1, 0, 1}, dr[4] = {-1, 0, 1, 0};
    for (int d = 0; d < 4; ++d) {
      int c = i % 9 + dc[d], r = i / 9 + dr[d];
      if (c < 0 || c > 8 || r < 0 || r > 8) continue;
      int n = CellIndex(c, r);
      if (seen[n] || game.Board[n] != 0) continue;
      seen[n] = true;
      open.push(n);
    }
  }
  return seen;
}

// The longest run a ball of this colour at `index` would stand in.
int RunThrough(int index, Cell colour) {
  static const int STEPS[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
  int longest = 0;
  for (const auto& s : STEPS) {
    int run = 1;
    for (int sign : {1, -1}) {
      int c = index % 9 + sign * s[0], r = index / 9 + sign * s[1];
      while (c >= 0 && c < 9 && r >= 0 && r < 9 && At(c, r) == colour) {
        ++run;
        c += sign * s[0];
        r += sign * s[1];
      }
    }
    if (run > longest) longest = run;
  }
  return longest;
}

struct Tally {
  int balls = 0;
  uint64_t removed = 0;
};

Tally Count() {
  Tally t;
  for (int i = 0; i < CELL_COUNT; ++i) t.balls += game.Board[i] != 0;
  for (int k = 1; k <= 7; ++k) t.removed += game.removedCounts[k];
  return t;
}

int SpawnsInLog() {
  int n = 0;
  for (const std::string& line : Calls())
    if (line.compare(0, 11, "> DrawCell ") == 0 && line.size() > 2 && line.back() == '6' &&
        line[line.size() - 2] == ' ')
      ++n;
  return n;
}

// A click at a random pixel of the cell's hit square.
void ClickAnywhereIn(int index, std::mt19937& random) {
  int dx = int(random() % CELL_SIZE), dy = int(random() % CELL_SIZE);
  LPARAM point = PointOf(index % 9, index / 9, dx, dy);
  OnLeftButtonDown(WINDOW, DC, point);
  OnLeftButtonUp(WINDOW, DC, point);
}

void CheckBetweenTurns(const char* where, int game_, int turn) {
  for (int i = 0; i < CELL_COUNT; ++i)
    ASSERT_LE(game.Board[i], 7) << where << ": game " << game_ << " turn " << turn << " cell " << i;
  ASSERT_LT(LongestRun(), 5) << where << ": game " << game_ << " turn " << turn << "\n"
                             << BoardPicture();
}

TEST_F(RulesTest, ManySeededGamesKeepTheBoardSound) {
  const int GAMES = 200;
  int gameOvers = 0, scoringMoves = 0, beeps = 0, moves = 0;
  for (int g = 0; g < GAMES; ++g) {
    ResetGame();
    game.bestScore = 100;
    std::mt19937 random(1000 + g);
    SeedRandom(uint32_t(g * 7919 + 1));
    NewGame(DC);
    CheckBetweenTurns("new game", g, 0);
    // Every ball of a game was dealt by a spawn; each one left either is
    // still on the board or was counted as removed.
    int spawned = SpawnsInLog();
    ASSERT_EQ(Count().balls + int(Count().removed), spawned);

    for (int turn = 0; turn < 400; ++turn) {
      std::vector<int> balls, empties;
      for (int i = 0; i < CELL_COUNT; ++i) (game.Board[i] ? balls : empties).push_back(i);
      ASSERT_FALSE(balls.empty());
      ASSERT_FALSE(empties.empty());

      // Sometimes first select another ball, so reselection is exercised.
      if (random() % 4 == 0) {
        ClickAnywhereIn(balls[random() % balls.size()], random);
        ASSERT_EQ(game.selectionState, 1);
      }
      // Mostly the move that makes the longest run, else a random one,
      // now and then to a cell it cannot reach.
      int from = -1, to = -1;
      if (random() % 4 != 0) {
        int best = 0;
        for (int b : balls) {
          std::vector<bool> reach = Reachable(b);
          Cell colour = game.Board[b];
          game.Board[b] = 0;  // the ball leaves its cell
          for (int e : empties) {
            if (!reach[e]) continue;
            int run = RunThrough(e, colour) * 100 + int(random() % 100);
            if (run > best) {
              best = run;
              from = b;
              to = e;
            }
          }
          game.Board[b] = colour;
        }
      }
      if (from < 0) {
        from = balls[random() % balls.size()];
        std::vector<bool> reach = Reachable(from);
        std::vector<int> open;
        for (int e : empties)
          if (reach[e]) open.push_back(e);
        to = !open.empty() && random() % 10 < 7 ? open[random() % open.size()]
                                                 : empties[random() % empties.size()];
      }
      ClickAnywhereIn(from, random);
      ASSERT_EQ(game.selectionState, 1);
      ASSERT_EQ(CellIndex(game.selectedCell.column, game.selectedCell.row), from);
      std::vector<bool> reach = Reachable(from);

      const std::vector<Cell> before = BoardBytes();
      const Tally tallyBefore = Count();
      const int32_t scoreBefore = game.score;
      FakeClear();
      ClickAnywhereIn(to, random);
      CheckBetweenTurns("after a move", g, turn);
      if (::testing::Test::HasFatalFailure()) return;

      if (!reach[to]) {
        ++beeps;
        ASSERT_EQ(Calls(), (Log{"> MessageBeep 64"})) << "game " << g << " turn " << turn;
        ASSERT_EQ(BoardBytes(), before) << "a failed search must leave the board as it was";
        ASSERT_EQ(game.selectionState, 1);
        continue;
      }
      ++moves;
      ASSERT_EQ(game.selectionState, 0);
      if (CountCalls("> MessageBox Game over!") == 1) {
        ++gameOvers;
        ASSERT_EQ(game.score, 0);
        break;
      }
      const Tally after = Count();
      const int newBalls = SpawnsInLog();
      spawned += newBalls;
      ASSERT_EQ(after.balls + int(after.removed), spawned) << "game " << g << " turn " << turn;
      // Balls only leave the board by being counted, and only come by spawns.
      ASSERT_EQ(after.balls, tallyBefore.balls + newBalls - int(after.removed - tallyBefore.removed))
          << "game " << g << " turn " << turn;
      if (game.score != scoreBefore) {
        ++scoringMoves;
        ASSERT_EQ(newBalls, 0) << "a scoring move spawns nothing";
        ASSERT_GE(after.removed - tallyBefore.removed, 5u);
      } else {
        ASSERT_EQ(newBalls >= 3, true) << "game " << g << " turn " << turn;
      }
      ASSERT_LE(game.pretenderLevel, 125);
      ASSERT_GE(game.pretenderLevel, 0);
      ASSERT_LE(game.holderLevel, 125);
    }
  }
  std::printf("bot: %d games, %d moves, %d scoring, %d beeps\n", gameOvers, moves, scoringMoves,
              beeps);
  // The bot must really have seen every kind of turn.
  EXPECT_EQ(gameOvers, GAMES);
  EXPECT_GT(scoringMoves, 200);
  EXPECT_GT(beeps, 100);
  EXPECT_GT(moves, 2000);
}

}  // namespace
