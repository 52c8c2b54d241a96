// The classifier's range modes and the library lists cut down to them.
//
// A classification in a range mode only ever looks at the votes of the
// characters inside the mode's index ranges: the votes a list gives to any
// other character are never read. For the Latin modes, whose ranges hold a
// few per cent of a list's entries, the library's lists are kept a second
// time with only the entries inside the ranges, so that voting over them
// gives every character inside the ranges the votes the whole lists give.
#pragma once

#include <cstdint>

#include "library/CharIndex.h"

namespace engine {

// Range modes: 0 all characters; 2 ASCII pairs, the full-width row and 一;
// 3 the full-width row and 一.
constexpr int32_t kRangeAll = 0;
constexpr int32_t kRangeLatin = 2;
constexpr int32_t kRangeSingleLatin = 3;

struct IndexRange {
  int32_t First, Last;  // inclusive
};

// The ranges of a mode, in the order the candidates are searched.
struct RangeSet {
  IndexRange Ranges[3];
  int32_t Count;
};

RangeSet RangesOfMode(int32_t rangeMode);

struct CutTable;

// The lists of one library table as a classification in one range mode
// reads them: the library's own lists in mode 0, else the lists cut down to
// the mode's ranges (cut again when the table or the ranges changed).
class ModeLists {
 public:
  ModeLists(int32_t table, int32_t rangeMode);
  // The list at a feature index, ended by 0 (a cut-down list may hold no
  // entry), or nullptr where the library has no list.
  const library::CharIndex* At(int32_t featureIndex) const;

 private:
  int32_t Table;
  const CutTable* Cut;  // nullptr in mode 0
};

}  // namespace engine
