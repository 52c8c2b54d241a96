// The classifier's voting, tiers, shape rules, range modes and context on a
// library taught by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "engine/CellFeatures.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "library/CharIndex.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"
#include "support/CellFixtures.h"

namespace engine {
namespace {

constexpr int32_t kWord = 222222;                        // every digit 2
constexpr CharCode kOne = MakeCode(0xD2, 0xBB);          // 一
constexpr CharCode kExclamation = MakeCode(0xA3, 0xA1);  // ！
constexpr CharCode kFullA = MakeCode(0xA3, 0xC1);        // Ａ
constexpr CharCode kFullStop = MakeCode(0xA1, 0xA3);     // 。

// Hanzi with consecutive indices: 啊 阿 埃 挨 …
constexpr CharCode Hanzi(int32_t k) {
  return MakeCode(0xB0, static_cast<uint8_t>(0xA1 + k));
}

// The 16 words of weight 3, then the 16 of weight 1.
std::vector<int32_t> StrongWords(int32_t n) {
  std::vector<int32_t> words;
  for (int32_t w : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 28, 29, 30, 31}) words.push_back(w);
  words.resize(n);
  return words;
}
std::vector<int32_t> WeakWords(int32_t n) {
  std::vector<int32_t> words;
  for (int32_t w = 12; w < 12 + n; ++w) words.push_back(w);
  return words;
}

void Teach(CharCode code, const std::vector<int32_t>& words, int32_t word = kWord) {
  for (int32_t w : words)
    ASSERT_EQ(library::LibraryAdd(w, library::FeatureWordToIndex(word), code), library::AddResult::Added);
}
// Taught so that it gets 3 × strong + weak votes from a cell of kWord.
void TeachVotes(CharCode code, int32_t strong, int32_t weak) {
  Teach(code, StrongWords(strong));
  Teach(code, WeakWords(weak));
}

class ClassifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library::ClearLibrary();
    ASSERT_TRUE(library::SetWordPairData(std::vector<uint8_t>(library::kWordPairIndexBytes, 0)));
    BuildShapeLists();
    ClearVotes();
    PrevBlock = nullptr;
    SizeSum = 0;
    SizeCount = 0;
    for (auto& digits : FeatureDigits)
      for (int32_t& d : digits) d = 2;
    block_ = cells::MakeBlock(0, 39, 0, 39);  // F = 10, not small
  }
  void TearDown() override { library::ClearLibrary(); }

  void Classify(int32_t mode = kRangeAll, bool context = false) { ClassifyCell(block_, mode, context); }
  int32_t CandidateCount() const {
    int32_t n = 0;
    while (n < 16 && block_.Codes[n] != 0) ++n;
    return n;
  }

  CharBlock block_;
};

TEST_F(ClassifierTest, EveryWordVotesOnceAtItsValueOrANeighbour) {
  TeachVotes(Hanzi(0), 16, 16);
  Classify();
  EXPECT_EQ(block_.Codes[0], Hanzi(0));
  EXPECT_EQ(block_.Scores[0], 64);
  EXPECT_EQ(block_.Codes[1], 0);
  EXPECT_EQ(block_.Scores[1], 0);
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    EXPECT_EQ(block_.Features[w], kWord);
    EXPECT_EQ(block_.FeatureHits[w], 1);
  }
  for (int16_t v : Votes) ASSERT_EQ(v, 0);

  // 啊 also one digit up, 阿 one digit down in the highest position: each
  // word still votes once, and the tie lists the lower index first.
  Teach(Hanzi(0), StrongWords(16), 222223);
  Teach(Hanzi(0), WeakWords(16), 222223);
  Teach(Hanzi(1), StrongWords(16), 122222);
  Teach(Hanzi(1), WeakWords(16), 122222);
  Teach(Hanzi(2), StrongWords(16), 202222);  // two digits away: never found
  Classify();
  EXPECT_EQ(block_.Codes[0], Hanzi(0));
  EXPECT_EQ(block_.Codes[1], Hanzi(1));
  EXPECT_EQ(block_.Scores[1], 64);
  EXPECT_EQ(block_.Codes[2], 0);

  // A digit 4 has no upper neighbour: for 000004 the list at 3 is visited,
  // the one at 5 is not.
  library::ClearLibrary();
  for (int32_t k = 0; k < 6; ++k) FeatureDigits[0][k] = FeatureDigits[1][k] = (k == 5) ? 4 : 0;
  Teach(Hanzi(0), {0}, 3);
  Teach(Hanzi(1), {1}, 5);
  Classify();
  EXPECT_EQ(block_.FeatureHits[0], 1);
  EXPECT_EQ(block_.FeatureHits[1], 0);
}

