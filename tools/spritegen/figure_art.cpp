// The score race: the red record holder in its seven poses, the magenta
// pretender with its crowning stages, the pillar and its base.
#include <cmath>
#include <initializer_list>
#include <utility>

#include "art.h"
#include "sheet_layout.h"

namespace {

const Rgb BLACK = {0, 0, 0};
const Rgb WHITE = {1, 1, 1};
const Rgb GOLD = {1.0, 0.80, 0.12};
const Rgb ORANGE = {0.98, 0.52, 0.08};
const Rgb FADED_RED = {0.55, 0.10, 0.06};
const Rgb SILVER = {0.78, 0.80, 0.84};
const Rgb PALE_GOLD = {0.95, 0.88, 0.55};
const Rgb STEEL = {0.80, 0.84, 0.90};

enum class Regalia { Solid, Outline, None };
enum class Arm { Holding, Raised, Stretched, Hanging };

struct Figure {
  Rgb body;          // the figure's own colour
  double cx;         // centre column
  double headY;      // centre row of the head
  double headR;
  double bodyY;      // centre row of the round cloak
  double bodyRx, bodyRy;
  Regalia crown;
  Rgb crownColour;
  bool tuft;
  bool badge;
  Arm arm;           // the arm on the regalia side
  int regaliaSide;   // +1: sceptre on the right; -1: sword on the left
  bool sword;        // the pretender's sword instead of the sceptre
  Regalia sceptre;
  Rgb sceptreColour;
  double handLift;   // how far the regalia hand is raised
  bool slumped;
};

void Fill(cairo_t* cr, Rgb c, double alpha = 1.0) {
  SetColour(cr, c, alpha);
  cairo_fill(cr);
}

void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
}

// Round shading for a body part lit from the upper left.
void ShadedEllipse(cairo_t* cr, Rgb base, double cx, double cy, double rx, double ry, double light = 0.45) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_pattern_t* p = cairo_pattern_create_radial(-0.35, -0.4, 0.05, 0, 0, 1.0);
  const Rgb lit = Mix(base, WHITE, light), rim = Scale(base, 0.35);
  cairo_pattern_add_color_stop_rgb(p, 0, lit.r, lit.g, lit.b);
  cairo_pattern_add_color_stop_rgb(p, 0.5, base.r, base.g, base.b);
  cairo_pattern_add_color_stop_rgb(p, 1, rim.r, rim.g, rim.b);
  cairo_set_source(cr, p);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_restore(cr);
}

