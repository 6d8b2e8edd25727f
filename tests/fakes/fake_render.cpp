// The render layer as the rules see it, recorded call by call.
#include <string>

#include "fakes/fake_log.h"
#include "render/draw.h"

using std::to_string;

void DrawBoard(HDC) { FakeRecord("> DrawBoard"); }

void DrawCell(HDC, int column, int row, int frame) {
  FakeRecord("> DrawCell " + to_string(column) + " " + to_string(row) + " " + to_string(frame));
}

void DrawBevel(HDC, int, int, int, int, HPEN, HPEN) {}

void DrawScoreBox(HDC, int x, int y, uint32_t value) {
  FakeRecord("> DrawScoreBox " + to_string(x) + " " + to_string(y) + " " + to_string(value));
}

void DrawPreview(HDC) { FakeRecord("> DrawPreview"); }

void DrawPanel(HWND, HDC) { FakeRecord("> DrawPanel"); }

void DrawRecordHolder(HDC, int full) {
  FakeRecord(std::string("> DrawRecordHolder ") + (full ? "full" : "figure"));
}

void DrawPretender(HDC, int full, int forceFigure) {
  const char* kind = full ? (forceFigure ? "force" : "full") : "figure";
  FakeRecord(std::string("> DrawPretender ") + kind);
}
