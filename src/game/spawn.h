#pragma once
#include "app/platform.h"

void NewGame(HDC dc);
// 1: a ball was placed that completed no line; 0: no empty cell was left.
int SpawnBall(HDC dc);
