// Fuzzes Word.Dat: the input is the file image; when it is accepted, every
// record is read to the end of both its lists, as the classifier's context
// step reads them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "library/WordPairs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!library::SetWordPairData(std::vector<uint8_t>(data, data + size))) return 0;
  uint32_t sum = 0;
  for (uint32_t code = 0; code < 65536; ++code) {
    const uint16_t* record = library::WordPairRecord(static_cast<core::CharCode>(code));
    if (!record) continue;
    const uint16_t predecessors = record[0];
    for (uint16_t k = 1; k < predecessors; ++k) sum += library::DecodePredecessor(record[k]);
    const uint16_t* successors = record + predecessors;
    for (uint16_t k = 1; k < successors[0]; ++k) sum += successors[k];
  }
  [[maybe_unused]] static volatile uint32_t sink;
  sink = sum;
  return 0;
}
