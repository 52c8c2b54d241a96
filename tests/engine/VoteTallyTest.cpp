// The bit-sliced tally: every character's 3 × strong + weak count, and the
// mask of counts that reach the floor, against counting set by set.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/VoteTally.h"

namespace engine {
namespace {

constexpr int32_t kChars = kVoterSetWords * 64;

bool Has(const uint64_t* bits, int32_t c) {
  return (bits[c / 64] >> (c % 64)) & 1;
}
void Put(VoterSet& set, int32_t c) {
  set.Bits[c / 64] |= uint64_t{1} << (c % 64);
}

struct Sets {
  std::unique_ptr<VoterSet[]> Strong = std::make_unique<VoterSet[]>(kTallyWords);
  std::unique_ptr<VoterSet[]> Weak = std::make_unique<VoterSet[]>(kTallyWords);

  std::unique_ptr<VoteTally> Tally() const {
    const VoterSet* strong[kTallyWords];
    const VoterSet* weak[kTallyWords];
    for (int32_t i = 0; i < kTallyWords; ++i) {
      strong[i] = &Strong[i];
      weak[i] = &Weak[i];
    }
    auto tally = std::make_unique<VoteTally>();
    TallyVotes(strong, weak, *tally);
    return tally;
  }
  int32_t Count(int32_t c) const {
    int32_t n = 0;
    for (int32_t i = 0; i < kTallyWords; ++i) n += 3 * Has(Strong[i].Bits, c) + Has(Weak[i].Bits, c);
    return n;
  }
};

void ExpectTallied(const Sets& sets) {
  const auto tally = sets.Tally();
  for (int32_t c = 0; c < kChars; ++c) {
    const int32_t count = sets.Count(c);
    ASSERT_EQ(TalliedVote(*tally, c), count) << "character " << c;
    ASSERT_EQ(Has(tally->AtFloor, c), count >= kTallyFloor) << "character " << c;
  }
}

TEST(VoteTallyTest, EveryCountFromNothingToAllSets) {
  // Character s·17 + w is in the first s strong and the first w weak sets, so
  // every pair of counts 0..16 occurs, with 30, 31 and 32 around the floor.
  Sets sets;
  for (int32_t s = 0; s <= kTallyWords; ++s) {
    for (int32_t w = 0; w <= kTallyWords; ++w) {
      const int32_t c = 64 + s * 17 + w;
      for (int32_t i = 0; i < s; ++i) Put(sets.Strong[i], c);
      for (int32_t i = 0; i < w; ++i) Put(sets.Weak[i], c);
    }
  }
  ExpectTallied(sets);
  const auto tally = sets.Tally();
  EXPECT_EQ(TalliedVote(*tally, 64 + 16 * 17 + 16), 64);
  EXPECT_EQ(TalliedVote(*tally, 64 + 10 * 17 + 1), 31);
}

TEST(VoteTallyTest, RandomSetsOfEveryDensity) {
  std::mt19937 random(7);
  for (const double density : {0.05, 0.5, 0.9}) {
    Sets sets;
    std::bernoulli_distribution in(density);
    for (int32_t i = 0; i < kTallyWords; ++i) {
      for (int32_t c = 0; c < kChars; ++c) {
        if (in(random)) Put(sets.Strong[i], c);
        if (in(random)) Put(sets.Weak[i], c);
      }
    }
    ExpectTallied(sets);
  }
}

TEST(VoteTallyTest, AnEmptySetAddsNothing) {
  const VoterSet& empty = EmptyVoterSet();
  const VoterSet* strong[kTallyWords];
  const VoterSet* weak[kTallyWords];
  for (int32_t i = 0; i < kTallyWords; ++i) strong[i] = weak[i] = &empty;
  auto tally = std::make_unique<VoteTally>();
  TallyVotes(strong, weak, *tally);
  for (int32_t c = 0; c < kChars; ++c) ASSERT_EQ(TalliedVote(*tally, c), 0);
  for (uint64_t bits : tally->AtFloor) ASSERT_EQ(bits, 0u);
}

}  // namespace
}  // namespace engine
