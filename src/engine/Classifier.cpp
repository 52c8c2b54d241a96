// The character classifier: the cell's 32 feature words vote over the
// inverted template library.
//
// Every word looks up the list of its table at its own value and at the
// twelve values one digit away (in the Latin range modes the lists cut down
// to the mode's ranges, RangeLists.h), and each character found gets the
// word's weight once (WordVoters.h keeps those characters per word value).
// Fixed shape rules adjust the votes of a few characters by the cell's
// aspect and size; the characters with the best (and a close second) vote
// inside the range mode's index ranges become the candidates. The word-pair context then favours
// likely predecessors in the previous block and seeds votes for likely
// successors, and the look-alike rules settle a few similar pairs.
#include "engine/Classifier.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "core/Rounding.h"
#include "engine/CellFeatures.h"
#include "engine/EngineState.h"
#include "engine/LookAlikeRules.h"
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

template <size_t N>
void AddVotes(const ShapeList<N>& list, int32_t amount, size_t from = 0) {
  for (size_t i = from; i < list.Count; ++i)
    Votes[list.Items[i]] = static_cast<int16_t>(Votes[list.Items[i]] + amount);
}

// --- voting -------------------------------------------------------------------

constexpr int32_t kStrongWeight = 3;  // band 0 and crossing words
constexpr int32_t kWeakWeight = 1;    // bands 1 and 2
constexpr int32_t kFirstWeakWord = 12;
constexpr int32_t kLastWeakWord = 27;

int32_t WeightOfWord(int32_t w) {
  return (w >= kFirstWeakWord && w <= kLastWeakWord) ? kWeakWeight : kStrongWeight;
}

constexpr size_t kCacheLineValues = 64 / sizeof(CharIndex);

// Every word gives its weight to each of its voters (each character once).
// All the voters' memory is asked for before the first vote is counted.
void Vote(const WordVoters* voters) {
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    for (uint32_t k = 0; k < voters[w].Count; k += kCacheLineValues) __builtin_prefetch(voters[w].First + k);
  }
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    const auto weight = static_cast<int16_t>(WeightOfWord(w));
    const CharIndex* first = voters[w].First;
    for (uint32_t k = 0; k < voters[w].Count; ++k) Votes[first[k]] = static_cast<int16_t>(Votes[first[k]] + weight);
  }
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
    if (WideShapes.Count > 0) {
      const CharIndex one = WideShapes.Items[0];
      Votes[one] = static_cast<int16_t>(Votes[one] + (F >= kLowWideAspect ? kShapeStep : -kWideBonus));
    }
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

// The scans over the vote table run once per classification over up to
// 15886 votes; where the processor has wider vector instructions they take
// them (the choice is made once, when the program is loaded).
#define PELLAR_VECTOR_SCAN __attribute__((target_clones("avx2", "default")))

PELLAR_VECTOR_SCAN int16_t MaxOfRange(const IndexRange& r) {
  int16_t m = INT16_MIN;
  for (int32_t c = r.First; c <= r.Last; ++c) m = std::max(m, Votes[c]);
  return m;
}

PELLAR_VECTOR_SCAN int16_t MaxBelowOfRange(const IndexRange& r, int16_t limit) {
  int32_t m = INT16_MIN;  // an int accumulator lets the compiler vectorise the select
  for (int32_t c = r.First; c <= r.Last; ++c) {
    const int32_t v = Votes[c];
    m = std::max(m, v < limit ? v : int32_t{INT16_MIN});
  }
  return static_cast<int16_t>(m);
}

PELLAR_VECTOR_SCAN int32_t CountOfRange(const IndexRange& r, int16_t value) {
  int32_t n = 0;
  for (int32_t c = r.First; c <= r.Last; ++c) n += (Votes[c] == value);
  return n;
}

