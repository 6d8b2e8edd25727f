#pragma once
#include "platform/platform.h"

struct LineDirection {
  int columnStep;
  int rowStep;
};
extern const LineDirection LINE_DIRECTIONS[4];

// Marks every run of five or more of `colour` through (column, row) and
// returns the sum of their lengths, 0 if there is none.
int MarkLines(int column, int row, int colour);
void RemoveMarkedBalls(HDC dc);
int PointsForLine(int n);
