#include "score_test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakes/fake_dialogs.h"
#include "fakes/fake_log.h"
#include "game/game_state.h"

void ScoreFolderTest::SetUp() {
  char here[PATH_MAX];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  previous = here;
  char pattern[] = "/tmp/vexal-scores-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  folder = pattern;
  ASSERT_EQ(chdir(folder.c_str()), 0);
  std::memset(&game, 0, sizeof game);
  std::memset(holderName, 0, sizeof holderName);
  std::memset(playerName, 0, sizeof playerName);
  std::strcpy(playerName, "Pretender");
  FakeClear();
  FakeFailFiles(FakeFileFault::NONE);
  FakeWindowsReset();
  FakeSetNameAnswer(nullptr);
}

void ScoreFolderTest::TearDown() {
  if (!previous.empty()) {
    EXPECT_EQ(chdir(previous.c_str()), 0);
  }
  if (!folder.empty()) {
    std::error_code ignored;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(folder, ignored);
  }
}

bool FileExists(const std::string& name) {
  struct stat info;
  return ::stat(name.c_str(), &info) == 0;
}

Bytes ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& name, const Bytes& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Record(unsigned lengthByte, const std::string& field, unsigned score) {
  Bytes record(16, 0);
  record[0] = static_cast<unsigned char>(lengthByte);
  for (size_t i = 0; i < field.size() && i < 13; ++i) record[1 + i] = static_cast<unsigned char>(field[i]);
  record[14] = static_cast<unsigned char>(score & 0xFF);
  record[15] = static_cast<unsigned char>((score >> 8) & 0xFF);
  return record;
}

Bytes TableFile(const std::vector<std::pair<std::string, unsigned>>& entries) {
  Bytes file;
  for (const auto& entry : entries) {
    Bytes record = Record(static_cast<unsigned>(entry.first.size()), entry.first, entry.second);
    file.insert(file.end(), record.begin(), record.end());
  }
  return file;
}

bool RunUnprivileged(const std::function<void()>& body) {
  if (geteuid() != 0) {
    body();
    return true;
  }
  // Root writes read-only files anyway; a child that has become "nobody"
  // meets the permission bits as a player would.
  std::fflush(stdout);
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    body();
    _exit(0);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
