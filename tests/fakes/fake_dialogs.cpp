// Scripted name and table dialogs: the name goes through the same test the
// real dialog applies, read from the field as the real one reads it.
#include "fakes/fake_dialogs.h"

#include <string>

#include "platform/platform.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"
#include "scores/check_high_score.h"

namespace {
bool haveAnswer = false;
std::string answer;
// The real dialog reads the field into a 16-byte buffer.
const std::string::size_type FIELD_READ = 15;
HWND const NAME_DIALOG = nullptr;
}  // namespace

void FakeSetNameAnswer(const char* text) {
  haveAnswer = text != nullptr;
  answer = text != nullptr ? std::string(text).substr(0, FIELD_READ) : std::string();
}

void ShowNameDialog(HWND) {
  FakeRecord("> NameDialog");
  if (haveAnswer && AcceptName(NAME_DIALOG, answer.c_str())) return;
  const std::string preset(playerName);
  AcceptName(NAME_DIALOG, preset.c_str());
}

void ShowHighScoreDialog(HWND) { FakeRecord("> TableDialog"); }
