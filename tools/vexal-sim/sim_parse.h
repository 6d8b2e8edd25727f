// Reading one command line of vexal-sim: words and bounded numbers, with a
// message for whatever is wrong.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The words of a line, split at spaces and tabs.
std::vector<std::string> SplitWords(const std::string& line);

// A decimal number from `minimum` to `maximum`; digits only, so no sign,
// no spaces, no trailing junk. On failure `error` says why, naming `what`.
bool ParseNumber(const std::string& word, int64_t minimum, int64_t maximum, const char* what,
                 int64_t* value, std::string* error);

// The text of a `name` line: everything after the first space following the
// word, spaces kept; empty when the line is the word alone.
bool NameText(const std::string& line, std::string* text);
