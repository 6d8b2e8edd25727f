#include "fakes/fake_log.h"

#include <cstdio>

namespace {
std::vector<std::string> calls;
bool echo = false;
}  // namespace

std::vector<std::string>& FakeCalls() { return calls; }

void FakeRecord(const std::string& line) {
  calls.push_back(line);
  if (echo) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
  }
}

void FakeClear() { calls.clear(); }
void FakeSetEcho(bool on) { echo = on; }
