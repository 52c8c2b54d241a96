// The bit-sliced tally: every character's 3 × strong + weak count, and the
// mask of counts that reach the floor, against counting set by set.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/VoteTally.h"

namespace engine {
namespace {

constexpr int32_t kChars = kVoterSetWords * 64;

// Sixteen strong and sixteen weak sets, each with room for every character.
class Sets {
 public:
  Sets() {
    for (int32_t i = 0; i < 2 * kTallyWords; ++i) views_[i] = {words_[i].Bits, kVoterSetWords};
  }
  void Put(bool strong, int32_t k, int32_t c) {
    words_[(strong ? 0 : kTallyWords) + k].Bits[c / 64] |= uint64_t{1} << (c % 64);
  }
  // Makes set k end after `words` words (it must hold nothing above).
  void Shorten(bool strong, int32_t k, int32_t words) {
    views_[(strong ? 0 : kTallyWords) + k].Words = words;
  }

  std::unique_ptr<VoteTally> Tally() const {
    auto tally = std::make_unique<VoteTally>();
    TallyVotes(views_, views_ + kTallyWords, *tally);
    return tally;
  }
  int32_t Count(int32_t c) const {
    int32_t n = 0;
    for (int32_t i = 0; i < kTallyWords; ++i) n += 3 * views_[i].Has(c) + views_[kTallyWords + i].Has(c);
    return n;
  }
  void ExpectTallied() const {
    const auto tally = Tally();
    for (int32_t c = 0; c < kChars; ++c) {
      const int32_t count = Count(c);
      ASSERT_EQ(TalliedVote(*tally, c), count) << "character " << c;
      ASSERT_EQ((AtFloorOfWord(*tally, c / 64) >> (c % 64)) & 1, count >= kTallyFloor ? 1u : 0u)
          << "character " << c;
    }
  }

 private:
  struct alignas(64) Words {
    uint64_t Bits[kVoterSetWords] = {};
  };
  std::unique_ptr<Words[]> words_ = std::make_unique<Words[]>(2 * kTallyWords);
  VoterSet views_[2 * kTallyWords];
};

TEST(VoteTallyTest, EveryCountFromNothingToAllSets) {
  // Character 64 + s·17 + w is in the first s strong and the first w weak
  // sets, so every pair of counts 0..16 occurs, with 30, 31 and 32 around
  // the floor.
  Sets sets;
  for (int32_t s = 0; s <= kTallyWords; ++s) {
    for (int32_t w = 0; w <= kTallyWords; ++w) {
      for (int32_t i = 0; i < s; ++i) sets.Put(true, i, 64 + s * 17 + w);
      for (int32_t i = 0; i < w; ++i) sets.Put(false, i, 64 + s * 17 + w);
    }
  }
  sets.ExpectTallied();
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
        if (in(random)) sets.Put(true, i, c);
        if (in(random)) sets.Put(false, i, c);
      }
    }
    sets.ExpectTallied();
  }
}

// Sets end at different words: past its end a set counts nothing, and past
// the longest the tally holds nothing.
TEST(VoteTallyTest, SetsOfDifferentLengths) {
  Sets sets;
  for (int32_t i = 0; i < kTallyWords; ++i) {
    for (int32_t c = 0; c < 64 * (4 + 4 * i); ++c) {
      sets.Put(true, i, c);
      sets.Put(false, i, c);
    }
    sets.Shorten(true, i, 4 + 4 * i);
    sets.Shorten(false, i, 4 + 4 * i);
  }
  sets.ExpectTallied();
  const auto tally = sets.Tally();
  EXPECT_EQ(tally->Words, 64);
  EXPECT_EQ(TalliedVote(*tally, 0), 64);
  EXPECT_EQ(TalliedVote(*tally, 64 * 64 - 1), 4);
  EXPECT_EQ(TalliedVote(*tally, 64 * 64), 0);
  EXPECT_EQ(AtFloorOfWord(*tally, 200), 0u);
}

TEST(VoteTallyTest, NoSetsNoCounts) {
  const VoterSet none[kTallyWords] = {};
  auto tally = std::make_unique<VoteTally>();
  tally->Words = 9;
  TallyVotes(none, none, *tally);
  EXPECT_EQ(tally->Words, 0);
  EXPECT_EQ(TalliedVote(*tally, 100), 0);
  EXPECT_EQ(AtFloorOfWord(*tally, 1), 0u);
}

}  // namespace
}  // namespace engine
