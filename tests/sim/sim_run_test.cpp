// Whole runs of vexal-sim: a script on standard input, the output compared
// line by line, each run in a fresh empty folder of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Lines;

struct Result {
  int status;
  Lines out;
  Lines err;
};

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SimRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexal-sim-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  Result Run(const std::string& script) {
    {
      std::ofstream out(folder + "/script", std::ios::binary);
      out << script;
    }
    std::string command = "cd '" + folder + "' && '" VEXAL_SIM_PATH "' < script > out 2> err";
    int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = SplitLines(Slurp(folder + "/out"));
    result.err = SplitLines(Slurp(folder + "/err"));
    return result;
  }

  bool Exists(const std::string& name) {
    struct stat info;
    return ::stat((folder + "/" + name).c_str(), &info) == 0;
  }

  std::string folder;
};

// The lines of `all` that start with `prefix`.
Lines Starting(const Lines& all, const std::string& prefix) {
  Lines picked;
  for (const std::string& line : all)
    if (line.compare(0, prefix.size(), prefix) == 0) picked.push_back(line);
  return picked;
}

// The appear animation of a spawned ball.
Lines Appear(int column, int row) {
  std::string cell = std::to_string(column) + " " + std::to_string(row);
  return {"> DrawCell " + cell + " 6", "> Sleep 50", "> DrawCell " + cell + " 7", "> Sleep 50",
          "> DrawCell " + cell + " 0"};
}

void Append(Lines* to, const Lines& more) { to->insert(to->end(), more.begin(), more.end()); }

std::string EmptyBoard() {
  std::string line = "board";
  for (int i = 0; i < 81; ++i) line += " 0";
  return line;
}

TEST_F(SimRun, TheStartLooksLikeAFreshWindowWithTheDefaultTable) {
  Result r = Run("show\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, Lines{});
  Lines expected = {EmptyBoard(), "next 0 0 0", "score 0", "best 100", "selection 0 0 0", "tick 0",
                    "removed 0 0 0 0 0 0 0 0", "race 0 0 125 0 0",
                    "layout 146 68 516 10 252 5 42 304 512 304", "player Pretender",
                    "holder Handicap", "dirty 0", "entry 0 100 Handicap"};
  for (int i = 1; i < 10; ++i) expected.push_back("entry " + std::to_string(i) + " 0 - Empty -");
  EXPECT_EQ(r.out, expected);
  EXPECT_FALSE(Exists("vexalrec.res"));
}

TEST_F(SimRun, RandomNumbersFollowTheSeed) {
  Result r = Run("seed 1\nrandom 7\nrandom 7\nrandom 7\nrandom 7\nrandom 7\nrandom 7\n"
                 "seed 0\nrandom 7\nrandom 1\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, (Lines{"random 3", "random 4", "random 5", "random 1", "random 6", "random 6",
                          "random 0", "random 0"}));
}

TEST_F(SimRun, ASeededNewGameDealsTheSameFiveBallsEveryTime) {
  const std::string script = "seed 1\ntrace on\nnew\ntrace off\nshow\n";
  Result r = Run(script);
  EXPECT_EQ(r.status, 0);
  // From seed 1 the queue draws 4 5 6; the balls land, by column and row,
  // at (1 2) (1 3) (2 8) (5 3) (2 7) and the queue ends as 1 6 6.
  Lines expected = {"> DrawBoard"};
  for (auto cell : {std::pair<int, int>{1, 2}, {1, 3}, {2, 8}, {5, 3}, {2, 7}})
    Append(&expected, Appear(cell.first, cell.second));
  Append(&expected, {"> DrawScoreBox 24 10 100", "> DrawScoreBox 516 10 0", "> DrawPreview"});
  ASSERT_GE(r.out.size(), expected.size() + 2);
  EXPECT_EQ(Lines(r.out.begin(), r.out.begin() + expected.size()), expected);
  std::vector<int> board(81, 0);
  board[2 * 9 + 1] = 4;
  board[3 * 9 + 1] = 5;
  board[8 * 9 + 2] = 6;
  board[3 * 9 + 5] = 7;
  board[7 * 9 + 2] = 2;
  std::string line = "board";
  for (int v : board) line += " " + std::to_string(v);
  EXPECT_EQ(r.out[expected.size()], line);
  EXPECT_EQ(r.out[expected.size() + 1], "next 1 6 6");

  EXPECT_EQ(Run(script).out, r.out);
  EXPECT_NE(Run("seed 2\nnew\nshow\n").out, Run("seed 1\nnew\nshow\n").out);
}

