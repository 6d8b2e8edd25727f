// Where every picture lies on the 511 x 585 sprite sheet.
#pragma once

namespace sheet {

constexpr int WIDTH = 511;
constexpr int HEIGHT = 585;
constexpr int CELL = 36;
constexpr int CELL_TOP = 225;      // first row of ball frames
constexpr int COLOURS = 8;         // 0 = bare tile, 1..7 ball colours
constexpr int FRAMES = 10;

constexpr int POSE_W = 72, POSE_H = 100, POSE_STEP = 73, POSES = 7;
constexpr int BODY_X = 1, BODY_Y = 100;
constexpr int OVERLAY_W = 50, OVERLAY_H = 65, OVERLAY_STEP = 51, OVERLAY_Y = 100, OVERLAYS = 6;
constexpr int OVERLAY_BODY_ROW = 6;  // overlay row 0 lies on this body row
constexpr int BASE_X = 1, BASE_Y = 201, BASE_W = 58, BASE_H = 9;
constexpr int PILLAR_X = 420, PILLAR_Y = 100, PILLAR_W = 45, PILLAR_H = 125;
constexpr int HOLDER_CAP_LEFT = 7;   // pillar columns inside a holder pose
constexpr int BODY_CAP_LEFT = 16;    // pillar columns inside the pretender body
constexpr int CAP_ROWS = 5;          // bottom rows that show nothing but the cap

struct Rect { int x, y, w, h; };

inline Rect CellRect(int colour, int frame) { return {CELL * colour, CELL_TOP + CELL * frame, CELL, CELL}; }
inline Rect PoseRect(int k) { return {POSE_STEP * k + 1, 0, POSE_W, POSE_H}; }
inline Rect BodyRect() { return {BODY_X, BODY_Y, POSE_W, POSE_H}; }
inline Rect OverlayRect(int m) { return {OVERLAY_STEP * m + 23, OVERLAY_Y, OVERLAY_W, OVERLAY_H}; }  // m = 1..6
inline Rect BaseRect() { return {BASE_X, BASE_Y, BASE_W, BASE_H}; }
inline Rect PillarRect() { return {PILLAR_X, PILLAR_Y, PILLAR_W, PILLAR_H}; }

inline bool Contains(const Rect& r, int x, int y) {
  return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// True where some picture lies; everything else stays white, index 0.
inline bool InsidePicture(int x, int y) {
  if (x < CELL * COLOURS && y >= CELL_TOP && y < CELL_TOP + CELL * FRAMES) return true;
  for (int k = 0; k < POSES; ++k)
    if (Contains(PoseRect(k), x, y)) return true;
  for (int m = 1; m <= OVERLAYS; ++m)
    if (Contains(OverlayRect(m), x, y)) return true;
  return Contains(BodyRect(), x, y) || Contains(BaseRect(), x, y) || Contains(PillarRect(), x, y);
}

}  // namespace sheet