TEST_F(ClassifierTest, BestAndSecondTier) {
  TeachVotes(Hanzi(0), 0, 16);  // weak words alone: 16
  TeachVotes(Hanzi(1), 10, 1);  // 31
  Classify();
  EXPECT_EQ(block_.Codes[0], 0);
  EXPECT_EQ(block_.Scores[0], 0);

  TeachVotes(Hanzi(2), 10, 2);  // 32, with 31 second
  Classify();
  ASSERT_EQ(CandidateCount(), 2);
  EXPECT_EQ(block_.Codes[0], Hanzi(2));
  EXPECT_EQ(block_.Scores[0], 32);
  EXPECT_EQ(block_.Codes[1], Hanzi(1));
  EXPECT_EQ(block_.Scores[1], 31);

  library::ClearLibrary();
  TeachVotes(Hanzi(0), 11, 1);  // 34
  TeachVotes(Hanzi(1), 15, 0);  // 45: eleven ahead, no second tier
  Classify();
  EXPECT_EQ(CandidateCount(), 1);
  library::ClearLibrary();
  TeachVotes(Hanzi(0), 11, 1);  // 34
  TeachVotes(Hanzi(1), 14, 2);  // 44
  TeachVotes(Hanzi(2), 11, 0);  // 33: below the second value
  Classify();
  ASSERT_EQ(CandidateCount(), 2);
  EXPECT_EQ(block_.Codes[1], Hanzi(0));

  // Once a vote passes the best floor 31, that floor is the second value:
  // a character at 30 stays out even within ten of the best.
  library::ClearLibrary();
  TeachVotes(Hanzi(0), 10, 0);  // 30
  TeachVotes(Hanzi(1), 13, 1);  // 40
  Classify();
  EXPECT_EQ(CandidateCount(), 1);
}

TEST_F(ClassifierTest, AtMostFifteenCandidates) {
  for (int32_t k = 0; k < 16; ++k) TeachVotes(Hanzi(k), 16, 16);
  Classify();
  EXPECT_EQ(CandidateCount(), 15);
  EXPECT_EQ(block_.Codes[14], Hanzi(14));
  EXPECT_EQ(block_.Scores[15], 0);

  // Three at the best and fourteen at 55: the best first, then twelve of
  // the second tier in index order.
  library::ClearLibrary();
  for (int32_t k = 0; k < 14; ++k) TeachVotes(Hanzi(k), 16, 7);
  for (int32_t k = 20; k < 23; ++k) TeachVotes(Hanzi(k), 16, 16);
  Classify();
  EXPECT_EQ(CandidateCount(), 15);
  EXPECT_EQ(block_.Codes[2], Hanzi(22));
  EXPECT_EQ(block_.Codes[3], Hanzi(0));
  EXPECT_EQ(block_.Scores[3], 55);
  EXPECT_EQ(block_.Codes[14], Hanzi(11));
}

// The first score after classifying a cell of the given size.
int32_t ScoreOfSize(CharBlock& block, int32_t width, int32_t height) {
  block = cells::MakeBlock(0, width - 1, 0, height - 1);
  ClassifyCell(block, kRangeAll, false);
  return block.Scores[0];
}

TEST_F(ClassifierTest, ShapeRules) {
  EXPECT_EQ(AspectTimesTen(cells::MakeBlock(0, 14, 0, 19)), 8);  // 7.5
  TeachVotes(kOne, 16, 16);
  EXPECT_EQ(ScoreOfSize(block_, 120, 40), 64);  // F = 30: 94 votes, −30
  EXPECT_EQ(block_.Codes[0], kOne);
  EXPECT_EQ(ScoreOfSize(block_, 105, 40), 64);  // F = 26: +9, −9
  EXPECT_EQ(ScoreOfSize(block_, 40, 40), 34);   // F = 10: −30

  library::ClearLibrary();
  TeachVotes(kExclamation, 16, 16);
  EXPECT_EQ(ScoreOfSize(block_, 10, 40), 64);  // F = round(2.5) = 2: +9, −9
  EXPECT_EQ(ScoreOfSize(block_, 10, 30), 73);  // F = 3: +9
  EXPECT_EQ(ScoreOfSize(block_, 10, 25), 64);  // F = 4
  EXPECT_EQ(ScoreOfSize(block_, 40, 40), 55);  // F = 10: −9

  library::ClearLibrary();
  TeachVotes(kFullStop, 10, 0);                // 30
  EXPECT_EQ(ScoreOfSize(block_, 15, 15), 32);  // small: +2
  EXPECT_EQ(ScoreOfSize(block_, 40, 40), 0);
  SizeSum = 100;  // mean size 100: 39 is less than half
  SizeCount = 1;
  EXPECT_EQ(ScoreOfSize(block_, 40, 40), 32);
}

