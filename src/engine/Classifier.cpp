// The character classifier: the cell's 32 feature words vote over the
// inverted template library.
//
// Every word looks up the list of its table at its own value and at the
// twelve values one digit away (in the Latin range modes the lists cut down
// to the mode's ranges, RangeLists.h), and each character found gets the
// word's weight once (WordVoters.h keeps those characters per word value).
// Words with many voters are counted for all characters at once
// (VoteTally.h), the others one voter at a time into the vote table, where
// fixed shape rules adjust the votes of a few characters by the cell's
// aspect and size. The characters with the best (and a close second) vote
// inside the range mode's index ranges become the candidates. The word-pair context then favours
// likely predecessors in the previous block and seeds votes for likely
// successors, and the look-alike rules settle a few similar pairs.
#include "engine/Classifier.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/Rounding.h"
#include "engine/CellFeatures.h"
#include "engine/EngineState.h"
#include "engine/LookAlikeRules.h"
#include "engine/VoteTally.h"
#include "engine/WordVoters.h"
#include "library/CharIndex.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"
#include "platform/Encoding.h"

namespace engine {

namespace {

using library::CharIndex;

// --- shape lists and ranges -------------------------------------------------

constexpr CharCode kFullWidthFirstCode = MakeCode(0xA3, 0xA1);  // ！
constexpr CharCode kFullWidthLastCode = MakeCode(0xA3, 0xFE);   // ￣
constexpr CharCode kHanziOneCode = MakeCode(0xD2, 0xBB);        // 一

template <size_t N>
void BuildShapeList(ShapeList<N>& list, const char* utf8) {
  list.Count = 0;
  const std::string gbk = platform::Utf8ToGbk(utf8);
  for (size_t i = 0; i + 1 < gbk.size() && list.Count < N; i += 2) {
    const CharCode code = MakeCode(static_cast<uint8_t>(gbk[i]), static_cast<uint8_t>(gbk[i + 1]));
    try {
      list.Items[list.Count++] = library::CodeToIndex(code);
    } catch (const library::CodeError&) {
      --list.Count;  // not in the code table: left out
    }
  }
}

// Every change of the vote table marks its character, so that the table is
// read and cleared where it was written only.
void MarkVoted(CharIndex c) {
  VotedChars[c / 64] |= uint64_t{1} << (c % 64);
}

void AddVote(CharIndex c, int32_t amount) {
  Votes[c] = static_cast<int16_t>(Votes[c] + amount);
  MarkVoted(c);
}

template <size_t N>
void AddVotes(const ShapeList<N>& list, int32_t amount, size_t from = 0) {
  for (size_t i = from; i < list.Count; ++i) AddVote(list.Items[i], amount);
}

// --- voting -------------------------------------------------------------------

constexpr int32_t kStrongWeight = 3;  // band 0 and crossing words
constexpr int32_t kWeakWeight = 1;    // bands 1 and 2
constexpr int32_t kFirstWeakWord = 12;
constexpr int32_t kLastWeakWord = 27;
static_assert(kLastWeakWord - kFirstWeakWord + 1 == kTallyWords && kFeatureWords == 2 * kTallyWords);

int32_t WeightOfWord(int32_t w) {
  return (w >= kFirstWeakWord && w <= kLastWeakWord) ? kWeakWeight : kStrongWeight;
}

constexpr size_t kCacheLineValues = 64 / sizeof(CharIndex);

VoteTally Tally;

// Every word gives its weight to each of its voters (each character once):
// listed voters into the vote table, sets into the tally. All the listed
// voters' memory is asked for before the first vote is counted.
void Vote(const WordVoters* voters) {
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    for (uint32_t k = 0; k < voters[w].Count; k += kCacheLineValues) __builtin_prefetch(voters[w].First + k);
  }
  VoterSet strong[kTallyWords];
  VoterSet weak[kTallyWords];
  int32_t strongCount = 0;
  int32_t weakCount = 0;
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    const int32_t weight = WeightOfWord(w);
    const CharIndex* first = voters[w].First;
    for (uint32_t k = 0; k < voters[w].Count; ++k) AddVote(first[k], weight);
    if (weight == kStrongWeight) {
      strong[strongCount++] = voters[w].Set;
    } else {
      weak[weakCount++] = voters[w].Set;
    }
  }
  TallyVotes(strong, weak, Tally);
}

// --- shape rules --------------------------------------------------------------

constexpr int32_t kWideAspect = 30;  // three times wider than high
constexpr int32_t kLowWideAspect = 25;
constexpr int32_t kNarrowPenaltyAbove = 5;
constexpr int32_t kNarrowBonusUpTo = 3;
constexpr int32_t kVeryNarrowAspect = 3;
constexpr int32_t kWideBonus = 30;
constexpr int32_t kShapeStep = 9;
constexpr int32_t kSmallBonus = 2;
constexpr int32_t kSmallCellSize = 20;

