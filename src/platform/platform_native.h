// The Win32 names the portable code uses, declared for the builds without
// Windows: natively tests/fakes defines them, in the page src/web does. Only
// platform.h includes this.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef int32_t LONG;
typedef intptr_t LPARAM;
typedef uintptr_t WPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef DWORD COLORREF;
typedef int HFILE;
typedef uintptr_t UINT_PTR;

#define CALLBACK
#define WINAPI

struct HWND__;
struct HDC__;
struct HINSTANCE__;
struct HACCEL__;
struct HGDIOBJ__;
struct HMENU__;
typedef HWND__* HWND;
typedef HDC__* HDC;
typedef HINSTANCE__* HINSTANCE;
typedef HACCEL__* HACCEL;
typedef HMENU__* HMENU;
typedef void* HANDLE;
typedef void* HGLOBAL;
// All drawing objects share one handle type here: the fakes never need to
// tell them apart by type, only by value.
typedef HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ HBITMAP;
typedef HGDIOBJ HPALETTE;
typedef HGDIOBJ HPEN;
typedef HGDIOBJ HBRUSH;
typedef HGDIOBJ HFONT;

#define TRUE 1
#define FALSE 0

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

struct RECT {
  LONG left, top, right, bottom;
};
struct POINT {
  LONG x, y;
};

struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};
struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};
struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x, y, cx, cy;
  UINT flags;
};

#define RGB(r, g, b) \
  ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)(((WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)((WORD)(i)))

// Messages.
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_SIZE 0x0005u
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_GETMINMAXINFO 0x0024u
#define WM_WINDOWPOSCHANGING 0x0046u
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_TIMER 0x0113u
#define WM_KEYDOWN 0x0100u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define DM_SETDEFID 0x0401u
#define VK_RETURN 0x0D
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define SWP_NOACTIVATE 0x0010u
#define SWP_SHOWWINDOW 0x0040u

// System metrics.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// Menus.
#define MF_BYCOMMAND 0x0000u
#define MF_UNCHECKED 0x0000u
#define MF_CHECKED 0x0008u

// Message boxes and beeps.
#define MB_OK 0x00000000u
#define MB_ICONWARNING 0x00000030u
#define MB_ICONASTERISK 0x00000040u

// Files.
#define OF_READ 0
#define OF_WRITE 1
#define HFILE_ERROR ((HFILE)-1)
#define MOVEFILE_REPLACE_EXISTING 0x00000001u

// Memory.
#define GMEM_FIXED 0x0000u

// Drawing.
#define SRCCOPY 0x00CC0020u
#define SRCAND 0x008800C6u
#define SRCPAINT 0x00EE0086u
#define PS_SOLID 0
#define WHITE_PEN 6
#define BLACK_BRUSH 4
#define TRANSPARENT 1
#define OPAQUE 2
#define DT_LEFT 0x0000u
#define DT_CENTER 0x0001u
#define DT_RIGHT 0x0002u
#define DT_VCENTER 0x0004u
#define DT_SINGLELINE 0x0020u
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_BTNHIGHLIGHT 20
#define BI_RGB 0
#define CBM_INIT 0x04u
#define DIB_RGB_COLORS 0
#define FW_NORMAL 400
#define ANSI_CHARSET 0

// The calls keep the C names the system gives them, so that the page's
// platform can supply them by name.
#ifdef __cplusplus
extern "C" {
#endif

// Message boxes, beeps and windows.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL MessageBeep(UINT type);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL IsIconic(HWND window);

// Files, with their 16-bit-era names.
HFILE _lopen(LPCSTR path, int mode);
HFILE _lcreat(LPCSTR path, int attribute);
UINT _lread(HFILE file, LPVOID buffer, UINT count);
UINT _lwrite(HFILE file, LPCSTR buffer, UINT count);
HFILE _lclose(HFILE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL DeleteFileA(LPCSTR path);

// Memory.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalFree(HGLOBAL memory);

// GDI and the few USER32 calls that drawing needs.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
            DWORD rop);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
HPEN CreatePen(int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(COLORREF colour);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int which);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
int SetBkMode(HDC dc, int mode);
DWORD GetSysColor(int index);
BOOL GetClientRect(HWND window, RECT* rect);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);

// Windows, timers, menus and dialogs.
DWORD GetTickCount(void);
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);
HDC GetDC(HWND window);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
BOOL DestroyWindow(HWND window);
void PostQuitMessage(int code);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND SetFocus(HWND window);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HMENU GetMenu(HWND window);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                        LPARAM parameter);
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                        LPARAM parameter);
BOOL EndDialog(HWND dialog, INT_PTR result);
BOOL SetDlgItemTextA(HWND dialog, int item, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int item, LPSTR text, int size);
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
int GetSystemMetrics(int index);

#ifdef __cplusplus
}  // extern "C"
#endif
