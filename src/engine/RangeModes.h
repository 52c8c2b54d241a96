// The classifier's range modes: the library index ranges whose characters
// may become candidates.
#pragma once

#include <cstdint>

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

}  // namespace engine