void ApplyShapeRules(const CharBlock& block, int32_t F) {
  if (F >= kWideAspect) {
    AddVotes(WideShapes, kWideBonus);
  } else {
    if (WideShapes.Count > 0) AddVote(WideShapes.Items[0], F >= kLowWideAspect ? kShapeStep : -kWideBonus);
    AddVotes(WideShapes, -kWideBonus, 1);
    if (F > kNarrowPenaltyAbove) AddVotes(NarrowShapes, -kShapeStep);
    if (F <= kNarrowBonusUpTo) AddVotes(NarrowShapes, kShapeStep);
  }
  const int32_t size = std::max(block.Right - block.Left, block.Bottom - block.Top);
  if (size < kSmallCellSize || (SizeCount != 0 && size < SizeSum / (2 * SizeCount))) {
    AddVotes(SmallShapes, kSmallBonus);
  }
}

int32_t ShapePenalty(int32_t F) {
  int32_t penalty = 0;
  if (F >= kWideAspect) penalty += kWideBonus;
  if (F >= kLowWideAspect && F < kWideAspect) penalty += kShapeStep;
  if (F < kVeryNarrowAspect) penalty += kShapeStep;
  return penalty;
}

// --- best and second tier -----------------------------------------------------

// The floors: only votes of 32 or more can be best. Once a vote passes the
// best floor of 31, that floor becomes the second value, so the second value
// of a real best is at least 31.
constexpr int16_t kBestFloor = 31;
constexpr int16_t kSecondFloor = 30;
constexpr int32_t kMaxTierGap = 10;

struct Tiers {
  int16_t Best = kBestFloor;
  int32_t BestCount = 0;
  int16_t Second = kSecondFloor;
  int32_t SecondCount = 0;
};

static_assert(kTallyFloor == kBestFloor, "the tally marks every vote that can make a candidate");

// A character inside the ranges whose vote can make it a candidate.
struct Contender {
  CharIndex Index;
  int16_t Vote;
};
Contender Contenders[kVoteEntries];

// The characters inside the ranges with a vote of the best floor or more, in
// the order the ranges search them (by index inside each range): those the
// tally marks and those the vote table holds a vote for. Returns their number.
int32_t GatherContenders(const RangeSet& ranges) {
  int32_t n = 0;
  for (int32_t i = 0; i < ranges.Count; ++i) {
    const IndexRange& r = ranges.Ranges[i];
    for (int32_t word = r.First / 64; word <= r.Last / 64; ++word) {
      uint64_t bits = VotedChars[word] | AtFloorOfWord(Tally, word);
      if (word == r.First / 64) bits &= ~uint64_t{0} << (r.First % 64);
      if (word == r.Last / 64 && r.Last % 64 != 63) bits &= (uint64_t{1} << (r.Last % 64 + 1)) - 1;
      for (; bits != 0; bits &= bits - 1) {
        const int32_t c = word * 64 + __builtin_ctzll(bits);
        const int32_t vote = TalliedVote(Tally, c) + Votes[c];
        if (vote >= kBestFloor) Contenders[n++] = {static_cast<CharIndex>(c), static_cast<int16_t>(vote)};
      }
    }
  }
  return n;
}

// The result of visiting the votes one by one in range order with the
// running best/second rule: with a maximum of 32 or more the best is that
// maximum and the second the larger of 31 and the largest vote below it,
// each with its count. Below 32 nothing becomes a candidate and only the best
// value matters. Votes below 31 play no part, so the contenders suffice.
Tiers FindTiers(const Contender* contenders, int32_t count) {
  Tiers t;
  int16_t maxVote = INT16_MIN;
  for (int32_t i = 0; i < count; ++i) maxVote = std::max(maxVote, contenders[i].Vote);
  if (maxVote <= kBestFloor) return t;
  t.Best = maxVote;
  int16_t below = kBestFloor;
  for (int32_t i = 0; i < count; ++i) {
    const int16_t v = contenders[i].Vote;
    if (v < maxVote) below = std::max(below, v);
  }
  t.Second = below;
  for (int32_t i = 0; i < count; ++i) {
    t.BestCount += contenders[i].Vote == t.Best;
    t.SecondCount += contenders[i].Vote == t.Second;
  }
  if (t.Best - t.Second > kMaxTierGap || t.Second == 0 || t.BestCount >= kMaxCandidates) t.SecondCount = 0;
  return t;
}

// Writes the candidates and returns their number.
int32_t CollectCandidates(CharBlock& block, const Contender* contenders, int32_t count, const Tiers& t) {
  const int32_t n = std::min(t.BestCount + t.SecondCount, kMaxCandidates);
  int32_t bestPos = 0;
  int32_t secondPos = t.BestCount;
  const bool withSecond = t.SecondCount > 0;
  for (int32_t i = 0; i < count; ++i) {
    const int16_t v = contenders[i].Vote;
    if (v == t.Best) {
      if (bestPos < kMaxCandidates) {
        block.Codes[bestPos] = library::IndexToCode(contenders[i].Index);
        block.Scores[bestPos++] = t.Best;
      }
    } else if (withSecond && v == t.Second && secondPos < kMaxCandidates) {
      block.Codes[secondPos] = library::IndexToCode(contenders[i].Index);
      block.Scores[secondPos++] = t.Second;
    }
  }
  return n;
}