// Row 4 holds four balls of colour 2 in columns 0 to 3; the ball of colour 2
// at column 4, row 6 travels two steps up and completes the run.
const char LINE_SETUP[] =
    "set 0 4 2\nset 1 4 2\nset 2 4 2\nset 3 4 2\nset 4 6 2\nqueue 1 1 1\n";

TEST_F(SimRun, AMoveThatCompletesARunTravelsRemovesAndScores) {
  Result r = Run(std::string(LINE_SETUP) +
                 "trace on\nclick 4 6\ntick\nclick 4 4\ntrace off\nshow\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, Lines{});
  Lines expected = {
      // The tick after the selection shows bounce frame 4.
      "> DrawCell 4 6 4",
      // Travel, one frame per step, then the rest of the bounce at the target.
      "> DrawCell 4 6 0", "> DrawCell 4 5 0", "> Sleep 50", "> DrawCell 4 5 0",
      "> DrawCell 4 4 1", "> Sleep 50", "> DrawCell 4 4 2", "> DrawCell 4 4 3",
      "> DrawCell 4 4 4", "> DrawCell 4 4 5"};
  for (int frame : {8, 9, 0}) {
    for (int column = 0; column < 5; ++column)
      expected.push_back("> DrawCell " + std::to_string(column) + " 4 " + std::to_string(frame));
    expected.push_back("> Sleep 50");
  }
  // Ten points against a best of 100: the pretender's bar rises 12 pixels.
  expected.push_back("> DrawScoreBox 516 10 10");
  for (int i = 0; i < 12; ++i) Append(&expected, {"> DrawPretender figure", "> Sleep 25"});
  ASSERT_GE(r.out.size(), expected.size());
  EXPECT_EQ(Lines(r.out.begin(), r.out.begin() + expected.size()), expected);
  Lines state(r.out.begin() + expected.size(), r.out.end());
  EXPECT_EQ(Starting(state, "board"), Lines{EmptyBoard()});
  EXPECT_EQ(Starting(state, "score"), Lines{"score 10"});
  EXPECT_EQ(Starting(state, "next"), Lines{"next 1 1 1"});
  EXPECT_EQ(Starting(state, "removed"), Lines{"removed 0 0 5 0 0 0 0 0"});
  EXPECT_EQ(Starting(state, "race"), Lines{"race 0 0 113 0 0"});
  EXPECT_EQ(Starting(state, "selection"), Lines{"selection 0 4 6"});
}

TEST_F(SimRun, ATargetWithoutARouteOnlyBeepsAndTheBallStaysSelected) {
  Result r = Run("set 0 0 5\nset 1 0 6\nset 0 1 6\ntrace on\nclick 0 0\nclick 5 5\n"
                 "iconic 1\ntick 2\niconic 0\ntick\ntrace off\nshow\n");
  EXPECT_EQ(r.status, 0);
  Lines trace = Starting(r.out, "> ");
  // tickCounter was 3 at the selection; minimised ticks draw nothing.
  EXPECT_EQ(trace, (Lines{"> MessageBeep 64", "> DrawCell 0 0 0"}));
  EXPECT_EQ(Starting(r.out, "selection"), Lines{"selection 1 0 0"});
  EXPECT_EQ(Starting(r.out, "tick"), Lines{"tick 6"});
}

TEST_F(SimRun, PathPrintsTheRouteRowFirst) {
  Result r = Run("set 0 0 1\npath 0 0 2 2\nset 0 0 0\nset 2 2 1\npath 2 2 0 0\nset 2 2 0\n"
                 "set 0 0 1\nset 1 0 3\nset 0 1 3\npath 0 0 5 5\nset 4 4 2\npath 4 4 6 3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, (Lines{"path 5 0,0 0,1 0,2 1,2 2,2", "path 5 2,2 2,1 2,0 1,0 0,0",
                          "path none", "path 4 4,4 3,4 3,5 3,6"}));
}

