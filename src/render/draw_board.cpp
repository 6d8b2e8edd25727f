// The board: a two-tone frame and 81 cell pictures copied from the sheet.
#include "game/game_state.h"
#include "render/draw.h"
#include "render/sprite_atlas.h"

enum {
  FRAME_LAST = 327,    // the frame's far edge, 328 pixels from its near one
  FRAME_TO_CELLS = 2,  // frame line, then a one-pixel ring left undrawn
  FRAME_GREY = 0x555555,
  CURSOR_INSET = 3,    // inside the cell picture's own light and dark edges
};

void DrawCell(HDC dc, int column, int row, int frame) {
  // The removal mark stays off the picture: a marked ball keeps its colour.
  int colour = game.Board[CellIndex(column, row)] & CELL_COLOUR_MASK;
  int x = game.boardOriginX + FRAME_TO_CELLS + CELL_SIZE * column;
  int y = game.boardOriginY + FRAME_TO_CELLS + CELL_SIZE * row;
  BitBlt(dc, x, y, CELL_SIZE, CELL_SIZE, game.spriteDC, CellSpriteX(colour), CellSpriteY(frame),
         SRCCOPY);
  // The keyboard's cursor: the focus rectangle, inverted over whatever picture the cell shows.
  if (game.cursorShown && game.cursorCell.column == column && game.cursorCell.row == row) {
    RECT inner = {x + CURSOR_INSET, y + CURSOR_INSET, x + CELL_SIZE - CURSOR_INSET,
                  y + CELL_SIZE - CURSOR_INSET};
    DrawFocusRect(dc, &inner);
  }
}

void DrawBoard(HDC dc) {
  int x = game.boardOriginX;
  int y = game.boardOriginY;

  HPEN grey = CreatePen(PS_SOLID, 1, FRAME_GREY);
  HGDIOBJ previous = SelectObject(dc, grey);
  // Lines stop short of their end point, so the white pass ends one further.
  MoveToEx(dc, x, y + FRAME_LAST, nullptr);
  LineTo(dc, x + FRAME_LAST, y + FRAME_LAST);
  LineTo(dc, x + FRAME_LAST, y);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  LineTo(dc, x, y);
  LineTo(dc, x, y + FRAME_LAST + 1);
  SelectObject(dc, previous);
  DeleteObject(grey);

  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int column = 0; column < BOARD_SIZE; ++column) DrawCell(dc, column, row, CELL_FRAME_REST);
  }
}
