// One headless run of the game: the state the window's creation sets up,
// the commands that stand for the window's messages, and the window's end.
#pragma once
#include <string>

// What WM_CREATE does, without the window, the picture and the timer.
void SimStart();
// Runs one command line; on a malformed line changes nothing, returns
// false and says why.
bool SimCommand(const std::string& line, std::string* error);
// What WM_DESTROY does to the table.
void SimFinish();