// The result of visiting the votes one by one in range order with the
// running best/second rule, computed in vectorisable passes: with a maximum
// of 32 or more the best is that maximum and the second the larger of 31 and
// the largest vote below it, each with its count. Below 32 nothing becomes a
// candidate and only the best value matters.
Tiers FindTiers(const RangeSet& ranges) {
  Tiers t;
  int16_t maxVote = INT16_MIN;
  for (int32_t i = 0; i < ranges.Count; ++i) maxVote = std::max(maxVote, MaxOfRange(ranges.Ranges[i]));
  if (maxVote <= kBestFloor) return t;
  t.Best = maxVote;
  int16_t below = kBestFloor;
  for (int32_t i = 0; i < ranges.Count; ++i)
    below = std::max(below, MaxBelowOfRange(ranges.Ranges[i], maxVote));
  t.Second = below;
  for (int32_t i = 0; i < ranges.Count; ++i) {
    t.BestCount += CountOfRange(ranges.Ranges[i], t.Best);
    t.SecondCount += CountOfRange(ranges.Ranges[i], t.Second);
  }
  if (t.Best - t.Second > kMaxTierGap || t.Second == 0 || t.BestCount >= kMaxCandidates) t.SecondCount = 0;
  return t;
}

// The votes are scanned in chunks; a chunk whose largest vote is below the
// second value holds no candidate and is skipped.
constexpr int32_t kScanChunk = 64;

// Writes the candidates and returns their number.
int32_t CollectCandidates(CharBlock& block, const RangeSet& ranges, const Tiers& t) {
  const int32_t n = std::min(t.BestCount + t.SecondCount, kMaxCandidates);
  int32_t bestPos = 0;
  int32_t secondPos = t.BestCount;
  const bool withSecond = t.SecondCount > 0;
  auto take = [&](int32_t c) {
    const int16_t v = Votes[c];
    if (v == t.Best) {
      if (bestPos < kMaxCandidates) {
        block.Codes[bestPos] = library::IndexToCode(static_cast<CharIndex>(c));
        block.Scores[bestPos++] = t.Best;
      }
    } else if (withSecond && v == t.Second && secondPos < kMaxCandidates) {
      block.Codes[secondPos] = library::IndexToCode(static_cast<CharIndex>(c));
      block.Scores[secondPos++] = t.Second;
    }
  };
  for (int32_t i = 0; i < ranges.Count; ++i) {
    const IndexRange& r = ranges.Ranges[i];
    for (int32_t first = r.First; first <= r.Last; first += kScanChunk) {
      const IndexRange chunk{first, std::min(first + kScanChunk - 1, r.Last)};
      if (MaxOfRange(chunk) < t.Second) continue;
      for (int32_t c = chunk.First; c <= chunk.Last; ++c) take(c);
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
    if (successors[e] <= library::kMaxCharIndex) Votes[successors[e]] = kSeedVote;
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
  std::memset(Votes, 0, sizeof(Votes));
}

int32_t AspectTimesTen(const CharBlock& block) {
  const int32_t height = std::max(block.Bottom - block.Top + 1, 1);
  return static_cast<int32_t>(
      RoundHalfEvenDiv(10 * static_cast<int64_t>(block.Right - block.Left + 1), height));
}

void ClassifyCell(CharBlock& block, int32_t rangeMode, bool useContext) {
  std::memset(LastWord, 0xFF, sizeof(LastWord));  // every entry −1
  PackFeatures(block);
  WordVoters voters[kFeatureWords];
  FindWordVoters(block.Features, rangeMode, voters);
  for (int32_t w = 0; w < kFeatureWords; ++w) block.FeatureHits[w] = voters[w].Found ? 1 : 0;
  Vote(voters);

  const int32_t F = AspectTimesTen(block);
  ApplyShapeRules(block, F);

  const RangeSet ranges = RangesOfMode(rangeMode);
  const Tiers tiers = FindTiers(ranges);
  const int32_t n = (tiers.Best > kBestFloor) ? CollectCandidates(block, ranges, tiers) : 0;
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
