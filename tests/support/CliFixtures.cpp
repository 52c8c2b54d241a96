// Command-line test helpers (see CliFixtures.h).
#include "support/CliFixtures.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace clitest {
namespace {

constexpr size_t kEmptyWordPairsBytes = 262144;

}  // namespace

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  auto points = [](const std::string& s) {
    std::vector<std::string> out;
    for (size_t i = 0; i < s.size();) {
      const auto c = static_cast<uint8_t>(s[i]);
      const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      out.push_back(s.substr(i, n));
      i += n;
    }
    return out;
  };
  const auto x = points(a), y = points(b);
  std::vector<size_t> row(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[y.size()];
}

RunResult RunCli(const fs::path& dir, const std::vector<std::string>& args, const std::string& input,
                 const std::string& output) {
  std::string command = Quote(std::string(PELLAR_BIN_DIR) + "/pellarocr-cli");
  for (const auto& arg : args) command.append(" ").append(Quote(arg));
  const fs::path out = dir / "stdout", err = dir / "stderr";
  fs::remove(out);
  if (output.empty())
    command.append(" >").append(Quote(out.string()));
  else
    command.append(" ").append(output);
  command.append(" 2>").append(Quote(err.string()));
  command.append(" <").append(input.empty() ? std::string("/dev/null") : Quote(input));
  const int raw = std::system(command.c_str());
  RunResult result;
  result.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.Out = ReadFile(out);
  result.Err = ReadFile(err);
  return result;
}

void CliTest::SetUp() {
  // One folder per test and process: ctest runs the cases side by side.
  dir_ = fs::path(::testing::TempDir()) /
         ("pellar_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
          std::to_string(::getpid()));
  fs::remove_all(dir_);
  fs::create_directories(dir_ / "library");
  WriteFile(dir_ / "library" / "Word.Dat", std::string(kEmptyWordPairsBytes, '\0'));
}

void CliTest::TearDown() {
  fs::remove_all(dir_);
}

RunResult CliTest::Run(const std::vector<std::string>& args, bool withLibrary, const std::string& input,
                       const std::string& output) {
  std::vector<std::string> all;
  if (withLibrary) all = {"--library", (dir_ / "library").string()};
  all.insert(all.end(), args.begin(), args.end());
  return RunCli(dir_, all, input, output);
}

}  // namespace clitest
