// The page saves the table as soon as an entry enters it, in one transaction
// of the browser's storage: the stored table is read in it, the entry goes
// into that table by the game's own rules, and the table is written back
// before the transaction commits. Another tab's entry made meanwhile is in
// the table read, and so is kept.
#include "platform/byte_strings.h"
#include "platform/platform.h"
#include "game/game_state.h"
#include "scores/high_scores.h"

// Both suspend the program. Begin: 1 once the stored files are read in a
// transaction still open for writing, 0 where the browser keeps nothing. End:
// what was written since goes into that transaction; 1 once it is committed.
extern "C" __attribute__((import_module("env"), import_name("WebTableBegin"))) int WebTableBegin();
extern "C" __attribute__((import_module("env"), import_name("WebTableEnd"))) int WebTableEnd();

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

void TableEntered(HWND, int rank) {
  char name[NAME_LIMIT + 1];
  MemCopy(name, game.HighScoreTable[rank].name, NAME_LIMIT);
  name[NAME_LIMIT] = 0;
  // Where the browser keeps nothing, the table in memory is all there is.
  if (WebTableBegin()) {
    ReadStoredEntries();
    int again = FindRank(game.score);
    if (again < HIGH_SCORE_COUNT) {
      OpenSlot(again);
      FillSlot(again, name, game.score);
    }
  }
  SaveHighScores();
  WebTableEnd();
}

// Another tab has written the table: the page has read it anew.
extern "C" __attribute__((export_name("VexalReloadTable"))) void VexalReloadTable() { ReadStoredEntries(); }
