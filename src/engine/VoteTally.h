// The votes of the feature words whose voters are sets (WordVoters.h),
// counted for every character at once.
//
// Each set gives one bit per character; adding the bits of sixteen strong and
// sixteen weak words position by position (carry-save adders over whole
// machine words) gives every character's 3 × strong + weak count as seven bit
// planes, and the mask of characters whose count reaches a floor.
#pragma once

#include <cstdint>

#include "engine/WordVoters.h"

namespace engine {

constexpr int32_t kTallyWords = 16;  // sets of each weight
constexpr int32_t kTallyPlanes = 7;  // counts up to 3 × 16 + 16 = 64
constexpr int32_t kTallyFloor = 31;  // the lowest count a candidate can need

// The counts of the characters below 64 × Words; those above are 0.
struct VoteTally {
  alignas(64) uint64_t Planes[kTallyPlanes][kVoterSetWords];  // bit p of each count
  alignas(64) uint64_t AtFloor[kVoterSetWords];               // count ≥ kTallyFloor
  int32_t Words = 0;
};

// Counts three votes for every character of each strong set and one for
// every character of each weak set (kTallyWords of each; an absent set has
// no words).
void TallyVotes(const VoterSet* strong, const VoterSet* weak, VoteTally& tally);

// The characters of word `word` (c / 64) whose count reaches the floor.
inline uint64_t AtFloorOfWord(const VoteTally& tally, int32_t word) {
  return word < tally.Words ? tally.AtFloor[word] : 0;
}

// The count of character c.
inline int32_t TalliedVote(const VoteTally& tally, int32_t c) {
  if (c / 64 >= tally.Words) return 0;
  int32_t vote = 0;
  for (int32_t p = 0; p < kTallyPlanes; ++p) {
    vote |= static_cast<int32_t>((tally.Planes[p][c / 64] >> (c % 64)) & 1) << p;
  }
  return vote;
}

}  // namespace engine
