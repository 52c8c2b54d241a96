// The voters of feature words, kept per word value (see WordVoters.h).
//
// A word value met for the first time is looked up in its table's lists at
// the value and its twelve neighbours, and the characters found, each taken
// once, are kept under the value: as a list when there are few, else as a set.
// Every later cell with the same value in the same table and range mode
// finds them at once.
#include "engine/WordVoters.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/EngineState.h"
#include "engine/RangeLists.h"
#include "library/TemplateLibrary.h"

namespace engine {

namespace {

using library::CharIndex;

constexpr int32_t kDigits = 6;
constexpr int32_t kMaxDigit = 4;
static_assert(kVoterSetStep == 4 && kVoterSetWords % kVoterSetStep == 0);
constexpr int32_t kModeCount = 4;
// Up to this many voters are kept as a list (128 bytes): the vote counts a
// listed voter one at a time, a set's bits all at once.
constexpr uint32_t kMaxListedVoters = 64;
// The room of one table's kept voters: 1 MB of listed voters and 1 MB of
// sets. A clean page fills a third of the sets' room in its busiest table.
constexpr size_t kMaxKeptValues = size_t{1} << 19;
constexpr size_t kSetBlockWords = 8192;  // 64 KB
constexpr size_t kMaxSetBlocks = 16;
static_assert(library::kFeatureIndexCount < 65536);

struct KeptRun {
  uint32_t First;
  uint32_t Count;
  VoterSet Set;  // no words for a list
  bool Found;
};

// The sets of one table, made one after the other in blocks that outlive a
// fresh start, so that a set never moves once made and memory is asked for
// once per block. The words after the last set are clear.
class SetStore {
 public:
  // The words of a new set, all clear, with room for every character.
  uint64_t* Next() {
    if (used_ + kVoterSetWords > kSetBlockWords) {
      ++block_;
      used_ = 0;
    }
    if (block_ == blocks_.size()) blocks_.push_back(std::make_unique<Line[]>(kSetBlockWords / kLineWords));
    return blocks_[block_][0].Words + used_;
  }
  // Ends the new set after `words` words.
  void Take(int32_t words) { used_ += static_cast<size_t>(words); }
  bool Full() const { return block_ + 1 >= kMaxSetBlocks && used_ + kVoterSetWords > kSetBlockWords; }
  void Clear() {
    for (size_t b = 0; b < blocks_.size() && b <= block_; ++b) {
      std::memset(blocks_[b].get(), 0, (b == block_ ? used_ : kSetBlockWords) * sizeof(uint64_t));
    }
    block_ = 0;
    used_ = 0;
  }

 private:
  static constexpr size_t kLineWords = 8;
  struct alignas(64) Line {
    uint64_t Words[kLineWords];
  };
  std::vector<std::unique_ptr<Line[]>> blocks_;  // made clear
  size_t block_ = 0;
  size_t used_ = 0;
};

struct KeptVoters {
  bool Valid = false;
  uint64_t Version = 0;
  RangeSet Ranges{};
  // By the word's feature index: 1 + the run's number, 0 for none (a table
  // keeps at most one run per feature index).
  std::vector<uint16_t> RunOf;
  std::vector<KeptRun> Runs;
  std::vector<CharIndex> Values;
  SetStore Sets;

