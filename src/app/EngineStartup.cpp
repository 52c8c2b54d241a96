// Engine start-up and shutdown shared by the front ends (see EngineStartup.h).
// The installed library folder is given by the build twice: relative to the
// installed programs (so that an installation moved elsewhere, or unpacked
// under another prefix, still finds its library) and as the absolute folder
// (for a program copied out of its installation).
#include "app/EngineStartup.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "library/WordPairs.h"
#include "platform/UiHooks.h"

#ifndef PELLAR_RELATIVE_DATA_DIR
#define PELLAR_RELATIVE_DATA_DIR "../share/pellarocr"
#endif
#ifndef PELLAR_INSTALLED_DATA_DIR
#define PELLAR_INSTALLED_DATA_DIR "/usr/local/share/pellarocr"
#endif

namespace app {

namespace {

namespace fs = std::filesystem;

const char* const kWordPairsError = "打开Word.Dat文件错误!";
const char* const kWordPairsFile = "Word.Dat";

// The folders the last start-up looked at.
std::vector<std::string>& FoldersTried() {
  static std::vector<std::string> folders;
  return folders;
}

bool HoldsWordPairs(const std::string& folder) {
  std::error_code ec;
  return fs::is_regular_file(fs::path(folder) / kWordPairsFile, ec);
}

std::string FolderList(const std::vector<std::string>& folders) {
  std::string list;
  for (const std::string& folder : folders) list += (list.empty() ? "" : ", ") + folder;
  return list;
}

// The folder $PELLAROCR_LIBRARY names; empty when it is not set.
std::string NamedFolder() {
  const char* named = std::getenv(kLibraryVariable);
  return named != nullptr ? named : "";
}

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

std::vector<std::string> LibrarySearchFolders() {
  if (const std::string named = NamedFolder(); !named.empty()) return {named};
  const fs::path program = library::ExecutableFolder();
  std::vector<std::string> folders = {program.string(),
                                      (program / PELLAR_RELATIVE_DATA_DIR).lexically_normal().string()};
  if (std::find(folders.begin(), folders.end(), PELLAR_INSTALLED_DATA_DIR) == folders.end())
    folders.push_back(PELLAR_INSTALLED_DATA_DIR);
  return folders;
}

StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress,
                        const library::LockWait* learning) {
  engine::UseContext = true;
  library::LearningMode = false;
  library::LibraryChanged = false;
  FailureDetail().clear();
  const std::string named = libraryDir.empty() ? NamedFolder() : libraryDir;
  FoldersTried() = named.empty() ? LibrarySearchFolders() : std::vector{named};
  std::string folder = named;
  std::error_code ec;
  if (!named.empty() && !fs::is_directory(named, ec)) return StartResult::LibraryFolderMissing;
  if (named.empty()) {
    const auto found = std::find_if(FoldersTried().begin(), FoldersTried().end(), HoldsWordPairs);
    if (found == FoldersTried().end()) {
      platform::ShowNotice(kWordPairsError);
      return StartResult::LibraryNotFound;
    }
    folder = *found;
  }
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
      return "library folder not found: " + FolderList(FoldersTried());
    case StartResult::LibraryNotFound:
      return "no library (Word.Dat) found in " + FolderList(FoldersTried()) +
             "; name its folder with --library or " + kLibraryVariable;
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
