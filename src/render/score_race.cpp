// The score race beside the board: points move the pretender's bar (and,
// once the record is passed, the holder's), and a restart winds it all back
// and hands the record over.
#include "render/score_race.h"

#include "game/game_state.h"
#include "game/spawn.h"
#include "render/draw.h"

namespace {

const int RACE_HEIGHT = 125;  // rows of a full bar
const int POSE_COUNT = 6;

// A hand-edited table may give the holder no points at all; the race then
// runs as if the record were 1 rather than divide by zero.
int32_t RaceDivisor() { return game.bestScore > 0 ? game.bestScore : 1; }

void CopyName(char* dest, const char* source) {
  // Both buffers hold 16 bytes; the copy never runs past them.
  int i = 0;
  for (; i < 15 && source[i] != 0; ++i) dest[i] = source[i];
  for (; i < 16; ++i) dest[i] = 0;
}

}  // namespace

void AddScore(HDC dc, int points) {
  game.score += points;
  DrawScoreBox(dc, game.scoreBoxX, game.scoreBoxY, static_cast<uint32_t>(game.score));

  int32_t divisor = RaceDivisor();
  if (game.recordPassed == 1) {
    int32_t target = (game.score - game.bestScore) * RACE_HEIGHT / divisor;
    if (target > RACE_HEIGHT) target = RACE_HEIGHT;
    // Levels only move one way within a game; a loop on "<" cannot run away
    // even if they were ever out of step.
    while (game.holderLevel < target) {
      ++game.holderLevel;
      DrawRecordHolder(dc, 0);
      PauseFrame(25);
    }
    return;
  }

  int32_t target = RACE_HEIGHT - game.score * RACE_HEIGHT / divisor;
  if (target < 0) target = 0;
  while (game.pretenderLevel > target) {
    --game.pretenderLevel;
    DrawPretender(dc, 0, 0);
    PauseFrame(25);
  }
  if (game.score <= game.bestScore) return;

  for (int i = 0; i < POSE_COUNT; ++i) {
    ++game.holderFrame;
    ++game.pretenderFrame;
    DrawRecordHolder(dc, 0);
    DrawPretender(dc, 0, 0);
    PauseFrame(150);
  }
  for (int i = 0; i < 3; ++i) {
    --game.pretenderFrame;
    DrawPretender(dc, 0, 0);
    PauseFrame(150);
    ++game.pretenderFrame;
    DrawPretender(dc, 0, 0);
    PauseFrame(150);
  }
  game.recordPassed = 1;
}

void RestartGame(HDC dc) {
  if (game.recordPassed == 1) {
    CopyName(holderName, playerName);
    game.bestScore = game.score;
    DrawRecordHolder(dc, 1);
    for (int i = 0; i < POSE_COUNT && game.holderFrame > 0; ++i) {
      --game.holderFrame;
      DrawRecordHolder(dc, 0);
      PauseFrame(150);
    }
    while (game.holderLevel > 0) {
      game.holderLevel -= 4;
      if (game.holderLevel < 0) game.holderLevel = 0;
      DrawRecordHolder(dc, 0);
      PauseFrame(15);
    }
  }
  if (game.pretenderFrame != 0) {
    for (int i = 0; i < POSE_COUNT && game.pretenderFrame > 0; ++i) {
      --game.pretenderFrame;
      DrawPretender(dc, 0, 0);
      PauseFrame(150);
    }
  }
  while (game.pretenderLevel < RACE_HEIGHT) {
    game.pretenderLevel += 4;
    if (game.pretenderLevel > RACE_HEIGHT) game.pretenderLevel = RACE_HEIGHT;
    DrawPretender(dc, 0, 0);
    PauseFrame(15);
  }
  NewGame(dc);
  if (game.statisticsWindow != nullptr) InvalidateRect(game.statisticsWindow, nullptr, FALSE);
}
