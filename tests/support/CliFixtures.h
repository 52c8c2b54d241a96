// Running pellarocr-cli as a user does, for the command-line tests: a
// scratch folder per test with an empty library, the program run with its
// output, errors and exit status caught, and comparisons of texts.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

struct RunResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& content);
size_t Count(const std::string& text, const std::string& part);
std::vector<std::string> SplitLines(const std::string& text);
// The argument quoted for the shell.
std::string Quote(const std::string& arg);
// Levenshtein distance over code points of two UTF-8 texts.
size_t EditDistance(const std::string& a, const std::string& b);

// Runs pellarocr-cli with `args` in a shell, standard input from the file
// `input` (empty: /dev/null); output and errors go through files in `dir`,
// unless `output` redirects standard output elsewhere (">/dev/full").
RunResult RunCli(const fs::path& dir, const std::vector<std::string>& args, const std::string& input = "",
                 const std::string& output = "");

// A scratch folder named after the test, with library/Word.Dat of an empty
// word-pair file; Run adds --library pointing at it.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  RunResult Run(const std::vector<std::string>& args, bool withLibrary = true, const std::string& input = "",
                const std::string& output = "");
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

}  // namespace clitest
