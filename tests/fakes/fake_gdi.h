// A recording device for the GDI calls of the drawing code (all but the four
// palette and bitmap calls, which fake_gdi_palette.cpp provides). It keeps,
// per device context, what is selected, the text colour, the background mode
// and the pen position, so every line, fill, copy and text is stored with
// the state it was drawn in. It also tracks every object it hands out and
// notes misuse: deleting a stock, unknown, selected or already deleted
// object, or selecting a deleted one.
//
// Handles are named in the records: pens "pen1", brushes "brush1", fonts
// "font1", memory contexts "memdc1" (counting from the last reset), stock
// objects by their constant ("WHITE_PEN", "BLACK_BRUSH"), handles given a
// name with FakeGdiName, anything else "h<hex>".
#pragma once
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeLine {
  std::string dc;
  std::string pen;
  int fromX, fromY, toX, toY;  // toX, toY is the excluded end point
};

struct FakeFill {
  std::string dc;
  std::string brush;
  COLORREF brushColour;  // the colour of a solid or stock brush
  RECT rect;
};

struct FakeBlit {
  std::string dest;
  int x, y, width, height;
  std::string source;
  int sourceX, sourceY;
  DWORD rop;
};

struct FakeText {
  std::string dc;
  std::string bytes;  // exactly the bytes drawn (length -1: up to the NUL)
  int length;         // as passed
  RECT rect;
  UINT format;
  COLORREF textColour;
  int bkMode;
};

struct FakeObject {
  std::string name;
  std::string kind;  // "pen", "brush", "font", "dc"
  COLORREF colour;   // pens and brushes
  bool alive;
};

// Forgets every record, object and device state; system colours and the
// client size return to their defaults.
void FakeGdiReset();

// Gives a handle made by the test (a window context, a sheet context) a name.
void FakeGdiName(const void* handle, const std::string& name);
std::string FakeGdiNameOf(const void* handle);

// GetSysColor answers; by default every index has its own colour, none of
// them black or white.
void FakeGdiSetSysColor(int index, COLORREF colour);
// GetClientRect answers (0, 0, width, height) for every window.
void FakeGdiSetClientSize(int width, int height);

const std::vector<FakeLine>& FakeGdiLines();
const std::vector<FakeFill>& FakeGdiFills();
const std::vector<FakeBlit>& FakeGdiBlits();
const std::vector<FakeText>& FakeGdiTexts();
const std::vector<FakeObject>& FakeGdiObjects();  // in order of creation
// Names of created objects not yet deleted.
std::vector<std::string> FakeGdiLiveObjects();
// One line per misuse, empty when the drawing handled its objects well.
const std::vector<std::string>& FakeGdiErrors();

// What is selected in a context now: kind "pen", "brush", "font" or
// "bitmap". A fresh context holds BLACK_PEN, WHITE_BRUSH, SYSTEM_FONT and
// "defaultbitmap", as a real one does.
std::string FakeGdiSelected(HDC dc, const std::string& kind);
COLORREF FakeGdiTextColour(HDC dc);
int FakeGdiBkMode(HDC dc);
