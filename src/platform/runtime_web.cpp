// The memory routines the compiler emits calls to, since the page links no C
// runtime. With bulk memory the builtins become single instructions rather
// than calls back into these functions.
#include <stddef.h>

extern "C" {

void* memcpy(void* dest, const void* source, size_t count) {
  __builtin_memcpy(dest, source, count);
  return dest;
}

void* memmove(void* dest, const void* source, size_t count) {
  __builtin_memmove(dest, source, count);
  return dest;
}

void* memset(void* dest, int value, size_t count) {
  __builtin_memset(dest, value, count);
  return dest;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* p = static_cast<const unsigned char*>(a);
  const unsigned char* q = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < count; ++i) {
    if (p[i] != q[i]) return p[i] < q[i] ? -1 : 1;
  }
  return 0;
}

}  // extern "C"
