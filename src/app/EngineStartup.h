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
};

// Loads the library from `libraryDir` (empty: the program's folder); a folder
// without library files gives an empty library. `progress` (may be null) is
// told the table number before each table. Learning mode and the change flag
// start off.
StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress = nullptr);

// A sentence in English saying why the engine did not start (for the
// command-line tools); empty for Started.
std::string StartFailureText(StartResult result);

// Frees the engine's lines and releases the library, writing it back first
// when learning mode is on and learning changed it. False when that write
// failed (the old files are kept).
bool StopEngine();

}  // namespace app
