#pragma once
#include <stdint.h>

void SeedRandom(uint32_t value);
// 0 .. n - 1 from bits 16..30 of the advanced seed; n >= 1.
uint32_t NextRandom(uint32_t n);
int CountEmptyCells();
void FillNextQueue();
