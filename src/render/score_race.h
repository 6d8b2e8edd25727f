#pragma once
#include "platform/platform.h"

void AddScore(HDC dc, int points);
void RestartGame(HDC dc);