TEST_F(SimRun, PressAndReleaseOnDifferentCellsDoNothing) {
  // With the board origin at 146 68, x 258 lies in column 3 and x 294 in
  // column 4; x 136 lies left of the board.
  Result r = Run("set 3 4 1\ntrace on\npress 258 216\nrelease 294 216\npress 136 70\n"
                 "release 136 70\ntrace off\nshow\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Starting(r.out, "> "), Lines{});
  EXPECT_EQ(Starting(r.out, "selection"), Lines{"selection 0 0 0"});
}

TEST_F(SimRun, MalformedLinesAreReportedSkippedAndEndTheRunWithStatusTwo) {
  Result r = Run("# a comment\n\nseed 12x\nbest 5\nset 9 0 1\nset 0 0 8\nqueue 1 2\n"
                 "queue 0 1 2\nfrobnicate\nshow now\ntick -1\nsize 70000 10\n"
                 "random 99999999999999999999999\nclick 0\ntrace maybe\nname\tX\n"
                 "seed 1 2\nbest 7\nshow\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, (Lines{
                       "vexal-sim: line 3: seed: value '12x' is not a number",
                       "vexal-sim: line 5: set: column 9 is out of range 0..8",
                       "vexal-sim: line 6: set: value 8 is out of range 0..7",
                       "vexal-sim: line 7: queue: expected 3 numbers, got 2",
                       "vexal-sim: line 8: queue: colour 0 is out of range 1..7",
                       "vexal-sim: line 9: unknown command 'frobnicate'",
                       "vexal-sim: line 10: show: takes nothing after it",
                       "vexal-sim: line 11: tick: count '-1' is not a number",
                       "vexal-sim: line 12: size: width 70000 is out of range 0..65535",
                       "vexal-sim: line 13: random: bound 99999999999999999999999 is out of "
                       "range 1..4294967295",
                       "vexal-sim: line 14: click: expected 2 numbers, got 1",
                       "vexal-sim: line 15: trace: expected off or on",
                       "vexal-sim: line 16: name: the text follows the word after one space",
                       "vexal-sim: line 17: seed: expected 1 number, got 2",
                   }));
  // The good lines around them ran; the bad ones changed nothing.
  EXPECT_EQ(Starting(r.out, "best"), Lines{"best 7"});
  EXPECT_EQ(Starting(r.out, "board"), Lines{EmptyBoard()});
  EXPECT_EQ(Starting(r.out, "next"), Lines{"next 0 0 0"});
  EXPECT_EQ(Starting(r.out, "layout"), Lines{"layout 146 68 516 10 252 5 42 304 512 304"});
}

TEST_F(SimRun, BinaryJunkIsRefusedWithoutACrash) {
  std::string junk = "set \x01\x02 3\n";
  junk += std::string("\0\0\xff\xfe", 4) + "\n";
  junk += "click 4294967296 1\ntick 1000001\nshow\n";
  Result r = Run(junk);
  EXPECT_EQ(r.status, 2);
  ASSERT_EQ(r.err.size(), 4u);
  EXPECT_EQ(r.err[0], "vexal-sim: line 1: set: expected 3 numbers, got 2");
  EXPECT_EQ(r.err[1], "vexal-sim: line 2: unknown command '\\x00\\x00\xff\xfe'");
  EXPECT_EQ(Starting(r.out, "tick"), Lines{"tick 0"});
}

