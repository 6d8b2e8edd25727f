#include "platform/byte_strings.h"

int StrLength(const char* text) {
  int n = 0;
  while (text[n] != 0) ++n;
  return n;
}

void StrCopy(char* dest, const char* source) {
  while ((*dest++ = *source++) != 0) {
  }
}

void StrAppend(char* dest, const char* source) { StrCopy(dest + StrLength(dest), source); }

void MemCopy(void* dest, const void* source, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(dest);
  const unsigned char* s = static_cast<const unsigned char*>(source);
  while (count-- != 0) *d++ = *s++;
}

void MemFill(void* dest, int value, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(dest);
  while (count-- != 0) *d++ = static_cast<unsigned char>(value);
}
