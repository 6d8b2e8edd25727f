#pragma once
#include "app/platform.h"

void AddScore(HDC dc, int points);
void RestartGame(HDC dc);
