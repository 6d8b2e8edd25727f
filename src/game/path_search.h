#pragma once

// Shortest orthogonal route through empty cells into game.path; 1 if found.
// The board is exactly as before when it returns.
int FindPath(int startColumn, int startRow, int targetColumn, int targetRow);
