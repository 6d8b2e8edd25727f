// The raised board tile and the seven balls in their ten frames.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "art.h"

namespace {

constexpr double TILE = 36.0;
constexpr double FLOOR = 32.0;  // where a resting ball touches the tile

const Rgb WHITE = {1, 1, 1};

// The tile's colours must come out exact, so its pixels are written straight
// into the picture's surface (whose origin is the picture's corner) rather
// than through cairo's colour conversion.
void DrawTile(cairo_t* cr) {
  cairo_surface_t* target = cairo_get_target(cr);
  cairo_surface_flush(target);
  unsigned char* data = cairo_image_surface_get_data(target);
  const int stride = cairo_image_surface_get_stride(target);
  const int n = static_cast<int>(TILE);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      uint32_t c = 0xAAAAAA;                                  // face
      if (x == n - 1 || y == n - 1) c = 0x000000;             // outer edge
      else if (x == n - 2 || y == n - 2) c = 0x555555;        // shade inside it
      else if (x < 2 || y < 2) c = 0xFFFFFF;                  // highlight
      reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride)[x] = c;
    }
  cairo_surface_mark_dirty(target);
}

// A soft shadow on the tile; closer to the ball means darker and smaller.
void DrawShadow(cairo_t* cr, double cx, double width, double strength) {
  cairo_save(cr);
  cairo_translate(cr, cx + 1.5, FLOOR - 0.5);
  cairo_scale(cr, width, 2.6);
  cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  cairo_pattern_add_color_stop_rgba(p, 0, 0.15, 0.15, 0.15, 0.55 * strength);
  cairo_pattern_add_color_stop_rgba(p, 1, 0.15, 0.15, 0.15, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_restore(cr);
}

// The ball's centre and radii in each bounce frame: it rests, drops and
// squashes against the floor, springs back and rises to the top.
struct Pose {
  double cy, rx, ry;
};
const Pose BOUNCE[6] = {
    {18.0, 14.0, 14.0},  // at rest, rows 4-31
    {20.6, 15.0, 12.4},  // lower and flattened
    {22.3, 16.3, 10.9},  // lowest and flattest
    {20.9, 15.3, 12.1},  // recovering
    {17.2, 14.2, 13.8},  // nearly round, rising
    {16.0, 14.0, 14.0},  // lifted to the top
};

// A small deterministic generator so cracks and shards are the same on every run.
struct Lcg {
  unsigned state;
  double Next() {
    state = state * 1103515245u + 12345u;
    return ((state >> 8) & 0xFFFF) / 65536.0;
  }
};

void DrawCracks(cairo_t* cr, Rgb base, double cx, double cy, double r, unsigned seed) {
  Lcg rng{seed};
  cairo_save(cr);
  cairo_arc(cr, cx, cy, r - 0.8, 0, 2 * M_PI);
  cairo_clip(cr);
  const Rgb light = Mix(base, WHITE, 0.75);
  const Rgb dark = Scale(base, 0.35);
  const double hubX = cx - 2, hubY = cy - 1;
  for (int i = 0; i < 7; ++i) {
    double angle = i * 2 * M_PI / 7 + rng.Next() * 0.6;
    double x = hubX, y = hubY;
    cairo_move_to(cr, x, y);
    for (int step = 0; step < 4; ++step) {
      const double len = 3.5 + rng.Next() * 2.5;
      angle += (rng.Next() - 0.5) * 0.9;
      x += std::cos(angle) * len;
      y += std::sin(angle) * len;
      cairo_line_to(cr, x, y);
    }
  }
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  SetColour(cr, dark, 0.9);
  cairo_set_line_width(cr, 1.6);
  cairo_stroke_preserve(cr);
  SetColour(cr, light);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  cairo_restore(cr);
}

// The ball burst: curved shards of its shell flung outwards from the centre.
void DrawFragments(cairo_t* cr, Rgb base, unsigned seed) {
  Lcg rng{seed};
  const double cx = 18, cy = 18;
  for (int i = 0; i < 10; ++i) {
    const double angle = i * 2 * M_PI / 10 + (rng.Next() - 0.5) * 0.9;
    const double dist = (i % 3 == 0 ? 4.0 : 9.0) + rng.Next() * 5.5;
    const double px = cx + std::cos(angle) * dist, py = cy + 1 + std::sin(angle) * dist * 0.85;
    const double size = 2.8 + rng.Next() * 2.6;
    cairo_save(cr);
    cairo_translate(cr, px, py);
    cairo_rotate(cr, angle + rng.Next());
    cairo_move_to(cr, -size, -size * 0.5);
    cairo_line_to(cr, size * 0.3, -size * 0.9);
    cairo_line_to(cr, size, size * 0.1);
    cairo_line_to(cr, -size * 0.2, size * 0.8);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(-size, -size, size, size);
    const Rgb lit = Mix(base, WHITE, 0.5), shade = Scale(base, 0.4);
    cairo_pattern_add_color_stop_rgb(p, 0, lit.r, lit.g, lit.b);
    cairo_pattern_add_color_stop_rgb(p, 1, shade.r, shade.g, shade.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColour(cr, Scale(base, 0.25), 0.8);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
    cairo_restore(cr);
  }
  // Crumbs in between.
  for (int i = 0; i < 10; ++i) {
    const double angle = rng.Next() * 2 * M_PI, dist = 3 + rng.Next() * 12;
    SetColour(cr, Mix(base, WHITE, rng.Next() * 0.4));
    cairo_arc(cr, cx + std::cos(angle) * dist, cy + std::sin(angle) * dist, 0.7 + rng.Next() * 0.6, 0, 2 * M_PI);
    cairo_fill(cr);
  }
}

}  // namespace

Rgb BallColour(int colour) {
  static const Rgb colours[8] = {
      {0, 0, 0},
      {0.10, 0.72, 0.14},  // green
      {0.88, 0.10, 0.10},  // red
      {0.14, 0.26, 0.92},  // blue
      {0.98, 0.86, 0.08},  // yellow
      {0.08, 0.80, 0.88},  // cyan
      {0.84, 0.14, 0.82},  // magenta
      {0.50, 0.20, 0.08},  // brown
  };
  return colours[colour & 7];
}

void DrawBall(cairo_t* cr, Rgb base, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  // Body: lit from the upper left, darkening to the rim.
  cairo_pattern_t* body = cairo_pattern_create_radial(-0.38, -0.42, 0.05, 0, 0, 1.0);
  const Rgb lit = Mix(base, WHITE, 0.55), rim = Scale(base, 0.32);
  cairo_pattern_add_color_stop_rgb(body, 0.0, lit.r, lit.g, lit.b);
  cairo_pattern_add_color_stop_rgb(body, 0.45, base.r, base.g, base.b);
  cairo_pattern_add_color_stop_rgb(body, 1.0, rim.r, rim.g, rim.b);
  cairo_set_source(cr, body);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(body);
  // Light bounced back from the tile along the lower rim.
  cairo_pattern_t* bounce = cairo_pattern_create_radial(0.25, 0.75, 0.0, 0.25, 0.75, 0.45);
  const Rgb back = Mix(base, WHITE, 0.25);
  cairo_pattern_add_color_stop_rgba(bounce, 0, back.r, back.g, back.b, 0.45);
  cairo_pattern_add_color_stop_rgba(bounce, 1, back.r, back.g, back.b, 0);
  cairo_set_source(cr, bounce);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(bounce);
  // Specular highlight.
  cairo_pattern_t* sheen = cairo_pattern_create_radial(-0.38, -0.45, 0.0, -0.38, -0.45, 0.36);
  cairo_pattern_add_color_stop_rgba(sheen, 0.0, 1, 1, 1, 1.0);
  cairo_pattern_add_color_stop_rgba(sheen, 0.35, 1, 1, 1, 0.75);
  cairo_pattern_add_color_stop_rgba(sheen, 1.0, 1, 1, 1, 0.0);
  cairo_set_source(cr, sheen);
  cairo_arc(cr, -0.38, -0.45, 0.36, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(sheen);
  cairo_restore(cr);
  // A thin dark outline keeps the ball crisp against the grey tile.
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx - 0.35, ry - 0.35);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  SetColour(cr, Scale(base, 0.2), 0.7);
  cairo_set_line_width(cr, 0.7);
  cairo_stroke(cr);
}

void DrawCellPicture(cairo_t* cr, int colour, int frame) {
  DrawTile(cr);
  if (colour < 1 || colour > 7) return;
  // Balls, shadows and shards stay on the tile's face, off its bevel.
  cairo_rectangle(cr, 2, 2, TILE - 4, TILE - 4);
  cairo_clip(cr);
  const Rgb base = BallColour(colour);
  const double cx = 18.0;
  if (frame < 6) {
    const Pose& p = BOUNCE[frame];
    const double gap = FLOOR - (p.cy + p.ry);  // height above the floor
    DrawShadow(cr, cx, p.rx * (1.0 - gap * 0.05), 1.0 - gap * 0.12);
    DrawBall(cr, base, cx, p.cy, p.rx, p.ry);
  } else if (frame == 6) {
    DrawShadow(cr, cx, 7.0, 0.45);
    DrawBall(cr, base, cx, 18.0, 7.5, 7.5);
  } else if (frame == 7) {
    DrawShadow(cr, cx, 10.0, 0.7);
    DrawBall(cr, base, cx, 18.0, 10.5, 10.5);
  } else if (frame == 8) {
    DrawShadow(cr, cx, 14.0, 1.0);
    DrawBall(cr, base, cx, 18.0, 14.0, 14.0);
    DrawCracks(cr, base, cx, 18.0, 14.0, 17u + colour);
  } else {
    DrawFragments(cr, base, 91u + colour);
  }
}
