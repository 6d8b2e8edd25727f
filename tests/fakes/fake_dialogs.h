// The two high-score dialogs of the native build, answered from a script.
#pragma once

// The text "typed" into the name dialog whenever it opens from now on;
// nullptr goes back to accepting the preset name as it stands. A text the
// dialog refuses is followed by the preset, so the dialog always closes.
void FakeSetNameAnswer(const char* text);
