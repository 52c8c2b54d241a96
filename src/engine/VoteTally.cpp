// Bit-sliced vote counting (see VoteTally.h).
//
// Sixteen bits of one character position are counted with fifteen
// carry-save adders (a full adder applied to whole words: sum = a ^ b ^ c,
// carry = majority), giving a five-bit count per position; the strong and the
// weak count are then added as 3 × strong + weak with two ripple adds.
#include "engine/VoteTally.h"

#include <algorithm>

namespace engine {

namespace {

// Four machine words side by side; on a processor with 256-bit vector
// instructions each operation is one instruction. Sets and planes are read
// and written through it.
using Lanes = uint64_t __attribute__((vector_size(32), may_alias));
constexpr int32_t kLaneWords = 4;
static_assert(kVoterSetStep % kLaneWords == 0);
constexpr int32_t kCountBits = 5;  // counts of sixteen: 0..16

constexpr Lanes kNoLanes{};

// Words i … i + 3 of a set: clear past its end.
inline const Lanes& Load(const VoterSet& set, int32_t i) {
  return i < set.Words ? *reinterpret_cast<const Lanes*>(set.Bits + i) : kNoLanes;
}

// One full adder over every bit: a + b + c = sum + 2 × carry. The outputs
// may be inputs too.
inline void AddThree(const Lanes& a, const Lanes& b, const Lanes& c, Lanes& sum, Lanes& carry) {
  const Lanes x = a;
  const Lanes y = b;
  const Lanes z = c;
  sum = x ^ y ^ z;
  carry = (x & y) | ((x ^ y) & z);
}

// The count of sixteen sets at word i, bit by bit (count[k] holds bit k).
inline void CountSixteen(const VoterSet* sets, int32_t i, Lanes* count) {
  Lanes ones{}, twos{}, fours{}, eights{};
  Lanes twosA, twosB, foursA, foursB, eightsA, eightsB;
  for (int32_t half = 0; half < 2; ++half) {
    const VoterSet* s = sets + 8 * half;
    AddThree(ones, Load(s[0], i), Load(s[1], i), ones, twosA);
    AddThree(ones, Load(s[2], i), Load(s[3], i), ones, twosB);
    AddThree(twos, twosA, twosB, twos, foursA);
    AddThree(ones, Load(s[4], i), Load(s[5], i), ones, twosA);
    AddThree(ones, Load(s[6], i), Load(s[7], i), ones, twosB);
    AddThree(twos, twosA, twosB, twos, foursB);
    AddThree(fours, foursA, foursB, fours, half == 0 ? eightsA : eightsB);
  }
  Lanes sixteens;
  AddThree(eights, eightsA, eightsB, eights, sixteens);
  count[0] = ones;
  count[1] = twos;
  count[2] = fours;
  count[3] = eights;
  count[4] = sixteens;
}

// sum = a + b over kTallyPlanes bits; the caller's numbers fit.
inline void AddPlanes(const Lanes* a, const Lanes* b, Lanes* sum) {
  Lanes carry{};
  for (int32_t k = 0; k < kTallyPlanes; ++k) {
    AddThree(a[k], b[k], carry, sum[k], carry);
  }
}

// Count ≥ kTallyFloor, bit by bit from the top: greater as soon as a bit is
// set where the floor's is clear, with every higher bit equal.
inline void AtLeastFloor(const Lanes* count, Lanes& atFloor) {
  Lanes greater{};
  Lanes equal = ~Lanes{};
  for (int32_t k = kTallyPlanes - 1; k >= 0; --k) {
    if ((kTallyFloor >> k) & 1) {
      equal &= count[k];
    } else {
      greater |= equal & count[k];
      equal &= ~count[k];
    }
  }
  atFloor = greater | equal;
}

}  // namespace

__attribute__((target_clones("avx2", "default"))) void TallyVotes(const VoterSet* strong,
                                                                  const VoterSet* weak, VoteTally& tally) {
  int32_t words = 0;
  for (int32_t k = 0; k < kTallyWords; ++k) words = std::max({words, strong[k].Words, weak[k].Words});
  tally.Words = words;
  for (int32_t i = 0; i < words; i += kLaneWords) {
    Lanes strongCount[kTallyPlanes]{};
    Lanes weakCount[kTallyPlanes]{};
    CountSixteen(strong, i, strongCount);
    CountSixteen(weak, i, weakCount);
    Lanes twiceStrong[kTallyPlanes]{};
    for (int32_t k = 0; k < kCountBits; ++k) twiceStrong[k + 1] = strongCount[k];
    Lanes partial[kTallyPlanes];
    Lanes count[kTallyPlanes];
    AddPlanes(strongCount, weakCount, partial);
    AddPlanes(partial, twiceStrong, count);
    for (int32_t k = 0; k < kTallyPlanes; ++k) *reinterpret_cast<Lanes*>(tally.Planes[k] + i) = count[k];
    AtLeastFloor(count, *reinterpret_cast<Lanes*>(tally.AtFloor + i));
  }
}

}  // namespace engine
