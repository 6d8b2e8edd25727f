// The high-score check at the end of a game, and the test the name dialog
// puts a typed name through.
#include "scores/check_high_score.h"

#include "platform/byte_strings.h"
#include "game/game_state.h"
#include "scores/high_scores.h"

void CheckHighScore(HWND owner) {
  int rank = FindRank(game.score);
  if (rank >= HIGH_SCORE_COUNT) return;
  OpenSlot(rank);
  ShowNameDialog(owner);
  FillSlot(rank, playerName, game.score);
  TableEntered(owner, rank);
  ShowHighScoreDialog(owner);
}

int AcceptName(HWND dialog, const char* typed) {
  if (typed == nullptr) typed = "";
  // Counting stops one past the limit: that is enough to refuse, and a long
  // text is never read further.
  int length = 0;
  while (length <= NAME_LIMIT && typed[length] != 0) ++length;

  const char* problem = nullptr;
  if (length == 0) {
    problem = "You must enter some name";
  } else if (length > NAME_LIMIT) {
    problem = "Name too long";
  } else {
    for (int i = 0; i < length; ++i) {
      if (static_cast<unsigned char>(typed[i]) >= 0x80) {
        problem = "You can use only latin characters";
        break;
      }
    }
  }
  if (problem != nullptr) {
    MessageBoxA(dialog, problem, "Error", MB_OK);
    return 0;
  }

  // Through a copy, so the preset itself can be handed back as the answer.
  char accepted[NAME_LIMIT + 1];
  MemCopy(accepted, typed, static_cast<size_t>(length));
  accepted[length] = 0;
  MemFill(playerName, 0, sizeof playerName);
  MemCopy(playerName, accepted, static_cast<size_t>(length) + 1);
  return 1;
}
