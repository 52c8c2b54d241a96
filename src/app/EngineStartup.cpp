// Engine start-up and shutdown shared by the front ends (see EngineStartup.h).
#include "app/EngineStartup.h"

#include <filesystem>

#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "library/WordPairs.h"
#include "platform/UiHooks.h"

namespace app {

namespace {
const char* const kWordPairsError = "打开Word.Dat文件错误!";
}  // namespace

StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress) {
  engine::UseContext = true;
  library::LearningMode = false;
  library::LibraryChanged = false;
  const std::string folder = libraryDir.empty() ? library::ExecutableFolder() : libraryDir;
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return StartResult::LibraryFolderMissing;
  library::SetProgramFolder(folder);
  // With a progress callback a folder without library files is an empty
  // library rather than a failure, as at the desktop program's start-up.
  const library::LoadProgress silent = [](int32_t) {};
  if (!library::LoadLibrary(progress ? progress : &silent)) return StartResult::LibraryUnreadable;
  if (!library::LoadWordPairs()) {
    platform::ShowNotice(kWordPairsError);
    return StartResult::WordPairsUnreadable;
  }
  engine::BuildShapeLists();
  return StartResult::Started;
}

std::string StartFailureText(StartResult result) {
  const std::string& folder = library::ProgramFolder();
  switch (result) {
    case StartResult::Started:
      return {};
    case StartResult::LibraryFolderMissing:
      return "library folder not found";
    case StartResult::LibraryUnreadable:
      return "cannot read the template library in " + folder;
    case StartResult::WordPairsUnreadable:
      return "cannot read Word.Dat in " + folder;
  }
  return {};
}

bool StopEngine() {
  engine::FreePageLines();
  return library::SaveLibrary(library::LearningMode && library::LibraryChanged);
}

}  // namespace app
