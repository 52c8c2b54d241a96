// Start-up and shutdown of the engine, the same for every front end: the
// library folder found, context on, the template library and Word.Dat
// loaded, the classifier's shape lists built; at the end the engine's lines
// freed and a changed library written back in learning mode.
#pragma once

#include <string>
#include <vector>

#include "library/TemplateLibrary.h"

namespace app {

enum class StartResult {
  Started,
  LibraryFolderMissing,  // the folder named does not exist
  LibraryNotFound,       // no folder searched holds Word.Dat ("打开Word.Dat文件错误!" shown)
  LibraryUnreadable,     // a library table exists but cannot be read completely
  WordPairsUnreadable,   // Word.Dat is missing or damaged ("打开Word.Dat文件错误!" shown)
  LibraryInUse,          // another learning run kept the library for the whole wait
  LibraryNotLockable,    // the library folder cannot be locked for learning
};

// The environment variable that names the library folder.
constexpr const char* kLibraryVariable = "PELLAROCR_LIBRARY";

// The folders where the library is looked for when none is named, in order:
// the one $PELLAROCR_LIBRARY names (alone, when it is set), otherwise the
// program's folder, the share/pellarocr folder beside the program's bin
// folder, and the folder the build installs the library into.
std::vector<std::string> LibrarySearchFolders();

// Loads the library from `libraryDir`, or when it is empty from the first
// folder of LibrarySearchFolders() that holds a Word.Dat (the folder
// $PELLAROCR_LIBRARY names is taken as named). A folder without library
// tables gives an empty library (see library::LibraryEmpty). `progress` (may be null) is told the table
// number before each table. Learning mode and the change flag start off.
// With `learning`, the run is going to teach the library: its folder is
// locked for learning first (see library::LockLibraryForLearning), waiting as
// `learning` says, and stays locked until the library is saved.
StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress = nullptr,
                        const library::LockWait* learning = nullptr);

// A sentence in English saying why the engine did not start, naming the
// folder or the folders tried (for the command-line tools); empty for
// Started.
std::string StartFailureText(StartResult result);

// Frees the engine's lines and releases the library, writing it back first
// when learning mode is on and learning changed it (see library::SaveLibrary:
// unless `mode` says so, files that changed on disk since they were loaded
// are not overwritten). When the result is not Saved the library stays in
// memory and the old files are kept; `problem` says why in English.
library::SaveResult StopEngine(library::SaveMode mode = library::SaveMode::KeepChangedFiles,
                               std::string* problem = nullptr);

}  // namespace app
