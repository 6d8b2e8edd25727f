#pragma once
#include <stdint.h>

void LoadHighScores();
// Writes the table if an entry has entered it since loading; false when it
// had to be written and is not on the disk whole.
bool SaveHighScores();
// Index 0..9 where the score enters the table, 10 if it does not.
int FindRank(int32_t score);
void OpenSlot(int index);
void FillSlot(int index, const char* name, int32_t score);
