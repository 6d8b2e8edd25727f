// What the statistics window says about one cell value.
#pragma once
#include <stdint.h>

#include "game/game_state.h"

enum {
  STATISTICS_VALUES = 8,  // the empty cell and the seven colours
  // "4294967295 (100%), del-4294967295" and ten spaces, with room to spare.
  STATISTICS_TEXT_SIZE = 64,
};

// How many cells of the board hold each value 0..7. Anything else (a wave
// value or a removal mark, which never survive a message) is left uncounted.
void CountCellValues(const Cell* board, uint32_t counts[STATISTICS_VALUES]);

// "count (percent%)", for a colour ", del-removed", then ten spaces. A count
// above the board's 81 cells is shown as 81.
void BuildStatisticsText(int value, uint32_t count, uint32_t removed,
                         char text[STATISTICS_TEXT_SIZE]);
