// Shared helpers for the library and result-file tests: a scratch folder,
// whole-file reads and writes, and a fixture that resets the library state
// and records the messages shown.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/UiHooks.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string Gbk(const std::string& utf8);
// The name under which a file of this process is written before it replaces
// `path`; a folder put there makes the write fail.
std::string TemporaryNameOf(const std::string& path);

// Appends the characters of library index first, first + 1, … to a list
// through LibraryAdd.
void TeachRun(int32_t table, int32_t featureIndex, int32_t count, int32_t first = 283);
// The path of the file of table `table` in `folder`.
std::string TablePath(const std::string& folder, int32_t table);

// Empty library in a scratch program folder, headless messages, learning
// mode on, the process-wide answers and the library window reset.
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ScratchFolder folder;
  platform::HeadlessUi ui;
};

}  // namespace testing_support
