#pragma once
#include <stdint.h>

// Decimal digits without leading zeros and a NUL; the buffer holds 11 bytes.
void FormatDecimal(uint32_t value, char* buffer);