// --- context ------------------------------------------------------------------

constexpr int32_t kContextRaise = 2;
constexpr int32_t kMaxOpenLead = 2;  // a previous block further ahead is not revised
constexpr int16_t kSeedVote = 2;

// Raises the previous block's candidates that the record names as
// predecessors and moves each up past lower scores.
void RaisePredecessors(const uint16_t* record, bool* raised) {
  CharBlock& prev = *PrevBlock;
  for (int32_t i = 0; i < kMaxCandidates && prev.Codes[i] != 0; ++i) {
    if (raised[i] || !library::NamesPredecessor(record, prev.Codes[i])) continue;
    prev.Scores[i] += kContextRaise;
    raised[i] = true;
    for (int32_t j = i; j > 0 && prev.Scores[j - 1] < prev.Scores[j]; --j) {
      std::swap(prev.Scores[j - 1], prev.Scores[j]);
      std::swap(prev.Codes[j - 1], prev.Codes[j]);
    }
  }
}

void SeedSuccessors(const uint16_t* record) {
  const uint16_t* successors = record + record[0];
  const uint16_t count = successors[0];
  for (uint16_t e = 1; e < count; ++e) {
    if (successors[e] <= library::kMaxCharIndex) {
      Votes[successors[e]] = kSeedVote;
      MarkVoted(successors[e]);
    }
  }
}

void ApplyContext(const CharBlock& block) {
  if (PrevBlock != nullptr) {
    const int32_t lead = PrevBlock->Scores[0] - PrevBlock->Scores[1];
    if (lead < 0 || lead > kMaxOpenLead) PrevBlock = nullptr;
  }
  bool raised[kMaxCandidates] = {};
  for (int32_t k = 0; k < kMaxCandidates && block.Codes[k] != 0 && block.Scores[k] == block.Scores[0]; ++k) {
    const uint16_t* record = library::WordPairRecord(block.Codes[k]);
    if (record == nullptr) continue;
    if (PrevBlock != nullptr) RaisePredecessors(record, raised);
    SeedSuccessors(record);
  }
}

}  // namespace

void BuildShapeLists() {
  BuildShapeList(WideShapes, "一…←→冖");
  BuildShapeList(NarrowShapes, "！↑↓：；１Ｉｌｉ｛｝");
  BuildShapeList(SmallShapes, "。，、‘’“”．·");
  try {
    FullWidthFirst = library::CodeToIndex(kFullWidthFirstCode);
    FullWidthLast = library::CodeToIndex(kFullWidthLastCode);
    HanziOne = library::CodeToIndex(kHanziOneCode);
    AsciiPairFirst = library::CodeToIndex(AsciiPairCode('!', '!'));
  } catch (const library::CodeError&) {
    // keep the defaults
  }
}

void ClearVotes() {
  for (int32_t word = 0; word < kVotedCharWords; ++word) {
    for (uint64_t bits = VotedChars[word]; bits != 0; bits &= bits - 1)
      Votes[word * 64 + __builtin_ctzll(bits)] = 0;
    VotedChars[word] = 0;
  }
}

int32_t AspectTimesTen(const CharBlock& block) {
  const int32_t height = std::max(block.Bottom - block.Top + 1, 1);
  return static_cast<int32_t>(
      RoundHalfEvenDiv(10 * static_cast<int64_t>(block.Right - block.Left + 1), height));
}

void ClassifyCell(CharBlock& block, int32_t rangeMode, bool useContext) {
  PackFeatures(block);
  WordVoters voters[kFeatureWords];
  FindWordVoters(block.Features, rangeMode, voters);
  for (int32_t w = 0; w < kFeatureWords; ++w) block.FeatureHits[w] = voters[w].Found ? 1 : 0;
  Vote(voters);

  const int32_t F = AspectTimesTen(block);
  ApplyShapeRules(block, F);

  const RangeSet ranges = RangesOfMode(rangeMode);
  const int32_t contenders = GatherContenders(ranges);
  const Tiers tiers = FindTiers(Contenders, contenders);
  const int32_t n = (tiers.Best > kBestFloor) ? CollectCandidates(block, Contenders, contenders, tiers) : 0;
  block.Codes[n] = 0;
  block.Scores[n] = 0;
  const int32_t penalty = ShapePenalty(F);
  for (int32_t k = 0; k < n; ++k) block.Scores[k] -= penalty;

  ClearVotes();
  if (n == 0) return;
  if (useContext) ApplyContext(block);
  ApplyLookAlikeRules(block);
}

}  // namespace engine
