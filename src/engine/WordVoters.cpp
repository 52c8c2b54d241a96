// The voters of feature words, kept per word value (see WordVoters.h).
//
// A word value met for the first time is looked up in its table's lists at
// the value and its twelve neighbours; each character found is appended once
// (LastWord remembers the word that took it), and the run of characters is
// kept under the value. Every later cell with the same value in the same
// table and range mode finds that run at once.
#include "engine/WordVoters.h"

#include <array>
#include <unordered_map>
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
// The room of one table's kept runs, in characters (1 MB): a page of many
// shapes fills a fifth of it.
constexpr size_t kMaxKeptValues = size_t{1} << 19;

struct KeptRun {
  uint32_t First;
  uint32_t Count;
  bool Found;
};

struct KeptVoters {
  bool Valid = false;
  uint64_t Version = 0;
  RangeSet Ranges{};
  std::unordered_map<int32_t, KeptRun> Runs;  // by word value
  std::vector<CharIndex> Values;

  void Reset(int32_t table, const RangeSet& ranges) {
    Runs.clear();
    Values.clear();
    Valid = true;
    Version = library::TableVersion(table);
    Ranges = ranges;
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

// The run of word w at `word`, appended to `values`. All lists are asked for
// before any is read; a character is written at the end of the run every
// time and kept only the first time word w meets it inside the mode's ranges
// (a branch would go either way at random).
KeptRun MakeRun(int32_t w, int32_t word, int32_t rangeMode, std::vector<CharIndex>& values) {
  const ModeView view = ModeLists(w, rangeMode);
  const library::PackedLists& lists = view.Lists;
  const RangeSet ranges = RangesOfMode(rangeMode);
  int32_t indices[kLookupsPerWord];
  const int32_t lookups = LookupIndices(word, indices);
  KeptRun run{static_cast<uint32_t>(values.size()), 0, false};
  size_t total = 0;
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t first = lists.Offsets[indices[i]];
    const uint32_t end = lists.Offsets[indices[i] + 1];
    if (first == end) continue;  // no list
    run.Found = true;
    total += end - first;
    for (uint32_t k = first; k < end; k += kCacheLineValues) __builtin_prefetch(lists.Values + k);
  }
  values.resize(run.First + total);
  CharIndex* out = values.data() + run.First;
  uint32_t taken = 0;
  const auto wordNo = static_cast<int8_t>(w);
  for (int32_t i = 0; i < lookups; ++i) {
    const uint32_t end = lists.Offsets[indices[i] + 1];
    for (uint32_t k = lists.Offsets[indices[i]]; k + 1 < end; ++k) {
      const CharIndex c = lists.Values[k];  // the lists hold valid indices only
      const uint32_t fresh = LastWord[c] != wordNo;
      const uint32_t wanted = view.InRangeOnly || InRanges(ranges, c);  // the same for all of a view in range
      out[taken] = c;
      taken += fresh & wanted;
      LastWord[c] = wordNo;
    }
  }
  values.resize(run.First + taken);
  run.Count = taken;
  return run;
}

}  // namespace

void FindWordVoters(const int32_t* words, int32_t rangeMode, WordVoters* voters) {
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    KeptVoters& kept = KeptVotersOf(w, rangeMode);
    auto found = kept.Runs.find(words[w]);
    if (found == kept.Runs.end()) {
      if (kept.Values.size() >= kMaxKeptValues) kept.Reset(w, kept.Ranges);
      found = kept.Runs.emplace(words[w], MakeRun(w, words[w], rangeMode, kept.Values)).first;
    }
    const KeptRun& run = found->second;
    voters[w] = {kept.Values.data() + run.First, run.Count, run.Found};
  }
}

void DropWordVoters() {
  for (auto& mode : Kept()) {
    for (KeptVoters& voters : mode) voters = KeptVoters{};
  }
}

}  // namespace engine
