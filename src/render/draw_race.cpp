// The score race: each figure stands on a pillar that rises from a pedestal,
// with a black name field under the pedestal.
#include "game/game_state.h"
#include "render/draw.h"
#include "render/sprite_atlas.h"

enum {
  FIGURE_TOP = 234,  // from the anchor up to a figure's top at level 0
  PILLAR_TOP = 134,
  OVERLAY_TOP = 228,
  HOLDER_FIGURE_LEFT = 1,
  PRETENDER_FIGURE_LEFT = 10,
  PILLAR_LEFT = -6,
  NAME_LEFT = 16,
  NAME_RIGHT = 74,
  NAME_TOP = 8,
  NAME_BOTTOM = 24,
  WHITE = 0xFFFFFF,
};

static const char PRETENDER_LABEL[] = "Pretender";

// The pedestal, the pillar at `level` and the name field.
static void DrawColumn(HDC dc, int x, int y, int level, const char* name) {
  BitBlt(dc, x, y - PEDESTAL_HEIGHT, PEDESTAL_WIDTH, PEDESTAL_HEIGHT, game.spriteDC, PEDESTAL_X,
         PEDESTAL_Y, SRCCOPY);
  // At level 125 the pillar has no rows; a negative height would mirror.
  int rows = PillarRows(level);
  if (rows > 0)
    BitBlt(dc, x - PILLAR_LEFT, y - PILLAR_TOP + level, PILLAR_WIDTH, rows, game.spriteDC,
           PILLAR_X, PILLAR_Y, SRCCOPY);

  RECT field = {x - NAME_LEFT, y + NAME_TOP, x + NAME_RIGHT, y + NAME_BOTTOM};
  FillRect(dc, &field, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetTextColor(dc, WHITE);
  // The score boxes leave the private context transparent already; setting
  // it here keeps the field right whatever drew before.
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, name, -1, &field, DT_CENTER);
}

void DrawRecordHolder(HDC dc, int full) {
  int x = game.holderX;
  int y = game.holderBaseY;
  int level = game.holderLevel;
  if (full) DrawColumn(dc, x, y, level, holderName);
  BitBlt(dc, x - HOLDER_FIGURE_LEFT, y - FIGURE_TOP + level, FIGURE_WIDTH, FIGURE_HEIGHT,
         game.spriteDC, HolderPoseX(game.holderFrame), HOLDER_POSE_Y, SRCCOPY);
}

void DrawPretender(HDC dc, int full, int forceFigure) {
  int x = game.pretenderX;
  int y = game.pretenderBaseY;
  int level = game.pretenderLevel;
  // The label is fixed: the player's name shows only once it holds the record.
  if (full) DrawColumn(dc, x, y, level, PRETENDER_LABEL);
  if (game.pretenderFrame == 0 || forceFigure)
    BitBlt(dc, x - PRETENDER_FIGURE_LEFT, y - FIGURE_TOP + level, FIGURE_WIDTH, FIGURE_HEIGHT,
           game.spriteDC, PRETENDER_BODY_X, PRETENDER_BODY_Y, SRCCOPY);
  if (game.pretenderFrame != 0)
    BitBlt(dc, x - PRETENDER_FIGURE_LEFT, y - OVERLAY_TOP + level, OVERLAY_WIDTH, OVERLAY_HEIGHT,
           game.spriteDC, OverlayX(game.pretenderFrame), OVERLAY_Y, SRCCOPY);
}