// Regalia metal: a linear sheen across the part.
void MetalSource(cairo_t* cr, Rgb c, double x0, double y0, double x1, double y1) {
  cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
  const Rgb hi = Mix(c, WHITE, 0.6), lo = Scale(c, 0.55);
  cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
  cairo_pattern_add_color_stop_rgb(p, 0.45, c.r, c.g, c.b);
  cairo_pattern_add_color_stop_rgb(p, 1, lo.r, lo.g, lo.b);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void FinishRegalia(cairo_t* cr, Regalia style, Rgb c, double x0, double y0, double x1, double y1) {
  if (style == Regalia::Solid) {
    MetalSource(cr, c, x0, y0, x1, y1);
    cairo_fill_preserve(cr);
    SetColour(cr, Scale(c, 0.35));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
  } else {
    SetColour(cr, c, 0.55);
    cairo_set_line_width(cr, 0.9);
    cairo_stroke(cr);
  }
}

void CrownPath(cairo_t* cr, double cx, double bottom, double w, double h) {
  const double l = cx - w / 2, r = cx + w / 2, top = bottom - h;
  cairo_move_to(cr, l, bottom);
  cairo_line_to(cr, l - 1, top + 2);
  cairo_line_to(cr, l + w * 0.25, top + h * 0.5);
  cairo_line_to(cr, cx, top - 1);
  cairo_line_to(cr, r - w * 0.25, top + h * 0.5);
  cairo_line_to(cr, r + 1, top + 2);
  cairo_line_to(cr, r, bottom);
  cairo_close_path(cr);
}

void DrawCrown(cairo_t* cr, const Figure& f) {
  if (f.crown == Regalia::None) return;
  const double bottom = f.headY - f.headR * 0.62, w = f.headR * 1.45, h = 11;
  CrownPath(cr, f.cx, bottom, w, h);
  FinishRegalia(cr, f.crown, f.crownColour, f.cx - w / 2, bottom - h, f.cx + w / 2, bottom);
  if (f.crown != Regalia::Solid) return;
  // Band and jewels.
  cairo_rectangle(cr, f.cx - w / 2, bottom - 3, w, 3);
  MetalSource(cr, Scale(f.crownColour, 0.85), 0, bottom - 3, 0, bottom);
  cairo_fill(cr);
  const Rgb jewel = {0.85, 0.05, 0.15};
  const Rgb jewel2 = {0.10, 0.35, 0.95};
  Ellipse(cr, f.cx, bottom - 1.5, 1.4, 1.2);
  Fill(cr, jewel2);
  Ellipse(cr, f.cx - w * 0.32, bottom - 1.5, 1.1, 1.0);
  Fill(cr, jewel);
  Ellipse(cr, f.cx + w * 0.32, bottom - 1.5, 1.1, 1.0);
  Fill(cr, jewel);
  for (double px : {f.cx - w / 2 - 1, f.cx, f.cx + w / 2 + 1}) {
    Ellipse(cr, px, bottom - h + (px == f.cx ? -1.5 : 1.5), 1.2, 1.2);
    Fill(cr, Mix(f.crownColour, WHITE, 0.5));
  }
}

void DrawTuft(cairo_t* cr, const Figure& f) {
  if (!f.tuft) return;
  const double top = f.headY - f.headR;
  cairo_move_to(cr, f.cx - 1, top + 2);
  cairo_curve_to(cr, f.cx - 2, top - 4, f.cx + 5, top - 7, f.cx + 5, top - 3);
  cairo_curve_to(cr, f.cx + 5, top - 0.5, f.cx + 1.5, top - 1, f.cx + 2, top - 3);
  SetColour(cr, Scale(f.body, 0.75));
  cairo_set_line_width(cr, 2.0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_stroke(cr);
}

void DrawFace(cairo_t* cr, const Figure& f) {
  const double ey = f.headY - f.headR * 0.1, dx = f.headR * 0.38;
  if (f.slumped) {
    // Eyes closed, mouth turned down.
    cairo_set_line_width(cr, 1.2);
    SetColour(cr, BLACK);
    for (double s : {-1.0, 1.0}) {
      cairo_move_to(cr, f.cx + s * dx - 2.2, ey + 0.5);
      cairo_curve_to(cr, f.cx + s * dx - 1, ey + 2, f.cx + s * dx + 1, ey + 2, f.cx + s * dx + 2.2, ey + 0.5);
      cairo_stroke(cr);
    }
    cairo_move_to(cr, f.cx - 3, ey + f.headR * 0.6);
    cairo_curve_to(cr, f.cx - 1.5, ey + f.headR * 0.45, f.cx + 1.5, ey + f.headR * 0.45, f.cx + 3, ey + f.headR * 0.6);
    cairo_stroke(cr);
    return;
  }
  for (double s : {-1.0, 1.0}) {
    Ellipse(cr, f.cx + s * dx, ey, 2.6, 3.2);
    Fill(cr, WHITE);
    Ellipse(cr, f.cx + s * dx + 0.7, ey + 0.6, 1.3, 1.7);
    Fill(cr, BLACK);
  }
  cairo_move_to(cr, f.cx - 3.5, ey + f.headR * 0.45);
  cairo_curve_to(cr, f.cx - 1.5, ey + f.headR * 0.65, f.cx + 1.5, ey + f.headR * 0.65, f.cx + 3.5, ey + f.headR * 0.45);
  SetColour(cr, Scale(f.body, 0.25));
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
}

void DrawBadge(cairo_t* cr, const Figure& f) {
  if (!f.badge) return;
  const double x = f.cx, y = f.bodyY - f.bodyRy * 0.25, w = 6.5, h = 8;
  cairo_move_to(cr, x - w, y - h * 0.7);
  cairo_line_to(cr, x + w, y - h * 0.7);
  cairo_line_to(cr, x + w, y);
  cairo_curve_to(cr, x + w, y + h * 0.5, x + 2, y + h, x, y + h * 1.1);
  cairo_curve_to(cr, x - 2, y + h, x - w, y + h * 0.5, x - w, y);
  cairo_close_path(cr);
  MetalSource(cr, GOLD, x - w, y - h, x + w, y + h);
  cairo_fill_preserve(cr);
  SetColour(cr, Scale(GOLD, 0.35));
  cairo_set_line_width(cr, 0.9);
  cairo_stroke(cr);
  // The shield's field and a small star.
  cairo_move_to(cr, x - w + 2, y - h * 0.7 + 2);
  cairo_line_to(cr, x + w - 2, y - h * 0.7 + 2);
  cairo_line_to(cr, x + w - 2, y);
  cairo_curve_to(cr, x + w - 2, y + h * 0.4, x + 1.5, y + h * 0.75, x, y + h * 0.8);
  cairo_curve_to(cr, x - 1.5, y + h * 0.75, x - w + 2, y + h * 0.4, x - w + 2, y);
  cairo_close_path(cr);
  Fill(cr, Scale(f.body, 0.55));
  for (int i = 0; i < 5; ++i) {
    const double a = -M_PI / 2 + i * 4 * M_PI / 5;
    const double px = x + std::cos(a) * 2.6, py = y + 0.2 + std::sin(a) * 2.6;
    if (i == 0) cairo_move_to(cr, px, py); else cairo_line_to(cr, px, py);
  }
  cairo_close_path(cr);
  Fill(cr, Mix(GOLD, WHITE, 0.4));
}

// The sceptre: a staff with an orb and a cross on top, held at the hand.
void DrawSceptre(cairo_t* cr, const Figure& f, double hx, double hy) {
  if (f.sceptre == Regalia::None) return;
  const double top = hy - 36, bottom = hy + 18;
  cairo_rectangle(cr, hx - 1.2, top + 6, 2.4, bottom - top - 6);
  FinishRegalia(cr, f.sceptre, f.sceptreColour, hx - 1.2, 0, hx + 1.2, 0);
  Ellipse(cr, hx, top + 5, 3.2, 3.2);
  FinishRegalia(cr, f.sceptre, f.sceptreColour, hx - 3, top + 2, hx + 3, top + 8);
  cairo_rectangle(cr, hx - 0.9, top - 5, 1.8, 7);
  cairo_rectangle(cr, hx - 3, top - 3, 6, 1.8);
  FinishRegalia(cr, f.sceptre, f.sceptreColour, hx - 3, top - 5, hx + 3, top + 2);
}

// The pretender's sword, upright with the hilt in the hand.
void DrawSword(cairo_t* cr, double hx, double hy) {
  const double tip = hy - 44;
  cairo_move_to(cr, hx, tip);
  cairo_line_to(cr, hx + 2, tip + 4);
  cairo_line_to(cr, hx + 2, hy - 7);
  cairo_line_to(cr, hx - 2, hy - 7);
  cairo_line_to(cr, hx - 2, tip + 4);
  cairo_close_path(cr);
  MetalSource(cr, STEEL, hx - 2, 0, hx + 2, 0);
  cairo_fill_preserve(cr);
  SetColour(cr, {0.3, 0.32, 0.36});
  cairo_set_line_width(cr, 0.6);
  cairo_stroke(cr);
  cairo_move_to(cr, hx, tip + 4);
  cairo_line_to(cr, hx, hy - 8);
  SetColour(cr, WHITE, 0.8);
  cairo_set_line_width(cr, 0.6);
  cairo_stroke(cr);
  cairo_rectangle(cr, hx - 6, hy - 7.5, 12, 2.5);  // guard
  MetalSource(cr, GOLD, 0, hy - 7.5, 0, hy - 5);
  cairo_fill(cr);
  cairo_rectangle(cr, hx - 1.3, hy - 5, 2.6, 7);  // grip
  Fill(cr, {0.35, 0.18, 0.08});
  Ellipse(cr, hx, hy + 2.8, 2.0, 2.0);           // pommel
  MetalSource(cr, GOLD, hx - 2, hy + 1, hx + 2, hy + 5);
  cairo_fill(cr);
}

void DrawArm(cairo_t* cr, const Figure& f, double sx, double sy, double hx, double hy) {
  cairo_move_to(cr, sx, sy);
  cairo_curve_to(cr, (sx + hx) / 2, sy + 2, hx, (sy + hy) / 2 + 2, hx, hy);
  SetColour(cr, Scale(f.body, 0.45));
  cairo_set_line_width(cr, 6.5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_stroke_preserve(cr);
  SetColour(cr, Scale(f.body, 0.8));
  cairo_set_line_width(cr, 4.5);
  cairo_stroke(cr);
}

void DrawHand(cairo_t* cr, const Figure& f, double hx, double hy) {
  ShadedEllipse(cr, Mix(f.body, WHITE, 0.15), hx, hy, 3.4, 3.4, 0.5);
}

void DrawFigure(cairo_t* cr, const Figure& f) {
  const int side = f.regaliaSide;
  const double shoulderX = f.cx + side * f.bodyRx * 0.55, shoulderY = f.bodyY - f.bodyRy * 0.55;
  double hx = f.cx + side * (f.bodyRx + 3), hy = f.bodyY - f.bodyRy * 0.1 - f.handLift;
  if (f.arm == Arm::Raised) { hx = f.cx + side * (f.bodyRx + 2); hy = f.headY - 4; }
  if (f.arm == Arm::Stretched) { hx = f.cx + side * (f.bodyRx + 14); hy = shoulderY + 1; }
  if (f.arm == Arm::Hanging) { hx = f.cx + side * (f.bodyRx + 1); hy = f.bodyY + f.bodyRy * 0.45; }
  const double otherX = f.cx - side * (f.bodyRx + 1), otherY = f.bodyY + f.bodyRy * 0.35;

  // The cape behind, the feet, the round body in its cloak.
  const double capeTop = f.bodyY - f.bodyRy * 0.75, capeBottom = f.bodyY + f.bodyRy * 0.97;
  cairo_move_to(cr, f.cx - f.bodyRx * 0.55, capeTop);
  cairo_curve_to(cr, f.cx - f.bodyRx * 1.1, capeTop + 8, f.cx - f.bodyRx - 4, capeBottom - 8, f.cx - f.bodyRx - 4, capeBottom);
  cairo_line_to(cr, f.cx + f.bodyRx + 4, capeBottom);
  cairo_curve_to(cr, f.cx + f.bodyRx + 4, capeBottom - 8, f.cx + f.bodyRx * 1.1, capeTop + 8, f.cx + f.bodyRx * 0.55, capeTop);
  cairo_close_path(cr);
  {
    cairo_pattern_t* p = cairo_pattern_create_linear(f.cx - f.bodyRx - 4, 0, f.cx + f.bodyRx + 4, 0);
    const Rgb a = Scale(f.body, 0.55), b = Scale(f.body, 0.3);
    cairo_pattern_add_color_stop_rgb(p, 0, a.r, a.g, a.b);
    cairo_pattern_add_color_stop_rgb(p, 1, b.r, b.g, b.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  const double footY = f.bodyY + f.bodyRy * 0.92;
  for (double s : {-1.0, 1.0})
    ShadedEllipse(cr, Scale(f.body, 0.5), f.cx + s * f.bodyRx * 0.42, footY, 5.5, 3.0, 0.3);
  ShadedEllipse(cr, Scale(f.body, 0.9), f.cx, f.bodyY, f.bodyRx, f.bodyRy, 0.4);
  // The cloak's edges meeting down the front, trimmed with ermine.
  cairo_move_to(cr, f.cx, f.bodyY - f.bodyRy * 0.62);
  cairo_curve_to(cr, f.cx - 3, f.bodyY, f.cx - 1, f.bodyY + f.bodyRy * 0.6, f.cx - 3.5, f.bodyY + f.bodyRy * 0.93);
  SetColour(cr, {0.93, 0.92, 0.88});
  cairo_set_line_width(cr, 2.2);
  cairo_stroke_preserve(cr);
  SetColour(cr, BLACK);
  const double spots[2] = {0.9, 4.0};
  cairo_set_dash(cr, spots, 2, 0);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  DrawBadge(cr, f);

  DrawArm(cr, f, f.cx - side * f.bodyRx * 0.55, shoulderY, otherX, otherY);
  DrawHand(cr, f, otherX, otherY);

  // Collar, head and face.
  Ellipse(cr, f.cx, f.headY + f.headR * 0.95, f.headR * 0.95, 3.2);
  Fill(cr, {0.93, 0.92, 0.88});
  ShadedEllipse(cr, f.body, f.cx, f.headY, f.headR, f.headR, 0.5);
  DrawFace(cr, f);
  DrawTuft(cr, f);
  DrawCrown(cr, f);

  // The regalia arm in front of everything.
  if (f.sword) {
    DrawArm(cr, f, shoulderX, shoulderY, hx, hy);
    DrawSword(cr, hx, hy);
  } else {
    DrawSceptre(cr, f, hx, hy);
    DrawArm(cr, f, shoulderX, shoulderY, hx, hy);
  }
  DrawHand(cr, f, hx, hy);
}

// The cap of the pillar under a figure, rows top..99; the same shades as the
// pillar itself so that left-over rows on screen read as pillar.
void DrawCap(cairo_t* cr, int left, int top) {
  for (int c = 0; c < PILLAR_WIDTH; ++c) {
    SetColour(cr, PillarShade(c));
    cairo_rectangle(cr, left + c, top, 1, sheet::POSE_H - top);
    cairo_fill(cr);
  }
}

void FillBlack(cairo_t* cr, int w, int h) {
  SetColour(cr, BLACK);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_fill(cr);
}

}  // namespace

Rgb PillarShade(int column) {
  const double t = (column + 0.5) / PILLAR_WIDTH;
  double v = 0.22 + 0.48 * std::pow(std::sin(M_PI * t), 0.6);
  v += 0.55 * std::exp(-std::pow((t - 0.34) / 0.085, 2));
  if (column == 0 || column == PILLAR_WIDTH - 1) v = 0.16;
  if (v > 1) v = 1;
  return {v * 0.96, v * 0.97, v};
}

void DrawPillar(cairo_t* cr) {
  for (int c = 0; c < PILLAR_WIDTH; ++c) {
    SetColour(cr, PillarShade(c));
    cairo_rectangle(cr, c, 0, 1, sheet::PILLAR_H);
    cairo_fill(cr);
  }
}

void DrawPedestalBase(cairo_t* cr) {
  const int w = sheet::BASE_W, h = sheet::BASE_H;
  FillBlack(cr, w, h);
  // A slab with bevelled corners, lit from the top.
  cairo_move_to(cr, 2, 0);
  cairo_line_to(cr, w - 2, 0);
  cairo_line_to(cr, w, 2);
  cairo_line_to(cr, w, h - 2);
  cairo_line_to(cr, w - 2, h);
  cairo_line_to(cr, 2, h);
  cairo_line_to(cr, 0, h - 2);
  cairo_line_to(cr, 0, 2);
  cairo_close_path(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.92, 0.93, 0.95);
  cairo_pattern_add_color_stop_rgb(p, 0.3, 0.62, 0.63, 0.66);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.22, 0.22, 0.24);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Side shading so the slab reads as metal.
  cairo_pattern_t* s = cairo_pattern_create_linear(0, 0, w, 0);
  cairo_pattern_add_color_stop_rgba(s, 0, 0, 0, 0, 0.45);
  cairo_pattern_add_color_stop_rgba(s, 0.3, 1, 1, 1, 0.15);
  cairo_pattern_add_color_stop_rgba(s, 0.7, 0, 0, 0, 0.0);
  cairo_pattern_add_color_stop_rgba(s, 1, 0, 0, 0, 0.5);
  cairo_set_source(cr, s);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_fill(cr);
  cairo_pattern_destroy(s);
  // The corners stay black.
  SetColour(cr, BLACK);
  for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
    cairo_rectangle(cr, x, y, 1, 1);
  }
  cairo_fill(cr);
}

void DrawHolderPose(cairo_t* cr, int pose) {
  FillBlack(cr, sheet::POSE_W, sheet::POSE_H);
  const Rgb red = {0.86, 0.12, 0.10};
  Figure f{red, 29, 38, 13, 68.5, 20, 20, Regalia::Solid, GOLD, false, true, Arm::Holding, +1, false,
           Regalia::Solid, GOLD, 0, false};
  switch (pose) {
    case 0: break;
    case 1: f.crownColour = f.sceptreColour = ORANGE; break;
    case 2: f.crownColour = f.sceptreColour = FADED_RED; break;
    case 3:
      f.crown = f.sceptre = Regalia::Outline;
      f.crownColour = f.sceptreColour = {0.75, 0.55, 0.35};
      f.tuft = true;
      break;
    case 4:
      f.crown = f.sceptre = Regalia::None;
      f.tuft = true;
      f.arm = Arm::Raised;
      break;
    case 5:
      f.crown = f.sceptre = Regalia::None;
      f.tuft = true;
      f.badge = false;
      f.arm = Arm::Stretched;
      break;
    default:
      f.crown = f.sceptre = Regalia::None;
      f.tuft = true;
      f.badge = false;
      f.arm = Arm::Hanging;
      f.slumped = true;
      f.headY = 67;
      f.headR = 11;
      f.bodyY = 85;
      f.bodyRx = 21;
      f.bodyRy = 14;
      break;
  }
  DrawCap(cr, sheet::HOLDER_CAP_LEFT, 88);
  DrawFigure(cr, f);
  // Below the figure only the cap shows.
  const int pureRows = pose == 6 ? 1 : sheet::CAP_ROWS;
  SetColour(cr, BLACK);
  cairo_rectangle(cr, 0, sheet::POSE_H - pureRows, sheet::POSE_W, pureRows);
  cairo_fill(cr);
  DrawCap(cr, sheet::HOLDER_CAP_LEFT, sheet::POSE_H - pureRows);
}

void DrawPretenderFigure(cairo_t* cr, int crowning) {
  FillBlack(cr, sheet::POSE_W, sheet::POSE_H);
  const Rgb magenta = {0.82, 0.16, 0.78};
  Figure f{magenta, 36.5, 38, 13, 68.5, 20, 20, Regalia::None, GOLD, true, true, Arm::Holding, -1, true,
           Regalia::None, GOLD, 5, false};
  switch (crowning) {
    case 2: f.crown = Regalia::Outline; f.crownColour = {0.45, 0.40, 0.30}; break;
    case 3: f.crown = Regalia::Solid; f.crownColour = SILVER; break;
    case 4: f.crown = Regalia::Solid; f.crownColour = PALE_GOLD; break;
    case 5: f.crown = Regalia::Solid; f.crownColour = GOLD; break;
    case 6: f.crown = Regalia::Solid; f.crownColour = GOLD; f.handLift = 9; break;
    default: break;
  }
  if (f.crown == Regalia::Solid) f.tuft = false;  // tucked under the crown
  DrawCap(cr, sheet::BODY_CAP_LEFT, 88);
  DrawFigure(cr, f);
  SetColour(cr, BLACK);
  cairo_rectangle(cr, 0, sheet::POSE_H - sheet::CAP_ROWS, sheet::POSE_W, sheet::CAP_ROWS);
  cairo_fill(cr);
  DrawCap(cr, sheet::BODY_CAP_LEFT, sheet::POSE_H - sheet::CAP_ROWS);
}
