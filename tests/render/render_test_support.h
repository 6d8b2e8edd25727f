// A fresh game record and recording device for each drawing test, and
// readable comparisons of what was drawn.
#pragma once
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_gdi.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"

bool operator==(const FakeLine& a, const FakeLine& b);
bool operator==(const FakeBlit& a, const FakeBlit& b);
std::ostream& operator<<(std::ostream& out, const FakeLine& line);
std::ostream& operator<<(std::ostream& out, const FakeBlit& blit);
std::ostream& operator<<(std::ostream& out, const RECT& rect);
bool SameRect(const RECT& a, int left, int top, int right, int bottom);

// Distinct system colours the tests look for.
constexpr COLORREF TEST_FACE = 0x00B0B4B8;
constexpr COLORREF TEST_SHADOW = 0x00707478;
constexpr COLORREF TEST_HIGHLIGHT = 0x00E0E4E8;
constexpr COLORREF WHITE = 0x00FFFFFF;

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The copies from the sheet, the window context being the destination.
  FakeBlit Sheet(int x, int y, int width, int height, int sx, int sy) const {
    return FakeBlit{"window", x, y, width, height, "sheet", sx, sy, SRCCOPY};
  }
  // The colour a pen was created with, by its recorded name.
  COLORREF PenColour(const std::string& name) const;
  // Nothing created is left, nothing was misused, the context's pen is the
  // one it had before the drawing.
  void ExpectCleanDevice() const;

  HDC dc = reinterpret_cast<HDC>(uintptr_t{0xDC01});
  HDC sheetDc = reinterpret_cast<HDC>(uintptr_t{0xDC02});
  HWND window = reinterpret_cast<HWND>(uintptr_t{0x4E01});
};
