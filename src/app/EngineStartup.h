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
// tables gives an empty library. `progress` (may be null) is told the table
// number before each table. Learning mode and the change flag start off.
StartResult StartEngine(const std::string& libraryDir, const library::LoadProgress* progress = nullptr);

// A sentence in English saying why the engine did not start, naming the
// folder or the folders tried (for the command-line tools); empty for
// Started.
std::string StartFailureText(StartResult result);

// Frees the engine's lines and releases the library, writing it back first
// when learning mode is on and learning changed it. False when that write
// failed (the old files are kept).
bool StopEngine();

}  // namespace app
