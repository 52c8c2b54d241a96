// The character classifier: feature words vote over the template library.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

constexpr int32_t kVoteEntries = 15887;

extern int16_t Votes[kVoteEntries];
// The word that voted for a character last (0 … 31, −1 before the first).
extern int8_t LastWord[kVoteEntries];

// Range modes: 0 all characters; 2 ASCII pairs, the full-width row and 一;
// 3 the full-width row and 一.
constexpr int32_t kRangeAll = 0;
constexpr int32_t kRangeLatin = 2;
constexpr int32_t kRangeSingleLatin = 3;

// Builds the shape lists and the range starts; called once at start-up.
void BuildShapeLists();
void ClearVotes();
void ClassifyCell(core::CharBlock& block, int32_t rangeMode, bool useContext);

// round(10 × width / height), halves to even: the aspect value of a block.
int32_t AspectTimesTen(const core::CharBlock& block);

}  // namespace engine
