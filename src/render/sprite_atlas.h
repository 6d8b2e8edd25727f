// Where each picture lies in the sprite sheet. Every picture is copied
// opaquely (SRCCOPY) from the sheet's memory context at these rectangles.
#pragma once

enum {
  SHEET_WIDTH = 511,
  SHEET_HEIGHT = 585,

  // Cell pictures: one column per colour (0 = empty), one row per frame.
  CELL_SPRITES_Y = 225,
  CELL_SPRITE_SIZE = 36,
  CELL_FRAME_REST = 0,
  CELL_FRAME_SMALL = 6,  // the preview's ball and the first spawn frame

  // The record holder's seven poses, one pixel apart.
  HOLDER_POSE_STEP = 73,
  HOLDER_POSE_X = 1,
  HOLDER_POSE_Y = 0,
  FIGURE_WIDTH = 72,
  FIGURE_HEIGHT = 100,

  PRETENDER_BODY_X = 1,
  PRETENDER_BODY_Y = 100,

  // The pretender's crowning overlays, frames 1..6.
  OVERLAY_STEP = 51,
  OVERLAY_X = 23,
  OVERLAY_Y = 100,
  OVERLAY_WIDTH = 50,
  OVERLAY_HEIGHT = 65,

  PEDESTAL_X = 1,
  PEDESTAL_Y = 201,
  PEDESTAL_WIDTH = 58,
  PEDESTAL_HEIGHT = 9,

  // Every row of the pillar is alike, so its top part is a shorter pillar.
  PILLAR_X = 420,
  PILLAR_Y = 100,
  PILLAR_WIDTH = 45,
  PILLAR_HEIGHT = 125,  // at level 0; level 125 leaves nothing
};

inline int CellSpriteX(int colour) { return CELL_SPRITE_SIZE * colour; }
inline int CellSpriteY(int frame) { return CELL_SPRITES_Y + CELL_SPRITE_SIZE * frame; }
inline int HolderPoseX(int pose) { return HOLDER_POSE_STEP * pose + HOLDER_POSE_X; }
inline int OverlayX(int frame) { return OVERLAY_STEP * frame + OVERLAY_X; }
inline int PillarRows(int level) { return PILLAR_HEIGHT - level; }
