// Engine start-up shared by pellarocr-cli and the speed benchmark.
#include "cli/CliEngine.h"

#include <filesystem>

#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"
#include "platform/UiHooks.h"

namespace cli {

namespace {
const char* const kWordPairsError = "打开Word.Dat文件错误!";
}  // namespace

bool StartEngine(const std::string& libraryDir, std::string& error) {
  engine::UseContext = true;
  const std::string folder = libraryDir.empty() ? library::ExecutableFolder() : libraryDir;
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    error = "library folder not found: " + folder;
    return false;
  }
  library::SetProgramFolder(folder);
  // With a progress callback a folder without library files is an empty
  // library rather than a failure, as at the desktop program's start-up.
  const library::LoadProgress progress = [](int32_t) {};
  if (!library::LoadLibrary(&progress)) {
    error = "cannot read the template library in " + folder;
    return false;
  }
  if (!library::LoadWordPairs()) {
    platform::ShowNotice(kWordPairsError);
    error.clear();
    return false;
  }
  engine::BuildShapeLists();
  return true;
}

}  // namespace cli
