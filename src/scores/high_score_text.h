// The left-hand text of one row of the high-score table: "N. name".
#pragma once
#include <stdint.h>

#include "game/game_state.h"

enum {
  // Ten digits, ". ", thirteen name bytes and the NUL.
  HIGH_SCORE_ROW_SIZE = 32,
};

// index counts from 0; the row shows index + 1. At most 13 name bytes are
// taken, so a name field without its NUL is still safe.
void BuildHighScoreRowText(uint32_t index, const HighScoreEntry& entry,
                           char text[HIGH_SCORE_ROW_SIZE]);