TEST_F(SimRun, AnUnchangedTableLeavesNoFileBehind) {
  Result r = Run("seed 3\nnew\nnewgame\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(Exists("vexalrec.res"));
  EXPECT_FALSE(Exists("lines.res"));
}

TEST_F(SimRun, AQualifyingScoreAsksForTheNameAndTheTableIsSavedAtTheEnd) {
  Result r = Run(std::string(LINE_SETUP) +
                 "click 4 6\nclick 4 4\nname Bob\ntrace on\nnewgame\ntrace off\nshow\n");
  EXPECT_EQ(r.status, 0);
  Lines trace = Starting(r.out, "> ");
  ASSERT_GE(trace.size(), 9u);
  // The check, then the race winds back from level 113 in steps of 4.
  EXPECT_EQ(Lines(trace.begin(), trace.begin() + 9),
            (Lines{"> NameDialog", "> TableDialog", "> DrawPretender figure", "> Sleep 15",
                   "> DrawPretender figure", "> Sleep 15", "> DrawPretender figure", "> Sleep 15",
                   "> DrawBoard"}));
  EXPECT_EQ(Starting(r.out, "entry 1"), Lines{"entry 1 10 Bob"});
  EXPECT_EQ(Starting(r.out, "player"), Lines{"player Bob"});
  EXPECT_EQ(Starting(r.out, "dirty"), Lines{"dirty 1"});
  EXPECT_EQ(Starting(r.out, "race"), Lines{"race 0 0 125 0 0"});
  ASSERT_TRUE(Exists("vexalrec.res"));
  std::string file = Slurp(folder + "/vexalrec.res");
  ASSERT_EQ(file.size(), 160u);
  EXPECT_EQ(file.substr(16, 4), std::string("\x03" "Bob"));
  EXPECT_EQ(file.substr(30, 2), std::string("\x0a\x00", 2));

  // The next run reads that table back.
  Result next = Run("show\n");
  EXPECT_EQ(Starting(next.out, "entry 1"), Lines{"entry 1 10 Bob"});
  EXPECT_EQ(Starting(next.out, "holder"), Lines{"holder Handicap"});
}

TEST_F(SimRun, ARefusedNameShowsItsMessageAndThePresetIsTaken) {
  Result r = Run(std::string(LINE_SETUP) +
                 "click 4 6\nclick 4 4\nname Much too long a name\ntrace on\nnewgame\n"
                 "trace off\nshow\n");
  EXPECT_EQ(r.status, 0);
  Lines trace = Starting(r.out, "> ");
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(Lines(trace.begin(), trace.begin() + 3),
            (Lines{"> NameDialog", "> MessageBox Name too long", "> TableDialog"}));
  EXPECT_EQ(Starting(r.out, "entry 1"), Lines{"entry 1 10 Pretender"});
}

// A full board on which no two neighbours, in any of the four line
// directions, share a colour; row 8, columns 6 to 8, left empty.
std::string CrowdedBoard() {
  std::string script;
  for (int row = 0; row < 9; ++row)
    for (int column = 0; column < 9; ++column) {
      int colour = (row == 8 && column >= 6) ? 0 : (column + 2 * row) % 7 + 1;
      script += "set " + std::to_string(column) + " " + std::to_string(row) + " " +
                std::to_string(colour) + "\n";
    }
  return script;
}

TEST_F(SimRun, AMoveThatFillsTheBoardEndsTheGameAndDealsANewOne) {
  Result r = Run(CrowdedBoard() + "seed 9\nqueue 2 3 4\nclick 5 8\ntrace on\nclick 6 8\n"
                 "trace off\nshow\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, Lines{});
  Lines trace = Starting(r.out, "> ");
  // One step, the rest of the bounce, three appear animations of three
  // frames each, then the end of the game: no score, so no dialog, and
  // the new game starts with the empty board.
  auto over = std::find(trace.begin(), trace.end(), "> MessageBox Game over!");
  ASSERT_NE(over, trace.end());
  ASSERT_NE(over + 1, trace.end());
  EXPECT_EQ(*(over + 1), "> DrawBoard");
  EXPECT_EQ(std::count(trace.begin(), over, std::string("> DrawPreview")), 0);
  EXPECT_EQ(std::count_if(trace.begin(), over,
                          [](const std::string& line) {
                            return line.size() > 2 && line.compare(line.size() - 2, 2, " 6") == 0 &&
                                   line.compare(0, 10, "> DrawCell") == 0;
                          }),
            3);
  EXPECT_EQ(Starting(r.out, "score"), Lines{"score 0"});
  EXPECT_EQ(Starting(r.out, "dirty"), Lines{"dirty 0"});
  Lines board = Starting(r.out, "board");
  ASSERT_EQ(board.size(), 1u);
  std::istringstream cells(board[0].substr(5));
  int balls = 0, value = 0;
  while (cells >> value) balls += value != 0;
  EXPECT_GE(balls, 1);
  EXPECT_LE(balls, 5);
}

TEST_F(SimRun, ResizingMovesTheBoardAndTheFigures) {
  Result r = Run("size 612 374\nshow\nsize 0 0\nclick 0 0\nshow\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Starting(r.out, "layout"),
            (Lines{"layout 142 45 516 10 252 5 42 304 512 304",
                   "layout -164 -142 -96 10 -54 5 -111 117 53 117"}));
  EXPECT_EQ(r.err.size(), 1u);
}

}  // namespace
