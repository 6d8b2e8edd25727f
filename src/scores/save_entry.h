#pragma once
#include "platform/platform.h"

// Saves the table as soon as an entry has entered it, so that an entry the
// table dialog shows is on the disk however the game ends; when it cannot be
// written, says so in a message box owned by `owner`. The table stays in
// memory either way, and is written again when the window is destroyed.
void SaveEntry(HWND owner);

// What the message box says.
extern const char ENTRY_NOT_SAVED[];