// With seventy other characters at every word, each word's voters are a set
// and are counted all at once; the tiers and the shape rules come out as they
// do with few voters, also where a shape bonus lifts a tallied 30 over the
// floor or a penalty takes a tallied 64 down.
TEST_F(ClassifierTest, ManyVotersPerWord) {
  for (int32_t f = 0; f < 70 * kFeatureWords; ++f)
    Teach(library::IndexToCode(static_cast<library::CharIndex>(1000 + f)), {f % kFeatureWords});
  TeachVotes(Hanzi(1), 10, 1);  // 31
  TeachVotes(Hanzi(2), 10, 2);  // 32
  TeachVotes(Hanzi(3), 10, 0);  // 30
  TeachVotes(Hanzi(4), 10, 2);  // 32
  Classify();
  ASSERT_EQ(CandidateCount(), 3);
  EXPECT_EQ(block_.Codes[0], Hanzi(2));
  EXPECT_EQ(block_.Codes[1], Hanzi(4));
  EXPECT_EQ(block_.Scores[1], 32);
  EXPECT_EQ(block_.Codes[2], Hanzi(1));
  EXPECT_EQ(block_.Scores[2], 31);

  TeachVotes(kFullStop, 10, 0);                // 30
  EXPECT_EQ(ScoreOfSize(block_, 15, 15), 32);  // small: +2, beside the hanzi's 32
  EXPECT_EQ(block_.Codes[0], kFullStop);       // the lowest index of the three
  TeachVotes(kOne, 16, 16);
  EXPECT_EQ(ScoreOfSize(block_, 40, 40), 34);  // F = 10: −30
  EXPECT_EQ(block_.Codes[0], kOne);
  EXPECT_EQ(block_.Codes[1], Hanzi(2));
  EXPECT_EQ(block_.Scores[1], 32);
}

TEST_F(ClassifierTest, RangeModesRestrictAndOrderCandidates) {
  TeachVotes(Hanzi(0), 16, 12);  // 60
  TeachVotes(kFullA, 13, 1);     // 40
  Classify(kRangeSingleLatin);
  EXPECT_EQ(block_.Codes[0], kFullA);
  EXPECT_EQ(block_.Codes[1], 0);
  Classify(kRangeAll);
  EXPECT_EQ(block_.Codes[0], Hanzi(0));
  EXPECT_EQ(block_.Codes[1], 0);

  // Mode 2 visits the letter pairs before the full-width row.
  library::ClearLibrary();
  TeachVotes(kFullA, 16, 16);
  TeachVotes(AsciiPairCode('a', 'b'), 16, 16);
  TeachVotes(Hanzi(0), 16, 16);
  Classify(kRangeLatin);
  EXPECT_EQ(block_.Codes[0], AsciiPairCode('a', 'b'));
  EXPECT_EQ(block_.Codes[1], kFullA);
  EXPECT_EQ(block_.Codes[2], 0);
  Classify(kRangeAll);
  EXPECT_EQ(block_.Codes[0], kFullA);
  EXPECT_EQ(block_.Codes[2], AsciiPairCode('a', 'b'));
}

// A word-pair file with one record: `code` may follow `predecessor` and be
// followed by `successor`.
void SetOneWordPair(CharCode code, CharCode predecessor, CharCode successor) {
  std::vector<uint8_t> data(library::kWordPairIndexBytes, 0);
  const uint32_t entry = static_cast<uint32_t>(data.size()) + code;
  for (int32_t b = 0; b < 4; ++b) data[code * 4 + b] = static_cast<uint8_t>(entry >> (8 * b));
  for (uint16_t v : {uint16_t{2}, library::EncodePredecessor(predecessor), uint16_t{2},
                     static_cast<uint16_t>(library::CodeToIndex(successor))}) {
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(v >> 8));
  }
  ASSERT_TRUE(library::SetWordPairData(data));
}

CharBlock PreviousBlock(int32_t secondScore) {
  CharBlock previous = cells::MakeBlock(0, 39, 0, 39);
  previous.Codes[0] = Hanzi(1);
  previous.Scores[0] = 40;
  previous.Codes[1] = Hanzi(2);
  previous.Scores[1] = secondScore;
  previous.Codes[2] = 0;
  return previous;
}

