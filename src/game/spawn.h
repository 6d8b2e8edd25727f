#pragma once
#include "platform/platform.h"

void NewGame(HDC dc);
// 1: a ball was placed that completed no line; 0: no empty cell was left.
int SpawnBall(HDC dc);
// Board index of the empty cell numbered r in row-major order, counting
// from 0; -1 when there are not that many empty cells.
int NthEmptyCell(uint32_t r);
