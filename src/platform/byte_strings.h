// NUL-terminated byte strings and raw memory, without the C runtime.
#pragma once
#include <stddef.h>

int StrLength(const char* text);
void StrCopy(char* dest, const char* source);
void StrAppend(char* dest, const char* source);
void MemCopy(void* dest, const void* source, size_t count);
void MemFill(void* dest, int value, size_t count);
