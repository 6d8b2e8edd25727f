// The ten best results and their 160-byte file: ten records of a length
// byte, a 13-byte name field and a little-endian u16 score, best first.
#include "scores/high_scores.h"

#include "platform/byte_strings.h"
#include "game/game_state.h"

namespace {

const char PRIMARY_FILE[] = "vexalrec.res";
const char SECONDARY_FILE[] = "lines.res";
// Where a new table is written before it takes the old one's name.
const char PRIMARY_TEMP[] = "vexalrec.tmp";
const char SECONDARY_TEMP[] = "lines.tmp";

enum {
  RECORD_SIZE = 16,
  NAME_FIELD = 13,
  SCORE_OFFSET = 14,
  SCORE_LIMIT = 0xFFFF,
  TABLE_BYTES = RECORD_SIZE * HIGH_SCORE_COUNT,
};

// A failed read reports HFILE_ERROR, which as a count would be huge, and a
// read at the end of the file reports less than asked: either way only the
// bytes really delivered count.
UINT Delivered(UINT result, UINT asked) { return result > asked ? 0 : result; }

// Reads `count` bytes into `dest`; bytes that the file does not deliver
// stay zero.
void ReadField(HFILE file, BYTE* dest, UINT count) {
  BYTE part[RECORD_SIZE];
  MemFill(part, 0, sizeof part);
  UINT got = Delivered(_lread(file, part, count), count);
  MemCopy(dest, part, got);
}

void LoadEntry(HFILE file, HighScoreEntry* entry) {
  BYTE record[RECORD_SIZE];
  MemFill(record, 0, sizeof record);
  ReadField(file, record, 1);
  ReadField(file, record + 1, NAME_FIELD);
  ReadField(file, record + SCORE_OFFSET, 2);

  // A length above 13 cannot come from a saved table; the name field holds
  // 13 bytes, so that is all the name can be.
  int length = record[0];
  if (length > NAME_FIELD) length = NAME_FIELD;
  MemCopy(entry->name, record + 1, NAME_FIELD);
  entry->name[length] = 0;
  entry->score = static_cast<uint16_t>(record[SCORE_OFFSET] | (record[SCORE_OFFSET + 1] << 8));
}

void SetDefaults() {
  static const char FIRST[] = "Handicap";
  static const char OTHERS[] = "- Empty -";
  StrCopy(game.HighScoreTable[0].name, FIRST);
  game.HighScoreTable[0].score = 100;
  for (int i = 1; i < HIGH_SCORE_COUNT; ++i) {
    StrCopy(game.HighScoreTable[i].name, OTHERS);
    game.HighScoreTable[i].score = 0;
  }
}

// Length of an entry's name, never beyond its 13-byte field.
int NameLength(const HighScoreEntry& entry) {
  int n = 0;
  while (n < NAME_FIELD && entry.name[n] != 0) ++n;
  return n;
}

bool ValidIndex(int index) { return index >= 0 && index < HIGH_SCORE_COUNT; }

// The table as the file holds it.
void TableBytes(BYTE* bytes) {
  for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
    const HighScoreEntry& entry = game.HighScoreTable[i];
    BYTE* record = bytes + i * RECORD_SIZE;
    record[0] = static_cast<BYTE>(NameLength(entry));
    // The whole field goes out, bytes after the NUL included, as they are.
    MemCopy(record + 1, entry.name, NAME_FIELD);
    record[SCORE_OFFSET] = static_cast<BYTE>(entry.score & 0xFF);
    record[SCORE_OFFSET + 1] = static_cast<BYTE>(entry.score >> 8);
  }
}

bool WriteAll(HFILE file, const BYTE* bytes, UINT count) {
  return _lwrite(file, reinterpret_cast<LPCSTR>(bytes), count) == count;
}

// Copies what `path` holds after the table, if anything, to `out`.
bool CopyTail(LPCSTR path, HFILE out) {
  HFILE in = _lopen(path, OF_READ);
  if (in == HFILE_ERROR) return false;
  BYTE chunk[TABLE_BYTES];
  UINT got = _lread(in, chunk, TABLE_BYTES);
  bool ok = got <= TABLE_BYTES;
  while (ok && got == TABLE_BYTES) {
    got = _lread(in, chunk, sizeof chunk);
    ok = got <= sizeof chunk && (got == 0 || WriteAll(out, chunk, got));
  }
  _lclose(in);
  return ok;
}

