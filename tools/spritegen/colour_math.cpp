#include "art.h"

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb a, double k) {
  auto clamp = [](double v) { return v < 0 ? 0.0 : v > 1 ? 1.0 : v; };
  return {clamp(a.r * k), clamp(a.g * k), clamp(a.b * k)};
}

void SetColour(cairo_t* cr, Rgb c, double alpha) {
  if (alpha >= 1.0)
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
  else
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}