TEST_F(ClassifierTest, ContextRaisesThePredecessorAndSeedsSuccessors) {
  SetOneWordPair(Hanzi(0), Hanzi(2), Hanzi(5));
  TeachVotes(Hanzi(0), 16, 16);
  CharBlock previous = PreviousBlock(39);
  PrevBlock = &previous;
  Classify(kRangeAll, true);
  EXPECT_EQ(PrevBlock, &previous);
  EXPECT_EQ(previous.Codes[0], Hanzi(2));
  EXPECT_EQ(previous.Scores[0], 41);
  EXPECT_EQ(previous.Codes[1], Hanzi(1));
  EXPECT_EQ(previous.Scores[1], 40);
  EXPECT_EQ(Votes[library::CodeToIndex(Hanzi(5))], 2);

  // The seeded votes carry the next cell's successor over the floor.
  library::ClearLibrary();
  TeachVotes(Hanzi(5), 10, 0);  // 30 + 2
  Classify();
  EXPECT_EQ(block_.Codes[0], Hanzi(5));
  EXPECT_EQ(block_.Scores[0], 32);

  // A previous block three ahead is left alone and forgotten; the seeding
  // still happens.
  library::ClearLibrary();
  TeachVotes(Hanzi(0), 16, 16);
  previous = PreviousBlock(37);
  PrevBlock = &previous;
  Classify(kRangeAll, true);
  EXPECT_EQ(PrevBlock, nullptr);
  EXPECT_EQ(previous.Codes[0], Hanzi(1));
  EXPECT_EQ(Votes[library::CodeToIndex(Hanzi(5))], 2);
}

}  // namespace
}  // namespace engine

namespace engine {
namespace {

// The vote as the classifier's rules state it, one list entry and one index
// at a time, over the lists as learning stores them: the reference that every
// faster way of counting must match, ties and tiers included.
struct ReferenceResult {
  std::vector<CharCode> Codes;
  std::vector<int32_t> Scores;
  std::vector<uint8_t> Hits;
};

ReferenceResult ReferenceVote(const CharBlock& block, int32_t mode) {
  std::vector<int32_t> votes(kVoteEntries, 0);
  ReferenceResult result;
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    std::vector<bool> voted(kVoteEntries, false);
    const int32_t weight = (w >= 12 && w <= 27) ? 1 : 3;
    const int32_t word = block.Features[w];
    std::vector<int32_t> values{word};
    for (int32_t p = 0, power = 1; p < 6; ++p, power *= 10) {
      const int32_t digit = (word / power) % 10;
      if (digit >= 1) values.push_back(word - power);
      if (digit <= 3) values.push_back(word + power);
    }
    bool found = false;
    for (int32_t value : values) {
      const library::CharIndex* list = library::SlotList(w, library::FeatureWordToIndex(value));
      if (list == nullptr) continue;
      found = true;
      for (; *list != 0; ++list) {
        if (!voted[*list]) votes[*list] += weight;
        voted[*list] = true;
      }
    }
    result.Hits.push_back(found ? 1 : 0);
  }
  const int32_t F = AspectTimesTen(block);
  auto add = [&](const auto& list, int32_t amount, size_t from) {
    for (size_t i = from; i < list.Count; ++i) votes[list.Items[i]] += amount;
  };
  if (F >= 30) {
    add(WideShapes, 30, 0);
  } else {
    votes[WideShapes.Items[0]] += F >= 25 ? 9 : -30;
    add(WideShapes, -30, 1);
    if (F > 5) add(NarrowShapes, -9, 0);
    if (F <= 3) add(NarrowShapes, 9, 0);
  }
  const int32_t size = std::max(block.Right - block.Left, block.Bottom - block.Top);
  if (size < 20 || (SizeCount != 0 && size < SizeSum / (2 * SizeCount))) add(SmallShapes, 2, 0);