  void Reset(int32_t table, const RangeSet& ranges) {
    RunOf.assign(library::kFeatureIndexCount, 0);
    Runs.clear();
    Values.clear();
    Sets.Clear();
    Valid = true;
    Version = library::TableVersion(table);
    Ranges = ranges;
  }
  bool Full() const { return Values.size() >= kMaxKeptValues || Sets.Full(); }
};

using KeptTables = std::array<std::array<KeptVoters, kFeatureWords>, kModeCount>;

KeptTables& Kept() {
  static KeptTables kept;
  return kept;
}

KeptVoters& KeptVotersOf(int32_t table, int32_t rangeMode, const RangeSet& ranges) {
  KeptVoters& voters = Kept()[static_cast<size_t>(rangeMode)][static_cast<size_t>(table)];
  if (!voters.Valid || voters.Version != library::TableVersion(table) || !SameRanges(voters.Ranges, ranges)) {
    voters.Reset(table, ranges);
  }
  return voters;
}

constexpr int32_t kLookupsPerWord = 13;  // the word itself and twelve neighbours
constexpr uint32_t kCacheLineValues = 64 / sizeof(CharIndex);

// The feature indices word `word` looks up: its own value and the twelve
// values one digit away (a digit step of the decimal word is a step of 5^p
// in its feature index). Returns their number.
int32_t LookupIndices(int32_t word, int32_t* indices) {
  int32_t n = 0;
  const int32_t index = library::FeatureWordToIndex(word);
  indices[n++] = index;
  int32_t power = 1;
  int32_t indexStep = 1;
  for (int32_t p = 0; p < kDigits; ++p, power *= 10, indexStep *= kMaxDigit + 1) {
    const int32_t digit = (word / power) % 10;
    if (digit >= 1) indices[n++] = index - indexStep;
    if (digit <= kMaxDigit - 1) indices[n++] = index + indexStep;
  }
  return n;
}

// The voters of word w at `word`. All lists are asked for before any is
// read. Many entries in lists inside the mode's ranges make a set; few
// entries, or lists that still hold characters outside the ranges, a list,
// where each character is written at the end every time and kept only the
// first time it is met inside the ranges (a branch would go either way at
// random).
KeptRun MakeRun(int32_t w, int32_t word, int32_t rangeMode, const RangeSet& ranges, KeptVoters& kept) {
  const ModeView view = ModeLists(w, rangeMode);
  const library::PackedLists& lists = view.Lists;
  int32_t indices[kLookupsPerWord];
  const int32_t lookups = LookupIndices(word, indices);
  KeptRun run{0, 0, {}, false};
  size_t total = 0;
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t first = lists.Offsets[indices[i]];
    const uint32_t end = lists.Offsets[indices[i] + 1];
    if (first == end) continue;  // no list
    run.Found = true;
    total += end - first - 1;  // without the terminator
    for (uint32_t k = first; k < end; k += kCacheLineValues) __builtin_prefetch(lists.Values + k);
  }
  if (view.InRangeOnly && total > kMaxListedVoters) {
    uint64_t* bits = kept.Sets.Next();
    for (int32_t i = 0; i < lookups; ++i) {
      const uint32_t end = lists.Offsets[indices[i] + 1];
      for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) {
        const CharIndex c = lists.Values[k];  // the lists hold valid indices only
        bits[c / 64] |= uint64_t{1} << (c % 64);
      }
    }
    // The set ends after the last step of words that holds a character (it
    // holds one: total > 0).
    int32_t words = kVoterSetWords;
    while ((bits[words - 1] | bits[words - 2] | bits[words - 3] | bits[words - 4]) == 0) words -= kVoterSetStep;
    kept.Sets.Take(words);
    run.Set = {bits, words};
    return run;
  }
  static uint64_t seen[kVoterSetWords];  // the characters met so far, cleared after use
  run.First = static_cast<uint32_t>(kept.Values.size());
  kept.Values.resize(run.First + total);
  CharIndex* out = kept.Values.data() + run.First;
  uint32_t taken = 0;
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t end = lists.Offsets[indices[i] + 1];
    for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) {
      const CharIndex c = lists.Values[k];
      const uint64_t bit = uint64_t{1} << (c % 64);
      const uint32_t fresh = (seen[c / 64] & bit) == 0;
      const uint32_t wanted = view.InRangeOnly || InRanges(ranges, c);  // the same for all of a view in range
      out[taken] = c;
      taken += fresh & wanted;
      seen[c / 64] |= bit;
    }
  }
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t end = lists.Offsets[indices[i] + 1];
    for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) seen[lists.Values[k] / 64] = 0;
  }
  kept.Values.resize(run.First + taken);
  run.Count = taken;
  return run;
}

}  // namespace

void FindWordVoters(const int32_t* words, int32_t rangeMode, WordVoters* voters) {
  const RangeSet ranges = RangesOfMode(rangeMode);
  // Every word's entry of its table is asked for before the first is read.
  KeptVoters* keptOf[kFeatureWords];
  int32_t indexOf[kFeatureWords];
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    keptOf[w] = &KeptVotersOf(w, rangeMode, ranges);
    indexOf[w] = library::FeatureWordToIndex(words[w]);
    __builtin_prefetch(keptOf[w]->RunOf.data() + indexOf[w]);
  }
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    KeptVoters& kept = *keptOf[w];
    const int32_t index = indexOf[w];
    if (kept.RunOf[index] == 0) {
      if (kept.Full()) kept.Reset(w, kept.Ranges);
      kept.Runs.push_back(MakeRun(w, words[w], rangeMode, ranges, kept));
      kept.RunOf[index] = static_cast<uint16_t>(kept.Runs.size());
    }
    const KeptRun& run = kept.Runs[kept.RunOf[index] - 1];
    voters[w] = {run.Set, kept.Values.data() + run.First, run.Count, run.Found};
  }
}

void DropWordVoters() {
  for (auto& mode : Kept()) {
    for (KeptVoters& voters : mode) voters = KeptVoters{};
  }
}

}  // namespace engine
