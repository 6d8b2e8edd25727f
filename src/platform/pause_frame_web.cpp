#include "platform/platform.h"

// The page suspends the program here and resumes it from a timer, having
// shown what was drawn; input that comes meanwhile waits for the turn's end.
extern "C" __attribute__((import_module("env"), import_name("WebPause"))) void WebPause(
    DWORD milliseconds);

void PauseFrame(DWORD milliseconds) { WebPause(milliseconds); }
