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

// Why the last start failed, beyond what its result says.
std::string& FailureDetail() {
  static std::string detail;
  return detail;
}

StartResult LockForLearning(const std::string& folder, const library::LockWait& wait) {
  switch (library::LockLibraryForLearning(folder, wait, &FailureDetail())) {
    case library::LockResult::Locked:
      return StartResult::Started;
    case library::LockResult::Busy:
      return StartResult::LibraryInUse;
    case library::LockResult::Failed:
      break;
  }
  return StartResult::LibraryNotLockable;
}

}  // namespace

StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress,
                        const library::LockWait* learning) {
  engine::UseContext = true;
  library::LearningMode = false;
  library::LibraryChanged = false;
  FailureDetail().clear();
  const std::string folder = libraryDir.empty() ? library::ExecutableFolder() : libraryDir;
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return StartResult::LibraryFolderMissing;
  library::SetProgramFolder(folder);
  if (learning) {
    if (const StartResult locked = LockForLearning(folder, *learning); locked != StartResult::Started)
      return locked;
  }
  // With a progress callback a folder without library files is an empty
  // library rather than a failure, as at the desktop program's start-up.
  const library::LoadProgress silent = [](int32_t) {};
  if (!library::LoadLibrary(progress ? progress : &silent, &FailureDetail())) {
    library::UnlockLibraryForLearning();
    return StartResult::LibraryUnreadable;
  }
  if (!library::LoadWordPairs(&FailureDetail())) {
    library::UnlockLibraryForLearning();
    platform::ShowNotice(kWordPairsError);
    return StartResult::WordPairsUnreadable;
  }
  engine::BuildShapeLists();
  return StartResult::Started;
}

std::string StartFailureText(StartResult result) {
  const std::string& folder = library::ProgramFolder();
  const std::string detail = FailureDetail().empty() ? "" : ": " + FailureDetail();
  switch (result) {
    case StartResult::Started:
      return {};
    case StartResult::LibraryFolderMissing:
      return "library folder not found";
    case StartResult::LibraryUnreadable:
      return "cannot read the template library in " + folder + detail;
    case StartResult::WordPairsUnreadable:
      return "cannot read Word.Dat in " + folder + detail;
    case StartResult::LibraryInUse:
      return "the template library in " + folder + " is being taught by another run";
    case StartResult::LibraryNotLockable:
      return "cannot lock the template library in " + folder + " for learning" + detail;
  }
  return {};
}

library::SaveResult StopEngine(library::SaveMode mode, std::string* problem) {
  engine::FreePageLines();
  return library::SaveLibrary(library::LearningMode && library::LibraryChanged, mode, problem);
}

}  // namespace app
