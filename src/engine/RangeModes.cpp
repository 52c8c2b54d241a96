// The classifier's range modes (see RangeModes.h); the range starts are the
// ones start-up computed from the code table (EngineState.h).
#include "engine/RangeModes.h"

#include "engine/EngineState.h"

namespace engine {

RangeSet RangesOfMode(int32_t rangeMode) {
  const IndexRange fullWidth{FullWidthFirst, FullWidthLast};
  const IndexRange one{HanziOne, HanziOne};
  if (rangeMode == kRangeLatin) return {{{AsciiPairFirst, library::kMaxCharIndex}, fullWidth, one}, 3};
  if (rangeMode == kRangeSingleLatin) return {{fullWidth, one, {}}, 2};
  return {{{1, library::kMaxCharIndex}, {}, {}}, 1};
}

bool SameRanges(const RangeSet& a, const RangeSet& b) {
  if (a.Count != b.Count) return false;
  for (int32_t i = 0; i < a.Count; ++i) {
    if (a.Ranges[i].First != b.Ranges[i].First || a.Ranges[i].Last != b.Ranges[i].Last) return false;
  }
  return true;
}

bool InRanges(const RangeSet& ranges, int32_t index) {
  for (int32_t i = 0; i < ranges.Count; ++i) {
    if (index >= ranges.Ranges[i].First && index <= ranges.Ranges[i].Last) return true;
  }
  return false;
}

}  // namespace engine
