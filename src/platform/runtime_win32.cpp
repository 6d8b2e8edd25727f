// The few memory routines the compiler emits calls to (structure copies,
// cleared locals, loops it recognises), since Vexal.exe links no C runtime.
// String instructions keep the compiler from turning these bodies back into
// calls to themselves.
#include <stddef.h>

extern "C" {

void* memcpy(void* dest, const void* source, size_t count) {
  void* d = dest;
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(source), "+c"(count) : : "memory");
  return dest;
}

void* memset(void* dest, int value, size_t count) {
  void* d = dest;
  __asm__ volatile("rep stosb" : "+D"(d), "+c"(count) : "a"(value) : "memory");
  return dest;
}

void* memmove(void* dest, const void* source, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(dest);
  const unsigned char* s = static_cast<const unsigned char*>(source);
  if (d <= s || d >= s + count) return memcpy(dest, source, count);
  // Overlap with the destination above: copy from the end down.
  d += count - 1;
  s += count - 1;
  __asm__ volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(count) : : "memory");
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
