#pragma once
#include <stdint.h>

void LoadHighScores();
void SaveHighScores();
// Index 0..9 where the score enters the table, 10 if it does not.
int FindRank(int32_t score);
void OpenSlot(int index);
void FillSlot(int index, const char* name, int32_t score);