  const RangeSet ranges = RangesOfMode(mode);
  int32_t best = 31, bestCount = 0, second = 30, secondCount = 0;
  for (int32_t r = 0; r < ranges.Count; ++r) {
    for (int32_t c = ranges.Ranges[r].First; c <= ranges.Ranges[r].Last; ++c) {
      const int32_t v = votes[c];
      if (v > best) {
        second = best;
        secondCount = bestCount;
        best = v;
        bestCount = 1;
      } else if (v == best) {
        ++bestCount;
      } else if (v > second) {
        second = v;
        secondCount = 1;
      } else if (v == second) {
        ++secondCount;
      }
    }
  }
  if (best - second > 10 || second == 0 || bestCount >= 15) secondCount = 0;
  if (best < 32) return result;
  const int32_t penalty = (F >= 30 ? 30 : 0) + (F >= 25 && F < 30 ? 9 : 0) + (F < 3 ? 9 : 0);
  std::vector<std::pair<CharCode, int32_t>> bestTier, secondTier;
  for (int32_t r = 0; r < ranges.Count; ++r) {
    for (int32_t c = ranges.Ranges[r].First; c <= ranges.Ranges[r].Last; ++c) {
      const auto code = library::IndexToCode(static_cast<library::CharIndex>(c));
      if (votes[c] == best) bestTier.push_back({code, best - penalty});
      if (secondCount > 0 && votes[c] == second) secondTier.push_back({code, second - penalty});
    }
  }
  bestTier.insert(bestTier.end(), secondTier.begin(), secondTier.end());
  for (size_t k = 0; k < bestTier.size() && k < 15; ++k) {
    result.Codes.push_back(bestTier[k].first);
    result.Scores.push_back(bestTier[k].second);
  }
  return result;
}

// A feature word whose six digits come from `digits`.
int32_t WordOf(const std::array<int32_t, 6>& digits) {
  int32_t word = 0;
  for (int32_t d : digits) word = word * 10 + d;
  return word;
}

TEST_F(ClassifierTest, VoteMatchesTheRuleByRuleVoteOnRandomLibraries) {
  // Few characters from every range (symbols, the full-width row, hanzi with
  // 一 and the shape lists' members, ASCII pairs) taught at a few values per
  // table, so that votes pile up, tie and reach both tiers.
  std::vector<CharCode> alphabet = {kOne, kExclamation, kFullA, kFullStop, MakeCode(0xA1, 0xAD),
                                    MakeCode(0xA3, 0xBA), MakeCode('a', 'b'), MakeCode('1', '2'),
                                    MakeCode('~', '~'), MakeCode('!', '!')};
  for (int32_t k = 0; k < 20; ++k) alphabet.push_back(Hanzi(k));
  std::mt19937 random(16);
  auto pick = [&](int32_t n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n)); };
  std::array<std::vector<std::array<int32_t, 6>>, kFeatureWords> taught;
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    for (int32_t v = 0; v < 4; ++v) {
      std::array<int32_t, 6> digits{};
      for (int32_t& d : digits) d = pick(5);
      taught[static_cast<size_t>(w)].push_back(digits);
      for (int32_t n = 0; n < 8 + pick(10); ++n) {
        library::LibraryAdd(w, library::FeatureWordToIndex(WordOf(digits)),
                            alphabet[static_cast<size_t>(pick(static_cast<int32_t>(alphabet.size())))]);
      }
    }
  }
  const int32_t widths[] = {40, 40, 40, 120, 105, 12, 10, 15};
  for (int32_t trial = 0; trial < 600; ++trial) {
    // Each word at one of its taught values, or one digit beside it.
    for (int32_t w = 0; w < kFeatureWords; ++w) {
      const auto& choices = taught[static_cast<size_t>(w)];
      std::array<int32_t, 6> digits = choices[static_cast<size_t>(pick(static_cast<int32_t>(choices.size())))];
      int32_t& d = digits[static_cast<size_t>(pick(6))];
      if (pick(3) == 0) d = std::clamp(d + (pick(2) ? 1 : -1), 0, 4);
      for (int32_t k = 0; k < 6; ++k) FeatureDigits[w][k] = digits[static_cast<size_t>(k)];
    }
    const int32_t width = widths[pick(8)];
    CharBlock block = cells::MakeBlock(0, width - 1, 0, 39);
    const int32_t mode = std::array{kRangeAll, kRangeLatin, kRangeSingleLatin}[static_cast<size_t>(pick(3))];
    PackFeatures(block);
    const ReferenceResult expected = ReferenceVote(block, mode);
    ClassifyCell(block, mode, false);
    const size_t n = expected.Codes.size();
    for (size_t k = 0; k < n; ++k) {
      ASSERT_EQ(block.Codes[k], expected.Codes[k]) << "trial " << trial << " candidate " << k;
      // The look-alike rules may raise a score by 2; the vote itself may not.
      ASSERT_GE(block.Scores[k], expected.Scores[k]) << "trial " << trial;
      ASSERT_LE(block.Scores[k], expected.Scores[k] + 2) << "trial " << trial;
    }
    ASSERT_EQ(block.Codes[n], 0) << "trial " << trial;
    for (int32_t w = 0; w < kFeatureWords; ++w) ASSERT_EQ(block.FeatureHits[w], expected.Hits[static_cast<size_t>(w)]);
    for (int16_t v : Votes) ASSERT_EQ(v, 0);
  }
}

}  // namespace
}  // namespace engine
