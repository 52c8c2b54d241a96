// The characters each feature word of a cell votes for.
//
// A word votes once for every character in the lists of its table at its own
// value and at the twelve values one digit away (in the range mode's lists,
// RangeLists.h). Pages repeat word values all the time (a character looks
// alike wherever it stands), so the characters of a word value, each taken
// once, are kept after their first use, per table and range mode: a few as a
// list of indices, many as a set of one bit per character, which the vote
// counts for all characters at once (VoteTally.h). The kept voters are
// dropped when the library table or the ranges change, and a table's are
// started afresh when they outgrow their room.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"
#include "library/CharIndex.h"

namespace engine {

// A set of characters: bit c % 64 of word c / 64 for the words below Words,
// a multiple of kVoterSetStep, so that a set ends after its highest
// character (the default library's lists hold no character above 7103, 111
// words). Bits is aligned to the step.
constexpr int32_t kVoterSetWords = 256;  // every character index
constexpr int32_t kVoterSetStep = 4;     // 32 bytes
static_assert(kVoterSetWords * 64 > library::kMaxCharIndex);
struct VoterSet {
  const uint64_t* Bits = nullptr;
  int32_t Words = 0;  // 0: no character

  bool Has(int32_t c) const { return c / 64 < Words && ((Bits[c / 64] >> (c % 64)) & 1) != 0; }
};

// A word value's voters: a set, or (few of them) a list, never both.
struct WordVoters {
  VoterSet Set;                     // no words when listed
  const library::CharIndex* First;  // each character once
  uint32_t Count;
  bool Found;  // the library has a list at the value or at a neighbour
};

// The voters of the cell's 32 words (word w of table w). They stay valid
// until the next call or a change of the library.
void FindWordVoters(const int32_t* words, int32_t rangeMode, WordVoters* voters);

// Drops every kept voter and its memory; the next classifications find their
// voters afresh, as at the start of the program.
void DropWordVoters();

}  // namespace engine
