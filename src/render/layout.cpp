// Where the board, the boxes, the preview and the two race columns sit for
// a given client size. Plain int32 division: it truncates toward zero.
#include "render/layout.h"

#include "game/game_state.h"

namespace {

const int32_t BOARD_FRAME = 328;   // nine cells and a 2-pixel frame each side
const int32_t COLUMN_WIDTH = 58;   // the race column's base
const int32_t RACE_HEIGHT = 234;   // figure, bar and base
const int32_t PREVIEW_WIDTH = 108;

void PlaceFromClient(int32_t width, int32_t height) {
  int32_t margin = (width - BOARD_FRAME) / 2;
  game.scoreBoxX = width - 96;
  game.previewX = (width - PREVIEW_WIDTH) / 2;
  game.holderX = (margin - COLUMN_WIDTH) / 2;
  game.holderBaseY = (height - RACE_HEIGHT) / 2 + RACE_HEIGHT;
  game.pretenderX = margin + BOARD_FRAME + (margin - COLUMN_WIDTH) / 2;
  game.pretenderBaseY = game.holderBaseY;
}

}  // namespace

void LayoutAtCreate(int32_t clientWidth, int32_t clientHeight) {
  PlaceFromClient(clientWidth, clientHeight);
  game.scoreBoxY = 10;
  game.previewY = 5;
  game.showNext = 1;
  game.holderLevel = 0;
  game.holderFrame = 0;
  game.pretenderLevel = 125;
  game.pretenderFrame = 0;
}

void LayoutAtSize(uint16_t sizeWidth, uint16_t sizeHeight, int32_t clientWidth,
                  int32_t clientHeight) {
  game.boardOriginX = (static_cast<int32_t>(sizeWidth) - BOARD_FRAME) / 2;
  game.boardOriginY = (static_cast<int32_t>(sizeHeight) - 376) / 2 + 46;
  PlaceFromClient(clientWidth, clientHeight);
}
