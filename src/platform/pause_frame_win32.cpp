#include "platform/platform.h"

// Wine shows what a thread drew only when it waits through the window system, which Sleep does not.
void PauseFrame(DWORD milliseconds) {
#ifdef VEXAL_NO_PAUSES
  // The start-up benchmark's build without pauses (cmake -DVEXAL_NO_PAUSES=ON).
  (void)milliseconds;
#else
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, 0);
#endif
}
