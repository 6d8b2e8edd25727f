// The program's one pseudo-random generator and the two small board queries
// that spawning needs.
#include "game/random.h"

#include "game/game_state.h"

void SeedRandom(uint32_t value) { game.seed = value; }

uint32_t NextRandom(uint32_t n) {
  // Unsigned arithmetic wraps modulo 2^32, which is exactly the step wanted.
  game.seed = game.seed * 1103515245u + 12345u;
  uint32_t value = (game.seed >> 16) & 0x7FFFu;
  // A bound of 0 has no valid answer; 0 is the harmless one.
  if (n == 0) return 0;
  return value % n;
}

int CountEmptyCells() {
  int count = 0;
  for (int i = 0; i < CELL_COUNT; ++i)
    if (game.Board[i] == CELL_EMPTY) ++count;
  return count;
}

void FillNextQueue() {
  for (int i = 0; i < 3; ++i) game.NextQueue[i] = static_cast<uint8_t>(NextRandom(COLOUR_COUNT) + 1);
}
