// Recording stand-ins for the drawing calls. Besides the structured records
// each call also becomes a log line ("> BitBlt ...") so that the order of
// different kinds of calls can be checked.
#include "fakes/fake_gdi.h"

#include <cstdio>
#include <map>

#include "fakes/fake_log.h"

namespace {

const uintptr_t STOCK_BASE = 0x57000000;
const uintptr_t CREATED_BASE = 0x6D000000;
const uintptr_t DEFAULT_BITMAP = 0x6C000001;

struct DcState {
  uintptr_t pen = STOCK_BASE + 7;     // BLACK_PEN
  uintptr_t brush = STOCK_BASE + 0;   // WHITE_BRUSH
  uintptr_t font = STOCK_BASE + 13;   // SYSTEM_FONT
  uintptr_t bitmap = DEFAULT_BITMAP;
  uintptr_t other = 0;
  COLORREF textColour = 0;
  COLORREF bkColour = 0xFFFFFF;
  int bkMode = OPAQUE;
  int x = 0, y = 0;
};

std::vector<FakeLine> lines;
std::vector<FakeFill> fills;
std::vector<FakeBlit> blits;
std::vector<FakeText> texts;
std::vector<FakeObject> objects;  // created ones; index n - 1 has handle CREATED_BASE + n
std::vector<std::string> errors;
std::map<uintptr_t, DcState> dcs;
std::map<uintptr_t, std::string> names;
std::map<int, COLORREF> sysColours;
int clientWidth = 620;
int clientHeight = 420;
int counters[4];  // pens, brushes, fonts, contexts

uintptr_t Key(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

const char* StockName(int index) {
  static const char* const table[] = {
      "WHITE_BRUSH",   "LTGRAY_BRUSH",    "GRAY_BRUSH",        "DKGRAY_BRUSH",
      "BLACK_BRUSH",   "NULL_BRUSH",      "WHITE_PEN",         "BLACK_PEN",
      "NULL_PEN",      "STOCK_9",         "OEM_FIXED_FONT",    "ANSI_FIXED_FONT",
      "ANSI_VAR_FONT", "SYSTEM_FONT",     "DEVICE_DEFAULT_FONT", "DEFAULT_PALETTE",
      "SYSTEM_FIXED_FONT", "DEFAULT_GUI_FONT"};
  return index >= 0 && index < 18 ? table[index] : "STOCK_BAD";
}

bool IsStock(uintptr_t h) { return h >= STOCK_BASE && h < STOCK_BASE + 18; }

FakeObject* Created(uintptr_t h) {
  if (h <= CREATED_BASE || h > CREATED_BASE + objects.size()) return nullptr;
  return &objects[h - CREATED_BASE - 1];
}

std::string KindOf(uintptr_t h) {
  if (IsStock(h)) {
    int i = static_cast<int>(h - STOCK_BASE);
    if (i <= 5) return "brush";
    if (i <= 8) return "pen";
    if (i == 15) return "palette";
    return "font";
  }
  if (h == DEFAULT_BITMAP) return "bitmap";
  if (FakeObject* o = Created(h)) return o->kind;
  // Bitmaps from CreateDIBitmap and handles a test made up.
  return "bitmap";
}

COLORREF ColourOf(uintptr_t h) {
  if (IsStock(h)) {
    static const COLORREF table[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000,
                                     0,        0xFFFFFF, 0x000000, 0};
    int i = static_cast<int>(h - STOCK_BASE);
    return i < 9 ? table[i] : 0;
  }
  if (FakeObject* o = Created(h)) return o->colour;
  return 0;
}

std::string Name(uintptr_t h) {
  if (h == 0) return "0";
  auto named = names.find(h);
  if (named != names.end()) return named->second;
  if (IsStock(h)) return StockName(static_cast<int>(h - STOCK_BASE));
  if (h == DEFAULT_BITMAP) return "defaultbitmap";
  if (FakeObject* o = Created(h)) return o->name;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "h%lx", static_cast<unsigned long>(h));
  return buffer;
}

std::string Hex(COLORREF c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%06X", static_cast<unsigned>(c));
  return buffer;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

DcState& State(HDC dc) { return dcs[Key(dc)]; }

uintptr_t Make(const std::string& kind, int counter, COLORREF colour) {
  FakeObject o;
  o.name = kind + std::to_string(++counters[counter]);
  o.kind = kind == "memdc" ? "dc" : kind;
  o.colour = colour;
  o.alive = true;
  objects.push_back(o);
  return CREATED_BASE + objects.size();
}

bool IsSelectedAnywhere(uintptr_t h) {
  for (auto& entry : dcs) {
    const DcState& s = entry.second;
    if (s.pen == h || s.brush == h || s.font == h || s.bitmap == h || s.other == h) return true;
  }
  return false;
}

}  // namespace

void FakeGdiReset() {
  lines.clear();
  fills.clear();
  blits.clear();
  texts.clear();
  objects.clear();
  errors.clear();
  dcs.clear();
  names.clear();
  sysColours.clear();
  clientWidth = 620;
  clientHeight = 420;
  for (int& c : counters) c = 0;
}

void FakeGdiName(const void* handle, const std::string& name) { names[Key(handle)] = name; }
std::string FakeGdiNameOf(const void* handle) { return Name(Key(handle)); }

void FakeGdiSetSysColor(int index, COLORREF colour) { sysColours[index] = colour; }
void FakeGdiSetClientSize(int width, int height) {
  clientWidth = width;
  clientHeight = height;
}

const std::vector<FakeLine>& FakeGdiLines() { return lines; }
const std::vector<FakeFill>& FakeGdiFills() { return fills; }
const std::vector<FakeBlit>& FakeGdiBlits() { return blits; }
const std::vector<FakeText>& FakeGdiTexts() { return texts; }
const std::vector<FakeObject>& FakeGdiObjects() { return objects; }
const std::vector<std::string>& FakeGdiErrors() { return errors; }

std::vector<std::string> FakeGdiLiveObjects() {
  std::vector<std::string> live;
  for (const FakeObject& o : objects)
    if (o.alive) live.push_back(o.name);
  return live;
}

std::string FakeGdiSelected(HDC dc, const std::string& kind) {
  const DcState& s = State(dc);
  if (kind == "pen") return Name(s.pen);
  if (kind == "brush") return Name(s.brush);
  if (kind == "font") return Name(s.font);
  if (kind == "bitmap") return Name(s.bitmap);
  return Name(s.other);
}

COLORREF FakeGdiTextColour(HDC dc) { return State(dc).textColour; }
int FakeGdiBkMode(HDC dc) { return State(dc).bkMode; }

// ---- the calls ----

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
            DWORD rop) {
  blits.push_back({Name(Key(dest)), x, y, width, height, Name(Key(source)), sx, sy, rop});
  FakeRecord("> BitBlt " + Name(Key(dest)) + " " + std::to_string(x) + " " + std::to_string(y) +
             " " + std::to_string(width) + "x" + std::to_string(height) + " from " +
             Name(Key(source)) + " " + std::to_string(sx) + " " + std::to_string(sy) + " " +
             Hex(rop));
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  FakeRecord("> DrawFocusRect " + Name(Key(dc)) + " " + std::to_string(rect->left) + " " +
             std::to_string(rect->top) + " " + std::to_string(rect->right) + " " +
             std::to_string(rect->bottom));
  return TRUE;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  uintptr_t h = Make("pen", 0, colour);
  FakeRecord("> CreatePen " + std::to_string(style) + " " + std::to_string(width) + " " +
             Hex(colour) + " -> " + Name(h));
  return reinterpret_cast<HPEN>(h);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  uintptr_t h = Make("brush", 1, colour);
  FakeRecord("> CreateSolidBrush " + Hex(colour) + " -> " + Name(h));
  return reinterpret_cast<HBRUSH>(h);
}

