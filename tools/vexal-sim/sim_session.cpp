#include "sim_session.h"

#include <cstdio>
#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"
#include "game/move_turn.h"
#include "game/path_search.h"
#include "game/random.h"
#include "game/spawn.h"
#include "render/layout.h"
#include "render/score_race.h"
#include "scores/check_high_score.h"
#include "scores/high_scores.h"
#include "sim_parse.h"

namespace {

typedef std::vector<std::string> Words;

// The sim has no window and no screen: the recording fakes ignore both.
HWND const WINDOW = nullptr;
HDC const DC = nullptr;

const int64_t U32_MAX = 0xFFFFFFFFll;
const int64_t U16_MAX = 0xFFFF;
// Enough ticks for any bounce; a bound keeps one line from running for ever.
const int64_t TICK_LIMIT = 1000000;

// The numbers of a command, each checked before anything changes.
struct Argument {
  const char* what;
  int64_t minimum;
  int64_t maximum;
};

bool Numbers(const Words& words, const std::vector<Argument>& arguments, size_t optional,
             std::vector<int64_t>* values, std::string* error) {
  size_t given = words.size() - 1;
  size_t required = arguments.size() - optional;
  if (given < required || given > arguments.size()) {
    *error = words[0] + ": expected ";
    if (optional != 0) *error += std::to_string(required) + " to ";
    *error += std::to_string(arguments.size()) + (arguments.size() == 1 ? " number" : " numbers") +
              ", got " + std::to_string(given);
    return false;
  }
  values->clear();
  for (size_t i = 0; i < given; ++i) {
    int64_t value = 0;
    if (!ParseNumber(words[i + 1], arguments[i].minimum, arguments[i].maximum, arguments[i].what,
                     &value, error)) {
      *error = words[0] + ": " + *error;
      return false;
    }
    values->push_back(value);
  }
  return true;
}

bool NoArguments(const Words& words, std::string* error) {
  if (words.size() == 1) return true;
  *error = words[0] + ": takes nothing after it";
  return false;
}

void Print(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

std::string Joined(const char* key, const std::vector<int64_t>& values) {
  std::string line(key);
  for (int64_t v : values) line += " " + std::to_string(v);
  return line;
}

void Show() {
  std::vector<int64_t> cells(game.Board, game.Board + CELL_COUNT);
  Print(Joined("board", cells));
  Print(Joined("next", {game.NextQueue[0], game.NextQueue[1], game.NextQueue[2]}));
  Print(Joined("score", {game.score}));
  Print(Joined("best", {game.bestScore}));
  Print(Joined("selection",
               {game.selectionState, game.selectedCell.column, game.selectedCell.row}));
  Print(Joined("tick", {game.tickCounter}));
  Print(Joined("removed", std::vector<int64_t>(game.removedCounts, game.removedCounts + 8)));
  Print(Joined("race", {game.holderLevel, game.holderFrame, game.pretenderLevel,
                        game.pretenderFrame, game.recordPassed}));
  Print(Joined("layout", {game.boardOriginX, game.boardOriginY, game.scoreBoxX, game.scoreBoxY,
                          game.previewX, game.previewY, game.holderX, game.holderBaseY,
                          game.pretenderX, game.pretenderBaseY}));
  Print(std::string("player ") + playerName);
  Print(std::string("holder ") + holderName);
  Print(Joined("dirty", {game.tableDirty}));
  for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
    const HighScoreEntry& entry = game.HighScoreTable[i];
    // The name field always ends within its 14 bytes, but do not rely on it.
    std::string name(entry.name, sizeof entry.name);
    name = name.substr(0, name.find('\0'));
    Print("entry " + std::to_string(i) + " " + std::to_string(entry.score) + " " + name);
  }
}

bool Button(const Words& words, std::string* error, bool press) {
  std::vector<int64_t> v;
  if (!Numbers(words, {{"x", 0, U16_MAX}, {"y", 0, U16_MAX}}, 0, &v, error)) return false;
  LPARAM point = MAKELPARAM(v[0], v[1]);
  if (press)
    OnLeftButtonDown(WINDOW, DC, point);
  else
    OnLeftButtonUp(WINDOW, DC, point);
  return true;
}

bool Click(const Words& words, std::string* error) {
  std::vector<int64_t> v;
  if (!Numbers(words, {{"column", 0, 8}, {"row", 0, 8}}, 0, &v, error)) return false;
  // The centre of the drawn square, which starts 2 pixels inside the origin.
  int64_t x = int64_t(game.boardOriginX) + 2 + CELL_SIZE * v[0] + CELL_SIZE / 2;
  int64_t y = int64_t(game.boardOriginY) + 2 + CELL_SIZE * v[1] + CELL_SIZE / 2;
  int column = -1, row = -1;
  if (x < 0 || x > U16_MAX || y < 0 || y > U16_MAX ||
      !CellAtPoint(int(x), int(y), &column, &row) || column != v[0] || row != v[1]) {
    *error = "click: the centre of cell " + std::to_string(v[0]) + " " + std::to_string(v[1]) +
             " lies at " + std::to_string(x) + " " + std::to_string(y) +
             ", which no mouse click can reach";
    return false;
  }
  LPARAM point = MAKELPARAM(x, y);
  OnLeftButtonDown(WINDOW, DC, point);
  OnLeftButtonUp(WINDOW, DC, point);
  return true;
}

bool Path(const Words& words, std::string* error) {
  std::vector<int64_t> v;
  if (!Numbers(words, {{"start column", 0, 8}, {"start row", 0, 8}, {"target column", 0, 8},
                       {"target row", 0, 8}},
               0, &v, error))
    return false;
  if (!FindPath(int(v[0]), int(v[1]), int(v[2]), int(v[3]))) {
    Print("path none");
    return true;
  }
  std::string line = "path " + std::to_string(game.pathLength);
  for (int i = 0; i < game.pathLength; ++i)
    line += " " + std::to_string(game.path[i].row) + "," + std::to_string(game.path[i].column);
  Print(line);
  return true;
}

bool OnOff(const Words& words, const char* off, const char* on, bool* value, std::string* error) {
  if (words.size() == 2 && (words[1] == off || words[1] == on)) {
    *value = words[1] == on;
    return true;
  }
  *error = words[0] + ": expected " + off + " or " + on;
  return false;
}

bool Run(const std::string& line, const Words& words, std::string* error) {
  const std::string& command = words[0];
  std::vector<int64_t> v;
  if (command == "seed") {
    if (!Numbers(words, {{"value", 0, U32_MAX}}, 0, &v, error)) return false;
    SeedRandom(uint32_t(v[0]));
  } else if (command == "random") {
    if (!Numbers(words, {{"bound", 1, U32_MAX}}, 0, &v, error)) return false;
    Print("random " + std::to_string(NextRandom(uint32_t(v[0]))));
  } else if (command == "new") {
    if (!NoArguments(words, error)) return false;
    NewGame(DC);
  } else if (command == "size") {
    if (!Numbers(words, {{"width", 0, U16_MAX}, {"height", 0, U16_MAX}}, 0, &v, error))
      return false;
    LayoutAtSize(uint16_t(v[0]), uint16_t(v[1]), int32_t(v[0]), int32_t(v[1]));
  } else if (command == "iconic") {
    bool iconic = false;
    if (!OnOff(words, "0", "1", &iconic, error)) return false;
    FakeSetIconic(iconic);
  } else if (command == "press" || command == "release") {
    return Button(words, error, command == "press");
  } else if (command == "click") {
    return Click(words, error);
  } else if (command == "tick") {
    if (!Numbers(words, {{"count", 0, TICK_LIMIT}}, 1, &v, error)) return false;
    int64_t count = v.empty() ? 1 : v[0];
    for (int64_t i = 0; i < count; ++i) {
      OnTimer(WINDOW, DC);
      FakeClear();
    }
  } else if (command == "newgame") {
    if (!NoArguments(words, error)) return false;
    game.selectionState = 0;
    CheckHighScore(WINDOW);
    RestartGame(DC);
  } else if (command == "name") {
    std::string text;
    if (!NameText(line, &text)) {
      *error = "name: the text follows the word after one space";
      return false;
    }
    FakeSetNameAnswer(text.c_str());
  } else if (command == "set") {
    if (!Numbers(words, {{"column", 0, 8}, {"row", 0, 8}, {"value", 0, COLOUR_COUNT}}, 0, &v,
                 error))
      return false;
    game.Board[CellIndex(int(v[0]), int(v[1]))] = Cell(v[2]);
  } else if (command == "queue") {
    if (!Numbers(words, {{"colour", 1, COLOUR_COUNT}, {"colour", 1, COLOUR_COUNT},
                         {"colour", 1, COLOUR_COUNT}},
                 0, &v, error))
      return false;
    for (int i = 0; i < 3; ++i) game.NextQueue[i] = uint8_t(v[i]);
  } else if (command == "best") {
    if (!Numbers(words, {{"score", 0, U16_MAX}}, 0, &v, error)) return false;
    game.bestScore = int32_t(v[0]);
  } else if (command == "path") {
    return Path(words, error);
  } else if (command == "show") {
    if (!NoArguments(words, error)) return false;
    Show();
  } else if (command == "trace") {
    bool on = false;
    if (!OnOff(words, "off", "on", &on, error)) return false;
    FakeSetEcho(on);
  } else {
    *error = "unknown command '" + command + "'";
    return false;
  }
  return true;
}

}  // namespace

void SimStart() {
  LoadHighScores();
  game.tickCounter = 0;
  game.selectionState = 0;
  game.boardOriginX = 146;
  game.boardOriginY = 68;
  LayoutAtCreate(612, 374);
  FakeClear();
}

bool SimCommand(const std::string& line, std::string* error) {
  Words words = SplitWords(line);
  if (words.empty()) return true;
  bool ok = Run(line, words, error);
  // The calls were echoed, if at all, as they happened; nothing reads them
  // later, so they need not pile up.
  FakeClear();
  return ok;
}

void SimFinish() {
  SaveHighScores();
  FakeClear();
}
