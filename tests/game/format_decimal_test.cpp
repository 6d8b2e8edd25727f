#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "render/format_decimal.h"

namespace {

struct DecimalCase {
  uint32_t value;
  const char* text;
};

class Decimal : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(Decimal, DigitsWithoutLeadingZeros) {
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  FormatDecimal(GetParam().value, buffer);
  EXPECT_STREQ(buffer, GetParam().text);
  // Nothing past the terminator is touched.
  size_t used = std::strlen(GetParam().text) + 1;
  for (size_t i = used; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << i;
}

INSTANTIATE_TEST_SUITE_P(Values, Decimal,
                         ::testing::Values(DecimalCase{0, "0"}, DecimalCase{7, "7"},
                                           DecimalCase{10, "10"}, DecimalCase{100, "100"},
                                           DecimalCase{1932, "1932"}, DecimalCase{65535, "65535"},
                                           DecimalCase{1000000000u, "1000000000"},
                                           DecimalCase{1000000001u, "1000000001"},
                                           DecimalCase{4294967295u, "4294967295"}));

}  // namespace
