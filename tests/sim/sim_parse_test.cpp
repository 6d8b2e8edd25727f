// How the simulator reads words, numbers and the text of a name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_parse.h"

namespace {

TEST(SimParse, NumbersAreDigitsWithinTheirBounds) {
  struct Case {
    std::string word;
    int64_t minimum, maximum;
    bool ok;
    int64_t value;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"0", 0, 8, true, 0, ""},
      {"8", 0, 8, true, 8, ""},
      {"007", 0, 8, true, 7, ""},
      {"9", 0, 8, false, 0, "column 9 is out of range 0..8"},
      {"0", 1, 7, false, 0, "column 0 is out of range 1..7"},
      {"4294967295", 0, 0xFFFFFFFFll, true, 0xFFFFFFFFll, ""},
      {"4294967296", 0, 0xFFFFFFFFll, false, 0, "column 4294967296 is out of range 0..4294967295"},
      {"99999999999999999999999999", 0, 8, false, 0,
       "column 99999999999999999999999999 is out of range 0..8"},
      {"-1", 0, 8, false, 0, "column '-1' is not a number"},
      {"+1", 0, 8, false, 0, "column '+1' is not a number"},
      {"3x", 0, 8, false, 0, "column '3x' is not a number"},
      {"0x3", 0, 8, false, 0, "column '0x3' is not a number"},
      {"", 0, 8, false, 0, "column is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    int64_t value = -42;
    std::string error;
    EXPECT_EQ(ParseNumber(c.word, c.minimum, c.maximum, "column", &value, &error), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    } else {
      EXPECT_EQ(value, -42);
      EXPECT_EQ(error, c.error);
    }
  }
}

TEST(SimParse, WordsSplitAtSpacesAndTabs) {
  typedef std::vector<std::string> Words;
  EXPECT_EQ(SplitWords("set 1 2 3"), (Words{"set", "1", "2", "3"}));
  EXPECT_EQ(SplitWords("  tick\t 4  "), (Words{"tick", "4"}));
  EXPECT_EQ(SplitWords(" \t "), Words{});
}

TEST(SimParse, TheNameTextKeepsItsSpaces) {
  struct Case {
    std::string line;
    bool ok;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"name Bob", true, "Bob"},
      {"name", true, ""},
      {"name ", true, ""},
      {"name  two  spaces ", true, " two  spaces "},
      {"  name Al", true, "Al"},
      {"name\tBob", false, ""},
      {"names Bob", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string text = "unchanged";
    EXPECT_EQ(NameText(c.line, &text), c.ok);
    EXPECT_EQ(text, c.ok ? c.text : "unchanged");
  }
}

}  // namespace
