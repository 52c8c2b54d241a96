// Fuzzes the loading of a library table: the input is ZEZID.D00 of a library
// folder whose other tables are missing, loaded as at start-up; every list of
// a table that loads is then read to its end, as the classifier and learning
// read them.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "library/TemplateLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool folderSet = [] {
    library::SetProgramFolder(fuzzsupport::ScratchFolder());
    return true;
  }();
  if (!folderSet || fuzzsupport::WriteScratchFile("ZEZID.D00", data, size).empty()) return 0;
  if (library::LoadLibrary(nullptr)) {
    uint32_t sum = 0;
    for (int32_t i = 0; i < library::kFeatureIndexCount; ++i) {
      for (const library::CharIndex* list : {library::LibraryList(0, i), library::SlotList(0, i)}) {
        for (; list && *list; ++list) sum += *list;
      }
    }
    [[maybe_unused]] static volatile uint32_t sink;
    sink = sum + static_cast<uint32_t>(library::StatsOfTable(0).Entries);
  }
  return 0;
}
