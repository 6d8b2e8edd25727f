// GlobalAlloc and GlobalFree in the page's linear memory. Only the image
// decoder takes blocks, all at start-up and all given back before it ends,
// so blocks are cut one after the other from the heap's start and the heap
// starts afresh once none is in use: nothing can fragment or leak. The
// memory grows as a block needs it; null when it cannot.
#include "platform/platform.h"

extern "C" unsigned char __heap_base;

namespace {

const size_t PAGE = 65536;
const size_t ALIGN = 16;
uintptr_t next = 0;
int live = 0;

bool Reach(uintptr_t end) {
  size_t have = __builtin_wasm_memory_size(0) * PAGE;
  if (end <= have) return true;
  size_t pages = (end - have + PAGE - 1) / PAGE;
  return __builtin_wasm_memory_grow(0, pages) != static_cast<size_t>(-1);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, size_t bytes) {
  uintptr_t base = reinterpret_cast<uintptr_t>(&__heap_base);
  if (live == 0 || next == 0) next = (base + ALIGN - 1) & ~(ALIGN - 1);
  if (bytes > 0x40000000u) return nullptr;
  uintptr_t start = next;
  uintptr_t end = (start + (bytes == 0 ? 1 : bytes) + ALIGN - 1) & ~(ALIGN - 1);
  if (!Reach(end)) return nullptr;
  next = end;
  ++live;
  return reinterpret_cast<HGLOBAL>(start);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (memory != nullptr && live > 0) --live;
  return nullptr;
}
