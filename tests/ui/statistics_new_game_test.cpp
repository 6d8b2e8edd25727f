// The statistics window's lines straight after a new game.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "game/game_state.h"
#include "game/random.h"
#include "game/spawn.h"
#include "ui/statistics_text.h"

namespace {

TEST(StatisticsAfterNewGame, FiveBallsLeaveSeventySixEmptyCells) {
  for (uint32_t seed : {1u, 12345u, 0xDEADBEEFu}) {
    std::memset(&game, 0, sizeof game);
    game.removedCounts[3] = 9;  // left from an earlier game
    SeedRandom(seed);
    NewGame(nullptr);

    uint32_t counts[STATISTICS_VALUES];
    CountCellValues(game.Board, counts);
    char text[STATISTICS_TEXT_SIZE];
    BuildStatisticsText(0, counts[0], game.removedCounts[0], text);
    EXPECT_EQ(std::string(text), "76 (93%)          ") << "seed " << seed;

    uint32_t balls = 0;
    for (int colour = 1; colour < STATISTICS_VALUES; ++colour) {
      balls += counts[colour];
      BuildStatisticsText(colour, counts[colour], game.removedCounts[colour], text);
      // A new game has removed nothing yet.
      std::string expected = std::to_string(counts[colour]) + " (" +
                             std::to_string(counts[colour] * 100 / 81) + "%), del-0          ";
      EXPECT_EQ(std::string(text), expected) << "seed " << seed << " colour " << colour;
    }
    EXPECT_EQ(balls, 5u) << "seed " << seed;
  }
}

}  // namespace
