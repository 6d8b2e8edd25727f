// The picture painters. Each draws one picture with its top-left corner at
// the cairo origin and touches nothing outside its own width and height.
#pragma once
#include <cairo.h>

struct Rgb {
  double r, g, b;  // 0..1
};

Rgb Mix(Rgb a, Rgb b, double t);  // t = 0 gives a, 1 gives b
Rgb Scale(Rgb a, double k);
void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);

// Cell pictures, 36 x 36: colour 0 = bare tile, 1..7 balls; frame 0..9.
Rgb BallColour(int colour);
void DrawCellPicture(cairo_t* cr, int colour, int frame);
// A shaded ball of the given colour, centre and radii, without its tile.
void DrawBall(cairo_t* cr, Rgb base, double cx, double cy, double rx, double ry);

// Score race pictures.
constexpr int PILLAR_WIDTH = 45;
Rgb PillarShade(int column);  // the pillar's colour in column 0..44, every row alike
void DrawHolderPose(cairo_t* cr, int pose);          // 72 x 100, pose 0..6
void DrawPretenderFigure(cairo_t* cr, int crowning);  // 72 x 100; 0 = the plain body, 1..6 overlays
void DrawPedestalBase(cairo_t* cr);                   // 58 x 9
void DrawPillar(cairo_t* cr);                         // 45 x 125

// The about logo, 67 x 50, in white, grey 170, grey 85 and black on black.
void DrawLogo(cairo_t* cr);
// The window icon, 32 x 32, on a transparent background.
void DrawIcon(cairo_t* cr);
