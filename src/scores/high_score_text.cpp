#include "scores/high_score_text.h"

#include "platform/byte_strings.h"
#include "render/format_decimal.h"

void BuildHighScoreRowText(uint32_t index, const HighScoreEntry& entry,
                           char text[HIGH_SCORE_ROW_SIZE]) {
  FormatDecimal(index + 1, text);
  StrAppend(text, ". ");
  int end = StrLength(text);
  for (int i = 0; i < NAME_LIMIT && entry.name[i] != 0; ++i) text[end++] = entry.name[i];
  text[end] = 0;
}
