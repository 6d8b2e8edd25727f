// A fresh working folder per test, so the table's files are real files that
// no other test sees, and a clean game record.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

class ScoreFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string folder;

 private:
  std::string previous;
};

bool FileExists(const std::string& name);
Bytes ReadFile(const std::string& name);
void WriteFile(const std::string& name, const Bytes& bytes);

// One 16-byte record as the file holds it.
Bytes Record(unsigned lengthByte, const std::string& field, unsigned score);
// Ten records from (name, score) pairs, the length byte from the name.
Bytes TableFile(const std::vector<std::pair<std::string, unsigned>>& entries);

// Runs `body` in a child process without root's right to write read-only
// files; false when that cannot be arranged.
bool RunUnprivileged(const std::function<void()>& body);
