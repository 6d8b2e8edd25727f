// Every number the game shows goes through here.
#include "render/format_decimal.h"

void FormatDecimal(uint32_t value, char* buffer) {
  uint32_t divisor = 1000000000u;
  int written = 0;
  for (int position = 0; position < 10; ++position) {
    uint32_t digit = value / divisor;
    value %= divisor;
    if (digit != 0 || written != 0 || position == 9) buffer[written++] = static_cast<char>('0' + digit);
    divisor /= 10;
  }
  buffer[written] = 0;
}
