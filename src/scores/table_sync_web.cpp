// The page saves the table as soon as an entry enters it. Another tab of the
// same page may have saved one meanwhile: the stored table is then read
// again and the new entry put into it, so that neither is lost.
#include "platform/byte_strings.h"
#include "platform/platform.h"
#include "game/game_state.h"
#include "scores/high_scores.h"

// Whether the stored table differs from the one this tab last took up or
// wrote; and the note that it has just taken it up or written it.
extern "C" __attribute__((import_module("env"), import_name("WebTableChangedElsewhere"))) int
WebTableChangedElsewhere();
extern "C" __attribute__((import_module("env"), import_name("WebTableSeen"))) void WebTableSeen();

namespace {

// The stored table's entries, with the race's record holder left as it is:
// the holder changes only when a game ends.
void ReadStoredEntries() {
  int32_t best = game.bestScore;
  char holder[sizeof holderName];
  MemCopy(holder, holderName, sizeof holder);
  int32_t dirty = game.tableDirty;
  LoadHighScores();
  game.bestScore = best;
  MemCopy(holderName, holder, sizeof holder);
  game.tableDirty = dirty;
}

}  // namespace

void TableEntered(int rank) {
  if (WebTableChangedElsewhere()) {
    char name[NAME_LIMIT + 1];
    MemCopy(name, game.HighScoreTable[rank].name, NAME_LIMIT);
    name[NAME_LIMIT] = 0;
    ReadStoredEntries();
    int again = FindRank(game.score);
    if (again < HIGH_SCORE_COUNT) {
      OpenSlot(again);
      FillSlot(again, name, game.score);
    }
  }
  SaveHighScores();
  WebTableSeen();
}

extern "C" __attribute__((export_name("VexalReloadTable"))) void VexalReloadTable() {
  ReadStoredEntries();
  WebTableSeen();
}
