#include "platform/platform.h"

// Wine shows what a thread drew only when it waits through the window system,
// which Sleep does not; this wait wakes for no input and handles no message.
void PauseFrame(DWORD milliseconds) { MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, 0); }