HFONT CreateFontA(int height, int, int, int, int weight, DWORD, DWORD, DWORD, DWORD charSet,
                  DWORD, DWORD, DWORD, DWORD, LPCSTR face) {
  uintptr_t h = Make("font", 2, 0);
  FakeRecord("> CreateFontA " + std::to_string(height) + " " + std::to_string(weight) + " " +
             std::to_string(charSet) + " " + (face ? face : "(null)") + " -> " + Name(h));
  return reinterpret_cast<HFONT>(h);
}

HDC CreateCompatibleDC(HDC dc) {
  uintptr_t h = Make("memdc", 3, 0);
  dcs[h] = DcState();
  FakeRecord("> CreateCompatibleDC " + Name(Key(dc)) + " -> " + Name(h));
  return reinterpret_cast<HDC>(h);
}

BOOL DeleteDC(HDC dc) {
  uintptr_t h = Key(dc);
  FakeRecord("> DeleteDC " + Name(h));
  FakeObject* o = Created(h);
  if (o == nullptr || o->kind != "dc") {
    errors.push_back("DeleteDC of " + Name(h) + ", not a memory context");
    return FALSE;
  }
  if (!o->alive) {
    errors.push_back("DeleteDC of " + Name(h) + " twice");
    return FALSE;
  }
  o->alive = false;
  dcs.erase(h);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  uintptr_t h = Key(object);
  FakeRecord("> SelectObject " + Name(Key(dc)) + " " + Name(h));
  FakeObject* o = Created(h);
  if (h == 0) {
    errors.push_back("SelectObject of a null handle into " + Name(Key(dc)));
    return nullptr;
  }
  if (o != nullptr && !o->alive) {
    errors.push_back("SelectObject of deleted " + Name(h));
    return nullptr;
  }
  if (o != nullptr && o->kind == "dc") {
    errors.push_back("SelectObject of the context " + Name(h));
    return nullptr;
  }
  DcState& s = State(dc);
  std::string kind = KindOf(h);
  uintptr_t* slot = kind == "pen"      ? &s.pen
                    : kind == "brush"  ? &s.brush
                    : kind == "font"   ? &s.font
                    : kind == "bitmap" ? &s.bitmap
                                       : &s.other;
  uintptr_t previous = *slot;
  *slot = h;
  return reinterpret_cast<HGDIOBJ>(previous);
}

