#include "sim_parse.h"

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string::size_type i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string::size_type start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool ParseNumber(const std::string& word, int64_t minimum, int64_t maximum, const char* what,
                 int64_t* value, std::string* error) {
  if (word.empty()) {
    *error = std::string(what) + " is missing";
    return false;
  }
  // Accumulating stops growing past the largest bound any command uses, so
  // a long string of digits cannot overflow.
  const int64_t CAP = int64_t(1) << 40;
  int64_t n = 0;
  for (char c : word) {
    if (c < '0' || c > '9') {
      *error = std::string(what) + " '" + word + "' is not a number";
      return false;
    }
    if (n < CAP) n = n * 10 + (c - '0');
  }
  if (n < minimum || n > maximum) {
    *error = std::string(what) + " " + word + " is out of range " + std::to_string(minimum) +
             ".." + std::to_string(maximum);
    return false;
  }
  *value = n;
  return true;
}

bool NameText(const std::string& line, std::string* text) {
  std::string::size_type i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (line.compare(i, 4, "name") != 0) return false;
  i += 4;
  if (i == line.size()) {
    text->clear();
    return true;
  }
  if (line[i] != ' ') return false;
  *text = line.substr(i + 1);
  return true;
}
