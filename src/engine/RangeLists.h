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

#include "library/TemplateLibrary.h"

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
bool SameRanges(const RangeSet& a, const RangeSet& b);
bool InRanges(const RangeSet& ranges, int32_t index);

// The lists of one library table as a classification in one range mode
// reads them, in the library's packed layout.
struct ModeView {
  library::PackedLists Lists;
  // Only entries inside the mode's ranges (else the reader skips the others).
  bool InRangeOnly;
};

// The library's own lists in mode 0. In the Latin modes the library's lists
// until the table has been asked for often enough to pay for cutting it, then
// the lists cut down to the mode's ranges, where a list of the library keeps
// its place even when none of its entries is in range. A change of the table
// or of the ranges starts the count again; the view is valid until then.
ModeView ModeLists(int32_t table, int32_t rangeMode);

}  // namespace engine