enum Replaced { REPLACED, NO_TEMPORARY, NOT_REPLACED };

// A new file takes the old one's name only once it is whole on the disk: a
// full disk or a write cut short leaves the old table as it was.
Replaced ReplaceWhole(LPCSTR target, LPCSTR temporary, bool targetExists, const BYTE* bytes) {
  HFILE file = _lcreat(temporary, 0);
  if (file == HFILE_ERROR) return NO_TEMPORARY;
  bool ok = WriteAll(file, bytes, TABLE_BYTES);
  if (ok && targetExists) ok = CopyTail(target, file);
  if (ok) ok = FlushFileBuffers(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file))) != FALSE;
  if (_lclose(file) == HFILE_ERROR) ok = false;
  // Without the flag the move fails if a file has appeared under the name:
  // one this game could neither read nor write is not its to replace.
  if (ok) ok = MoveFileExA(temporary, target, targetExists ? MOVEFILE_REPLACE_EXISTING : 0) != FALSE;
  if (ok) return REPLACED;
  DeleteFileA(temporary);
  return NOT_REPLACED;
}

}  // namespace

void LoadHighScores() {
  MemFill(game.HighScoreTable, 0, sizeof game.HighScoreTable);
  HFILE file = _lopen(PRIMARY_FILE, OF_READ);
  if (file == HFILE_ERROR) file = _lopen(SECONDARY_FILE, OF_READ);
  if (file != HFILE_ERROR) {
    for (int i = 0; i < HIGH_SCORE_COUNT; ++i) LoadEntry(file, &game.HighScoreTable[i]);
    _lclose(file);
  } else {
    SetDefaults();
  }
  game.bestScore = game.HighScoreTable[0].score;
  MemFill(holderName, 0, sizeof holderName);
  StrCopy(holderName, game.HighScoreTable[0].name);
  game.tableDirty = 0;
}

bool SaveHighScores() {
  if (game.tableDirty == 0) return true;
  BYTE bytes[TABLE_BYTES];
  TableBytes(bytes);

  LPCSTR target = PRIMARY_FILE;
  LPCSTR temporary = PRIMARY_TEMP;
  HFILE file = _lopen(PRIMARY_FILE, OF_WRITE);
  if (file == HFILE_ERROR) {
    target = SECONDARY_FILE;
    temporary = SECONDARY_TEMP;
    file = _lopen(SECONDARY_FILE, OF_WRITE);
  }
  if (file == HFILE_ERROR) {
    // Neither can be written: a new vexalrec.res, unless one is there that
    // this game may not write.
    HFILE there = _lopen(PRIMARY_FILE, OF_READ);
    if (there != HFILE_ERROR) {
      _lclose(there);
      return false;
    }
    return ReplaceWhole(PRIMARY_FILE, PRIMARY_TEMP, false, bytes) == REPLACED;
  }
  _lclose(file);
  Replaced replaced = ReplaceWhole(target, temporary, true, bytes);
  if (replaced != NO_TEMPORARY) return replaced == REPLACED;

  // A folder where no new file can be made: the table is written into the
  // file itself, which never makes it shorter.
  file = _lopen(target, OF_WRITE);
  if (file == HFILE_ERROR) return false;
  bool written = WriteAll(file, bytes, TABLE_BYTES);
  if (_lclose(file) == HFILE_ERROR) written = false;
  return written;
}

int FindRank(int32_t score) {
  for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
    if (static_cast<int32_t>(game.HighScoreTable[i].score) < score) return i;
  }
  return HIGH_SCORE_COUNT;
}

void OpenSlot(int index) {
  if (!ValidIndex(index)) return;
  game.tableDirty = 1;
  for (int j = HIGH_SCORE_COUNT - 1; j > index; --j)
    MemCopy(&game.HighScoreTable[j], &game.HighScoreTable[j - 1], sizeof(HighScoreEntry));
}

void FillSlot(int index, const char* name, int32_t score) {
  if (!ValidIndex(index)) return;
  HighScoreEntry& entry = game.HighScoreTable[index];
  int n = 0;
  while (name != nullptr && n < NAME_FIELD && name[n] != 0) {
    entry.name[n] = name[n];
    ++n;
  }
  entry.name[n] = 0;
  // The file holds 16 bits; a larger score is kept as the largest it can
  // hold, so it still stands above every smaller one.
  if (score < 0) score = 0;
  entry.score = static_cast<uint16_t>(score > SCORE_LIMIT ? SCORE_LIMIT : score);
}
