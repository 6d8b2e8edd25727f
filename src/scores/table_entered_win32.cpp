#include "platform/platform.h"
#include "scores/save_entry.h"

void TableEntered(HWND owner, int) { SaveEntry(owner); }
