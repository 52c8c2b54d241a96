// Start-up and shutdown of the engine, the same for every front end: context
// on, the template library and Word.Dat loaded, the classifier's shape lists
// built; at the end the engine's lines freed and a changed library written
// back in learning mode.
#pragma once

#include <string>

#include "library/TemplateLibrary.h"

namespace app {

enum class StartResult {
  Started,
  LibraryFolderMissing,  // the folder named does not exist
  LibraryUnreadable,     // a library table exists but cannot be read completely
  WordPairsUnreadable,   // Word.Dat is missing or damaged ("打开Word.Dat文件错误!" shown)
  LibraryInUse,          // another learning run kept the library for the whole wait
  LibraryNotLockable,    // the library folder cannot be locked for learning
};

// Loads the library from `libraryDir` (empty: the program's folder); a folder
// without library files gives an empty library (see library::LibraryEmpty).
// `progress` (may be null) is told the table number before each table.
// Learning mode and the change flag start off. With `learning`, the run is
// going to teach the library: its folder is locked for learning first (see
// library::LockLibraryForLearning), waiting as `learning` says, and stays
// locked until the library is saved.
StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress = nullptr,
                        const library::LockWait* learning = nullptr);

// A sentence in English saying why the engine did not start (for the
// command-line tools); empty for Started.
std::string StartFailureText(StartResult result);

// Frees the engine's lines and releases the library, writing it back first
// when learning mode is on and learning changed it (see library::SaveLibrary:
// unless `mode` says so, files that changed on disk since they were loaded
// are not overwritten). When the result is not Saved the library stays in
// memory and the old files are kept; `problem` says why in English.
library::SaveResult StopEngine(library::SaveMode mode = library::SaveMode::KeepChangedFiles,
                               std::string* problem = nullptr);

}  // namespace app
