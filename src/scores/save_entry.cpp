#include "scores/save_entry.h"

#include "scores/high_scores.h"

const char ENTRY_NOT_SAVED[] =
    "Your score could not be saved: the high-score file (vexalrec.res, in the folder "
    "Vexal was started from) cannot be written. The disk may be full, or the file or "
    "its folder read-only. The score stays in the table until Vexal closes, which "
    "tries to save it again.";

void SaveEntry(HWND owner) {
  if (SaveHighScores()) return;
  MessageBoxA(owner, ENTRY_NOT_SAVED, "Vexal5.2", MB_OK | MB_ICONWARNING);
}
