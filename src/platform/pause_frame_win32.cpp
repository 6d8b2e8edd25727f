#include "platform/platform.h"

// Wine shows what a thread drew only when it waits through the window system, which Sleep does not.
void PauseFrame(DWORD milliseconds) { MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, 0); }
