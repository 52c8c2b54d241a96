// Start-up of the engine for the command-line tools, as the desktop program
// does it before its first recognition.
#pragma once

#include <string>

namespace cli {

// Context on; the template library and Word.Dat from `libraryDir` (empty:
// the program's folder), a folder without library files giving an empty
// library; the classifier's shape lists. A missing or damaged Word.Dat shows
// "打开Word.Dat文件错误!" through the hooks. False with `error` set (empty
// when the message was shown) when the engine cannot start.
bool StartEngine(const std::string& libraryDir, std::string& error);

}  // namespace cli
