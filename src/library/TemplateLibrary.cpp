#include "library/TemplateLibrary.h"
namespace library {
namespace { std::string folder = "."; }
const CharIndex* LibraryList(int32_t, int32_t) { return nullptr; }
void SetProgramFolder(const std::string& f) { folder = f; }
const std::string& ProgramFolder() { return folder; }
std::string ExecutableFolder() { return "."; }
bool LoadLibrary(const LoadProgress*) { return true; }
bool SaveLibrary(bool) { return true; }
void ClearLibrary() {}
TableStats StatsOfTable(int32_t) { return {}; }
}  // namespace library
