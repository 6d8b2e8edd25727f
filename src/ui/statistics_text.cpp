#include "ui/statistics_text.h"

#include "platform/byte_strings.h"
#include "render/format_decimal.h"

void CountCellValues(const Cell* board, uint32_t counts[STATISTICS_VALUES]) {
  for (int value = 0; value < STATISTICS_VALUES; ++value) counts[value] = 0;
  for (int i = 0; i < CELL_COUNT; ++i) {
    if (board[i] < STATISTICS_VALUES) ++counts[board[i]];
  }
}

void BuildStatisticsText(int value, uint32_t count, uint32_t removed,
                         char text[STATISTICS_TEXT_SIZE]) {
  // Keeps count * 100 inside 32 bits and the share at most 100%.
  if (count > CELL_COUNT) count = CELL_COUNT;
  char number[11];
  FormatDecimal(count, number);
  StrCopy(text, number);
  StrAppend(text, " (");
  FormatDecimal(count * 100 / CELL_COUNT, number);
  StrAppend(text, number);
  StrAppend(text, "%)");
  if (value != CELL_EMPTY) {
    StrAppend(text, ", del-");
    FormatDecimal(removed, number);
    StrAppend(text, number);
  }
  // Repaints do not erase: the spaces cover the end of a longer older text.
  StrAppend(text, "          ");
}
