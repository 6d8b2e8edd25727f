// Dialogs and windows for the native build. A modal dialog runs its real
// procedure: WM_INITDIALOG, then the scripted answer (the name dialog's
// text and OK, any other dialog's OK); the name goes through the same code
// the real dialog runs, read from the field as GetDlgItemTextA reads it.
#include "fakes/fake_dialogs.h"

#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/resource_ids.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"
#include "scores/save_entry.h"

namespace {

bool haveAnswer = false;
std::string answer;
std::vector<std::string> windowCalls;
std::map<HWND, RECT> windowRects;
DWORD tickCount = 0;
int dialogsMade = 0;

struct Dialog {
  std::string field;  // the text of control 257
  bool ended = false;
  INT_PTR result = 0;
};
std::map<HWND, Dialog> dialogs;

void Note(const std::string& line) { windowCalls.push_back(line); }

std::string NameOf(HWND window) {
  if (window == nullptr) return "0";
  if (window == game.mainWindow) return "main";
  if (window == game.statisticsWindow) return "statistics";
  return "dialog" + std::to_string(reinterpret_cast<uintptr_t>(window) & 0xFFFF);
}

int TemplateId(LPCSTR name) { return static_cast<int>(reinterpret_cast<uintptr_t>(name)); }

HWND NewDialog() {
  HWND handle = FakeDialogHandle(++dialogsMade);
  dialogs[handle] = Dialog();
  return handle;
}

void Press(HWND dialog, DLGPROC procedure, int id) {
  procedure(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

}  // namespace

void FakeSetNameAnswer(const char* text) {
  haveAnswer = text != nullptr;
  answer = text != nullptr ? std::string(text) : std::string();
}

std::vector<std::string>& FakeWindowCalls() { return windowCalls; }
void FakeSetWindowRect(HWND window, RECT rect) { windowRects[window] = rect; }
void FakeSetTickCount(DWORD ticks) { tickCount = ticks; }
HWND FakeDialogHandle(int n) { return reinterpret_cast<HWND>(uintptr_t{0xD1A0000} + n); }

void FakeWindowsReset() {
  windowCalls.clear();
  windowRects.clear();
  dialogs.clear();
  dialogsMade = 0;
  tickCount = 0;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR name, HWND, DLGPROC procedure, LPARAM parameter) {
  int id = TemplateId(name);
  if (id == IDD_NAME_ENTRY)
    FakeRecord("> NameDialog");
  else if (id == IDD_HIGH_SCORES)
    FakeRecord("> TableDialog");
  else
    FakeRecord("> Dialog " + std::to_string(id));
  HWND dialog = NewDialog();
  procedure(dialog, WM_INITDIALOG, 0, parameter);
  if (id == IDD_NAME_ENTRY) {
    const std::string preset = dialogs[dialog].field;
    if (haveAnswer) {
      dialogs[dialog].field = answer;
      Press(dialog, procedure, IDC_OK);
    }
    if (!dialogs[dialog].ended) {
      dialogs[dialog].field = preset;
      Press(dialog, procedure, IDC_OK);
    }
  } else {
    Press(dialog, procedure, IDC_OK);
  }
  // A dialog that would not close would hang the real program: say so.
  if (!dialogs[dialog].ended) FakeRecord("> Dialog left open");
  INT_PTR result = dialogs[dialog].result;
  dialogs.erase(dialog);
  return result;
}

HWND CreateDialogParamA(HINSTANCE, LPCSTR name, HWND, DLGPROC procedure, LPARAM parameter) {
  FakeRecord("> CreateDialog " + std::to_string(TemplateId(name)));
  HWND dialog = NewDialog();
  procedure(dialog, WM_INITDIALOG, 0, parameter);
  return dialog;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  Note("EndDialog " + NameOf(dialog));
  auto found = dialogs.find(dialog);
  if (found == dialogs.end()) return FALSE;
  found->second.ended = true;
  found->second.result = result;
  return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int item, LPCSTR text) {
  Note("SetDlgItemText " + std::to_string(item) + " " + text);
  dialogs[dialog].field = text;
  return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int, LPSTR text, int size) {
  if (size <= 0) return 0;
  const std::string& field = dialogs[dialog].field;
  UINT n = 0;
  while (n + 1 < static_cast<UINT>(size) && n < field.size()) {
    text[n] = field[n];
    ++n;
  }
  text[n] = 0;
  return n;
}

HWND SetFocus(HWND window) {
  Note("SetFocus " + NameOf(window));
  return nullptr;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  auto found = windowRects.find(window);
  *rect = found != windowRects.end() ? found->second : RECT{0, 0, 100, 100};
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  Note("MoveWindow " + NameOf(window) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
       std::to_string(width) + "x" + std::to_string(height) + (repaint ? " repaint" : ""));
  windowRects[window] = RECT{x, y, x + width, y + height};
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM) {
  Note("SendMessage " + NameOf(window) + " " + std::to_string(message) + " " +
       std::to_string(wParam));
  return 0;
}

BOOL DestroyWindow(HWND window) {
  FakeRecord("> DestroyWindow " + NameOf(window));
  dialogs.erase(window);
  return TRUE;
}

DWORD GetTickCount() { return tickCount; }

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC) {
  FakeRecord("> SetTimer " + NameOf(window) + " " + std::to_string(id) + " " +
             std::to_string(milliseconds));
  return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  FakeRecord("> KillTimer " + NameOf(window) + " " + std::to_string(id));
  return TRUE;
}

void PostQuitMessage(int code) { FakeRecord("> PostQuitMessage " + std::to_string(code)); }

HMENU GetMenu(HWND) { return reinterpret_cast<HMENU>(uintptr_t{0x3E40}); }

DWORD CheckMenuItem(HMENU, UINT item, UINT flags) {
  FakeRecord("> CheckMenuItem " + std::to_string(item) +
             ((flags & MF_CHECKED) ? " checked" : " unchecked"));
  return 0;
}

HDC GetDC(HWND) { return reinterpret_cast<HDC>(uintptr_t{0xDC0001}); }

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  Note("BeginPaint " + NameOf(window));
  paint->hdc = reinterpret_cast<HDC>(uintptr_t{0xDC0100} + (reinterpret_cast<uintptr_t>(window) & 0xFF));
  return paint->hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
  Note("EndPaint " + NameOf(window));
  return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name) {
  return reinterpret_cast<HBITMAP>(uintptr_t{0xB17B00} + TemplateId(name) % 0x100);
}

// As the Windows build: the table is saved as soon as an entry enters it.
void TableEntered(HWND owner, int) { SaveEntry(owner); }
