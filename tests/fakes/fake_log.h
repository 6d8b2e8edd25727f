// The recording side of the native build: every call the game makes to the
// screen or the platform becomes one line, "> Name args", kept in order and,
// when echo is on, printed to standard output as it happens.
#pragma once
#include <string>
#include <vector>

std::vector<std::string>& FakeCalls();
void FakeRecord(const std::string& line);
void FakeClear();
void FakeSetEcho(bool on);

// What IsIconic answers from now on.
void FakeSetIconic(bool iconic);
// Makes the n-th GlobalAlloc from now on (counting from 0) fail; -1 never.
void FakeFailGlobalAllocAt(int n);
// Number of GlobalAlloc blocks not yet freed.
int FakeLiveGlobalBlocks();

// The file calls that fail from now on: creating a file; writing once
// `writeBytes` more bytes have gone out (a full disk), the write that
// crosses the limit cut short; flushing; moving a file to its name.
enum class FakeFileFault { NONE, CREATE, WRITE, FLUSH, MOVE };
void FakeFailFiles(FakeFileFault fault, unsigned writeBytes = 0);
