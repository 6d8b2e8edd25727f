// The one global record of the running program, zero at process start.
#pragma once

#include "platform/platform.h"

typedef uint8_t Cell;

enum : uint8_t {
  CELL_EMPTY = 0,
  CELL_MARK = 0x40,
  CELL_COLOUR_MASK = 0x3F,
};

enum {
  BOARD_SIZE = 9,
  CELL_COUNT = 81,
  CELL_SIZE = 36,
  COLOUR_COUNT = 7,
  WAVE_START = 8,
  WAVE_LIMIT = 90,
  NAME_LIMIT = 13,       // longest name the table holds
  HIGH_SCORE_COUNT = 10,
};

// One step of a route, stored row first.
struct PathStep {
  uint8_t row;
  uint8_t column;
};

struct SelectedCell {
  uint8_t column;
  uint8_t row;
};

struct PressCell {
  int32_t column;
  int32_t row;
};

struct HighScoreEntry {
  char name[14];   // at most 13 bytes and a NUL
  uint16_t score;
};

struct GameState {
  uint32_t seed;
  int32_t imageWidth;
  int32_t imageHeight;
  int32_t tickCounter;
  int32_t selectionState;
  int32_t movingColour;
  PressCell pressCell;
  uint8_t pressOutside;
  HINSTANCE instance;
  int32_t screenWidth;
  int32_t screenHeight;
  HACCEL accelerators;
  HBITMAP spriteBitmap;
  HPALETTE palette;
  Cell Board[CELL_COUNT];           // row * 9 + column
  PathStep path[CELL_COUNT];
  uint8_t pathLength;
  int32_t boardOriginX;
  int32_t boardOriginY;
  SelectedCell selectedCell;
  int32_t score;
  int32_t scoreBoxX;
  int32_t scoreBoxY;
  uint8_t NextQueue[3];
  int32_t previewX;
  int32_t previewY;
  uint8_t showNext;
  int32_t bestScore;
  int32_t holderX;
  int32_t holderBaseY;
  int32_t holderLevel;
  uint8_t holderFrame;
  int32_t pretenderX;
  int32_t pretenderBaseY;
  int32_t pretenderLevel;
  uint8_t pretenderFrame;
  int32_t recordPassed;
  HighScoreEntry HighScoreTable[HIGH_SCORE_COUNT];
  int32_t tableDirty;
  HGDIOBJ spriteDCOldBitmap;
  HDC spriteDC;
  HWND statisticsWindow;
  uint8_t statisticsShown;
  HWND mainWindow;
  uint32_t removedCounts[8];
  // Keyboard play: the cell the keys act on, and whether its cursor shows
  // (from the first arrow key until a click on the board).
  SelectedCell cursorCell;
  uint8_t cursorShown;
};

extern GameState game;
extern char holderName[16];
extern char playerName[16];   // "Pretender" until a name is accepted

inline int CellIndex(int column, int row) { return row * BOARD_SIZE + column; }
