// vexal-sim: reads commands from standard input, one a line, and writes
// what they show to standard output. A malformed line is reported and
// skipped; the run goes on and ends with status 2.
#include <cstdio>
#include <iostream>
#include <string>

#include "sim_session.h"

namespace {

// Control bytes of a quoted word would garble the message; they are shown
// as \xNN instead.
std::string Printable(const std::string& text) {
  static const char HEX[] = "0123456789abcdef";
  std::string shown;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      shown += "\\x";
      shown += HEX[c >> 4];
      shown += HEX[c & 15];
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace

int main() {
  SimStart();
  bool malformed = false;
  std::string line;
  long number = 0;
  while (std::getline(std::cin, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string::size_type first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::string error;
    if (!SimCommand(line, &error)) {
      malformed = true;
      // Whatever stands on standard output so far comes first.
      std::fflush(stdout);
      std::fprintf(stderr, "vexal-sim: line %ld: %s\n", number, Printable(error).c_str());
      std::fflush(stderr);
    }
  }
  SimFinish();
  std::fflush(stdout);
  return malformed ? 2 : 0;
}
