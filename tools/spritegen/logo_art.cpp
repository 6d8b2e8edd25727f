// The about box's emblem with its lettering, and the window icon.
#include <cmath>
#include <initializer_list>
#include <utility>

#include "art.h"

namespace {

void Letters(cairo_t* cr) {
  // "Vexal" as strokes, so the lettering does not depend on installed fonts.
  const double base = 46, xTop = 38.5, capTop = 34;
  double x = 0;
  cairo_move_to(cr, x, capTop);  // V
  cairo_line_to(cr, x + 4.2, base);
  cairo_line_to(cr, x + 8.4, capTop);
  x += 10.8;
  const double mid = (xTop + base) / 2, r = (base - xTop) / 2;
  cairo_move_to(cr, x, mid);  // e
  cairo_line_to(cr, x + 2 * r, mid);
  cairo_arc_negative(cr, x + r, mid, r, 0, M_PI / 4);
  x += 2 * r + 2.6;
  cairo_move_to(cr, x, xTop);  // x
  cairo_line_to(cr, x + 7, base);
  cairo_move_to(cr, x + 7, xTop);
  cairo_line_to(cr, x, base);
  x += 9.6;
  cairo_new_sub_path(cr);  // a
  cairo_arc(cr, x + r, mid, r, 0, 2 * M_PI);
  cairo_move_to(cr, x + 2 * r, xTop);
  cairo_line_to(cr, x + 2 * r, base);
  x += 2 * r + 2.8;
  cairo_move_to(cr, x, capTop - 0.5);  // l
  cairo_line_to(cr, x, base);
}

void GreyBall(cairo_t* cr, double cx, double cy, double r) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.4, r * 0.08, cx, cy, r);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(p, 0.35, 0.67, 0.67, 0.67);
  cairo_pattern_add_color_stop_rgb(p, 0.8, 0.40, 0.40, 0.40);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.28, 0.28, 0.28);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void ShinyBall(cairo_t* cr, Rgb base, double cx, double cy, double r) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.4, r * 0.1, cx, cy, r);
  const Rgb lit = Mix(base, {1, 1, 1}, 0.6), rim = Scale(base, 0.3);
  cairo_pattern_add_color_stop_rgb(p, 0, lit.r, lit.g, lit.b);
  cairo_pattern_add_color_stop_rgb(p, 0.45, base.r, base.g, base.b);
  cairo_pattern_add_color_stop_rgb(p, 1, rim.r, rim.g, rim.b);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_arc(cr, cx - r * 0.38, cy - r * 0.42, r * 0.2, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.85);
  cairo_set_line_width(cr, 1.0);
  cairo_arc(cr, cx, cy, r - 0.5, 0, 2 * M_PI);
  cairo_stroke(cr);
}

}  // namespace

void DrawLogo(cairo_t* cr) {
  // Emblem: a large ball between two small ones, on a swept line.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, 6, 25);
  cairo_curve_to(cr, 20, 31, 47, 31, 61, 25);
  cairo_set_source_rgb(cr, 0.33, 0.33, 0.33);
  cairo_set_line_width(cr, 2.2);
  cairo_stroke(cr);
  GreyBall(cr, 12, 21, 5.5);
  GreyBall(cr, 55, 21, 5.5);
  GreyBall(cr, 33.5, 15, 12.5);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_arc(cr, 29.0, 10.0, 2.6, 0, 2 * M_PI);
  cairo_fill(cr);

  // The lettering, widened a little; strokes are made after the widening is
  // undone so they keep an even width.
  cairo_save(cr);
  cairo_translate(cr, 9.5, -1);
  cairo_scale(cr, 1.15, 1.0);
  Letters(cr);
  cairo_restore(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // A black rim keeps the letters readable on the light dialog face too.
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 4.4);
  cairo_stroke_preserve(cr);
  cairo_set_source_rgb(cr, 0.67, 0.67, 0.67);
  cairo_set_line_width(cr, 2.4);
  cairo_stroke(cr);
}

void DrawIcon(cairo_t* cr) {
  ShinyBall(cr, {0.15, 0.30, 0.95}, 16, 10, 8.5);
  ShinyBall(cr, {0.10, 0.75, 0.15}, 23, 22, 8.5);
  ShinyBall(cr, {0.92, 0.12, 0.10}, 9.5, 22, 8.5);
}
