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
constexpr int32_t kModeCount = 4;
// Up to this many voters are kept as a list (512 bytes, a quarter of a set):
// the vote counts a listed voter one at a time, a set's 16384 bits at once.
constexpr uint32_t kMaxListedVoters = 64;
// The room of one table's kept voters: 1 MB of listed voters and 1 MB of
// sets. A clean page fills 0.7 MB of sets in its busiest table, a faint or
// heavy one outgrows them there once.
constexpr size_t kMaxKeptValues = size_t{1} << 19;
constexpr size_t kMaxKeptSets = 512;
constexpr size_t kSetsPerBlock = 32;  // 64 KB
constexpr int32_t kNoSet = -1;

struct KeptRun {
  uint32_t First;
  uint32_t Count;
  int32_t Set;  // index into Sets, or kNoSet for a list
  bool Found;
};

struct KeptVoters {
  bool Valid = false;
  uint64_t Version = 0;
  RangeSet Ranges{};
  std::vector<uint32_t> RunOf;  // by the word's feature index: 1 + the run's number, 0 for none
  std::vector<KeptRun> Runs;
  std::vector<CharIndex> Values;
  // The sets, in blocks that outlive a fresh start, so that a set never
  // moves once made and memory is asked for once per block.
  std::vector<std::unique_ptr<VoterSet[]>> SetBlocks;
  size_t SetCount = 0;

  void Reset(int32_t table, const RangeSet& ranges) {
    RunOf.assign(library::kFeatureIndexCount, 0);
    Runs.clear();
    Values.clear();
    SetCount = 0;
    Valid = true;
    Version = library::TableVersion(table);
    Ranges = ranges;
  }
  bool Full() const { return Values.size() >= kMaxKeptValues || SetCount >= kMaxKeptSets; }

  // A new set of no character.
  VoterSet& NewSet() {
    const size_t block = SetCount / kSetsPerBlock;
    if (block == SetBlocks.size())
      SetBlocks.push_back(std::make_unique_for_overwrite<VoterSet[]>(kSetsPerBlock));
    VoterSet& set = SetBlocks[block][SetCount++ % kSetsPerBlock];
    std::memset(set.Bits, 0, sizeof(set.Bits));
    return set;
  }
  const VoterSet& SetAt(int32_t i) const {
    return SetBlocks[static_cast<size_t>(i) / kSetsPerBlock][static_cast<size_t>(i) % kSetsPerBlock];
  }
};

using KeptTables = std::array<std::array<KeptVoters, kFeatureWords>, kModeCount>;

KeptTables& Kept() {
  static KeptTables kept;
  return kept;
}

KeptVoters& KeptVotersOf(int32_t table, int32_t rangeMode) {
  KeptVoters& voters = Kept()[static_cast<size_t>(rangeMode)][static_cast<size_t>(table)];
  const RangeSet ranges = RangesOfMode(rangeMode);
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
KeptRun MakeRun(int32_t w, int32_t word, int32_t rangeMode, KeptVoters& kept) {
  const ModeView view = ModeLists(w, rangeMode);
  const library::PackedLists& lists = view.Lists;
  const RangeSet ranges = RangesOfMode(rangeMode);
  int32_t indices[kLookupsPerWord];
  const int32_t lookups = LookupIndices(word, indices);
  KeptRun run{0, 0, kNoSet, false};
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
    run.Set = static_cast<int32_t>(kept.SetCount);
    uint64_t* bits = kept.NewSet().Bits;
    for (int32_t i = 0; i < lookups; ++i) {
      const uint32_t end = lists.Offsets[indices[i] + 1];
      for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) {
        const CharIndex c = lists.Values[k];  // the lists hold valid indices only
        bits[c / 64] |= uint64_t{1} << (c % 64);
      }
    }
    return run;
  }
  static VoterSet seen;  // the characters met so far, cleared after use
  run.First = static_cast<uint32_t>(kept.Values.size());
  kept.Values.resize(run.First + total);
  CharIndex* out = kept.Values.data() + run.First;
  uint32_t taken = 0;
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t end = lists.Offsets[indices[i] + 1];
    for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) {
      const CharIndex c = lists.Values[k];
      const uint64_t bit = uint64_t{1} << (c % 64);
      const uint32_t fresh = (seen.Bits[c / 64] & bit) == 0;
      const uint32_t wanted = view.InRangeOnly || InRanges(ranges, c);  // the same for all of a view in range
      out[taken] = c;
      taken += fresh & wanted;
      seen.Bits[c / 64] |= bit;
    }
  }
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t end = lists.Offsets[indices[i] + 1];
    for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) seen.Bits[lists.Values[k] / 64] = 0;
  }
  kept.Values.resize(run.First + taken);
  run.Count = taken;
  return run;
}

}  // namespace

void FindWordVoters(const int32_t* words, int32_t rangeMode, WordVoters* voters) {
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    KeptVoters& kept = KeptVotersOf(w, rangeMode);
    const int32_t index = library::FeatureWordToIndex(words[w]);
    if (kept.RunOf[index] == 0) {
      if (kept.Full()) kept.Reset(w, kept.Ranges);
      kept.Runs.push_back(MakeRun(w, words[w], rangeMode, kept));
      kept.RunOf[index] = static_cast<uint32_t>(kept.Runs.size());
    }
    const KeptRun& run = kept.Runs[kept.RunOf[index] - 1];
    if (run.Set != kNoSet) {
      voters[w] = {&kept.SetAt(run.Set), nullptr, run.Count, run.Found};
    } else {
      voters[w] = {nullptr, kept.Values.data() + run.First, run.Count, run.Found};
    }
  }
}

void DropWordVoters() {
  for (auto& mode : Kept()) {
    for (KeptVoters& voters : mode) voters = KeptVoters{};
  }
}

}  // namespace engine
