// A clean game record for every test, boards written as pictures, clicks as
// real client points, and the recorded call log.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "game/game_state.h"

typedef std::vector<std::string> Log;

// Handles only compared by value, never used.
extern HDC const DC;
extern HWND const WINDOW;
extern HWND const STATISTICS;

// Everything zero, as at process start, then the layout of a 612 x 374
// client area (board at 142, 45), the preset player name and an empty log.
void ResetGame();

class RulesTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetGame(); }
};

// Nine rows of nine characters: '.' empty, '1'..'7' a ball; spaces and line
// breaks are ignored.
void SetBoard(const std::string& picture);
std::string BoardPicture();
// Every cell byte, for exact comparisons.
std::vector<Cell> BoardBytes();

Cell At(int column, int row);
void Put(int column, int row, Cell value);

// A full board in which no two neighbours along any line share a colour.
void FillWithoutRuns();

// The longest run of one colour through any line of the board.
int LongestRun();

LPARAM PointOf(int column, int row, int dx = 18, int dy = 18);
void Press(int column, int row);
void Release(int column, int row);
void Click(int column, int row);

// The log since the last FakeClear, and its lines that start with prefix.
const Log& Calls();
Log CallsStarting(const std::string& prefix);
int CountCalls(const std::string& line);

// The five lines of one appear animation at (column, row).
Log AppearFrames(int column, int row);
// Repeats the lines n times.
Log Repeat(const Log& lines, int n);
Log Joined(std::initializer_list<Log> parts);
