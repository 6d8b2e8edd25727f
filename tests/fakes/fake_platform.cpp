// Platform calls of the rules, recorded; files map onto POSIX files so the
// real file logic runs on real files.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"

namespace {
bool iconic = false;
int failAllocAt = -1;
int liveBlocks = 0;
FakeFileFault fileFault = FakeFileFault::NONE;
unsigned faultWriteBytes = 0;
}  // namespace

void FakeFailFiles(FakeFileFault fault, unsigned writeBytes) {
  fileFault = fault;
  faultWriteBytes = writeBytes;
}

void FakeSetIconic(bool on) { iconic = on; }
void FakeFailGlobalAllocAt(int n) { failAllocAt = n; }
int FakeLiveGlobalBlocks() { return liveBlocks; }

void PauseFrame(DWORD milliseconds) { FakeRecord("> Sleep " + std::to_string(milliseconds)); }

int MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) {
  FakeRecord(std::string("> MessageBox ") + text);
  return 1;
}

BOOL MessageBeep(UINT type) {
  FakeRecord("> MessageBeep " + std::to_string(type));
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  if (window != nullptr && window == game.statisticsWindow)
    FakeRecord("> InvalidateRect statistics");
  else
    FakeRecord("> InvalidateRect other");
  return TRUE;
}

BOOL IsIconic(HWND) { return iconic ? TRUE : FALSE; }

HFILE _lopen(LPCSTR path, int mode) {
  int fd = ::open(path, mode == OF_WRITE ? O_WRONLY : O_RDONLY);
  return fd < 0 ? HFILE_ERROR : fd;
}

HFILE _lcreat(LPCSTR path, int) {
  if (fileFault == FakeFileFault::CREATE) return HFILE_ERROR;
  int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  return fd < 0 ? HFILE_ERROR : fd;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count) {
  ssize_t n = ::read(file, buffer, count);
  return n < 0 ? (UINT)HFILE_ERROR : (UINT)n;
}

UINT _lwrite(HFILE file, LPCSTR buffer, UINT count) {
  // A full disk: what fits is written, then nothing more.
  if (fileFault == FakeFileFault::WRITE) {
    if (count > faultWriteBytes) {
      ssize_t n = faultWriteBytes == 0 ? 0 : ::write(file, buffer, faultWriteBytes);
      faultWriteBytes = 0;
      return n > 0 ? (UINT)n : (UINT)HFILE_ERROR;
    }
    faultWriteBytes -= count;
  }
  ssize_t n = ::write(file, buffer, count);
  return n < 0 ? (UINT)HFILE_ERROR : (UINT)n;
}

HFILE _lclose(HFILE file) { return ::close(file) == 0 ? 0 : HFILE_ERROR; }

BOOL FlushFileBuffers(HANDLE file) {
  if (fileFault == FakeFileFault::FLUSH) return FALSE;
  return ::fsync(static_cast<int>(reinterpret_cast<intptr_t>(file))) == 0 ? TRUE : FALSE;
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  if (fileFault == FakeFileFault::MOVE) return FALSE;
  if (flags & MOVEFILE_REPLACE_EXISTING) return ::rename(from, to) == 0 ? TRUE : FALSE;
  // Without the flag an existing target stays: link fails on it.
  if (::link(from, to) != 0) return FALSE;
  return ::unlink(from) == 0 ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR path) {
  return ::unlink(path) == 0 ? TRUE : FALSE;
}

HGLOBAL GlobalAlloc(UINT, size_t bytes) {
  if (failAllocAt == 0) {
    failAllocAt = -1;
    return nullptr;
  }
  if (failAllocAt > 0) --failAllocAt;
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block != nullptr) ++liveBlocks;
  return block;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (memory != nullptr) {
    --liveBlocks;
    std::free(memory);
  }
  return nullptr;
}