BOOL DeleteObject(HGDIOBJ object) {
  uintptr_t h = Key(object);
  FakeRecord("> DeleteObject " + Name(h));
  if (IsStock(h)) {
    errors.push_back("DeleteObject of stock " + Name(h));
    return FALSE;
  }
  FakeObject* o = Created(h);
  if (o == nullptr) return TRUE;  // bitmaps and palettes of other fakes
  if (o->kind == "dc") {
    errors.push_back("DeleteObject of the context " + Name(h));
    return FALSE;
  }
  if (!o->alive) {
    errors.push_back("DeleteObject of " + Name(h) + " twice");
    return FALSE;
  }
  if (IsSelectedAnywhere(h)) errors.push_back("DeleteObject of " + Name(h) + " while selected");
  o->alive = false;
  return TRUE;
}

HGDIOBJ GetStockObject(int which) {
  if (which < 0 || which >= 18) {
    errors.push_back("GetStockObject " + std::to_string(which));
    return nullptr;
  }
  return reinterpret_cast<HGDIOBJ>(STOCK_BASE + which);
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  DcState& s = State(dc);
  if (previous != nullptr) *previous = POINT{s.x, s.y};
  s.x = x;
  s.y = y;
  FakeRecord("> MoveToEx " + Name(Key(dc)) + " " + std::to_string(x) + " " + std::to_string(y));
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  DcState& s = State(dc);
  lines.push_back({Name(Key(dc)), Name(s.pen), s.x, s.y, x, y});
  FakeRecord("> LineTo " + Name(Key(dc)) + " " + std::to_string(x) + " " + std::to_string(y) +
             " " + Name(s.pen));
  s.x = x;
  s.y = y;
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  uintptr_t b = Key(brush);
  if (FakeObject* o = Created(b); o != nullptr && !o->alive)
    errors.push_back("FillRect with deleted " + Name(b));
  fills.push_back({Name(Key(dc)), Name(b), ColourOf(b), *rect});
  FakeRecord("> FillRect " + Name(Key(dc)) + " " + RectText(*rect) + " " + Name(b));
  return 1;
}

int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
  const DcState& s = State(dc);
  std::string bytes = length < 0 ? std::string(text) : std::string(text, length);
  texts.push_back({Name(Key(dc)), bytes, length, *rect, format, s.textColour, s.bkMode});
  FakeRecord("> DrawTextA " + Name(Key(dc)) + " \"" + bytes + "\" " + std::to_string(length) +
             " " + RectText(*rect) + " " + std::to_string(format));
  return 16;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  DcState& s = State(dc);
  COLORREF previous = s.textColour;
  s.textColour = colour;
  FakeRecord("> SetTextColor " + Name(Key(dc)) + " " + Hex(colour));
  return previous;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  DcState& s = State(dc);
  COLORREF previous = s.bkColour;
  s.bkColour = colour;
  FakeRecord("> SetBkColor " + Name(Key(dc)) + " " + Hex(colour));
  return previous;
}

int SetBkMode(HDC dc, int mode) {
  DcState& s = State(dc);
  int previous = s.bkMode;
  s.bkMode = mode;
  FakeRecord("> SetBkMode " + Name(Key(dc)) + " " + std::to_string(mode));
  return previous;
}

DWORD GetSysColor(int index) {
  auto set = sysColours.find(index);
  if (set != sysColours.end()) return set->second;
  // Distinct per index and never black or white.
  return 0x102030 + 0x010101 * static_cast<DWORD>(index);
}

BOOL GetClientRect(HWND, RECT* rect) {
  *rect = RECT{0, 0, clientWidth, clientHeight};
  return TRUE;
}
