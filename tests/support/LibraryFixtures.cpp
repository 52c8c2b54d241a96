// Shared helpers for the library and result-file tests (see LibraryFixtures.h).
#include "support/LibraryFixtures.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/EngineState.h"
#include "learning/LearningDialogue.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "platform/Encoding.h"
#include "platform/FileIo.h"

namespace testing_support {

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pellar-lib-XXXXXX").string();
  path_ = mkdtemp(pattern.data()) ? pattern : std::string();
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string Gbk(const std::string& utf8) {
  return platform::Utf8ToGbk(utf8);
}

std::string TemporaryNameOf(const std::string& path) {
  return platform::TemporaryName(path);
}

void TeachRun(int32_t table, int32_t featureIndex, int32_t count, int32_t first) {
  for (int32_t k = 0; k < count; ++k)
    library::LibraryAdd(table, featureIndex, library::IndexToCode(first + k));
}

std::string TablePath(const std::string& folder, int32_t table) {
  return folder + "/" + library::TableFileName(table);
}

void LibraryTest::SetUp() {
  ASSERT_FALSE(folder.Path().empty());
  library::SetProgramFolder(folder.Path());
  library::ClearLibrary();
  library::RefusalAnswer = platform::Answer::None;
  library::LibraryWindow() = library::DisplayModel{};
  library::ProgramEndRequested = false;
  library::LearningMode = true;
  library::LibraryChanged = false;
  engine::StopRequested = false;
  learning::SkipLearning = false;
  platform::SetUi(&ui);
}

void LibraryTest::TearDown() {
  platform::SetUi(nullptr);
  library::ClearLibrary();
  library::LearningMode = false;
  library::LibraryChanged = false;
  engine::StopRequested = false;
  learning::SkipLearning = false;
  library::ProgramEndRequested = false;
}

}  // namespace testing_support
