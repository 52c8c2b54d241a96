// Range modes and cut-down lists (see RangeLists.h).
//
// A cut-down table is cut once the table has been asked for often enough in
// its mode (a page that makes a handful of Latin classifications does not
// pay for cutting all tables), and dropped whenever the library's version of
// the table or the ranges differ from the ones it was counted for.
#include "engine/RangeLists.h"

#include <array>
#include <vector>

#include "engine/EngineState.h"
#include "library/TemplateLibrary.h"

namespace engine {

namespace {

constexpr int32_t kModeCount = 4;

// Cutting a table reads all its entries once; reading a word's lists uncut
// costs a few hundred entries more than reading them cut.
constexpr int32_t kUsesBeforeCut = 256;

struct CutTable {
  bool Counting = false;  // Version and Ranges are current
  int32_t Uses = 0;
  bool Built = false;
  uint64_t Version = 0;
  RangeSet Ranges{};
  std::vector<uint32_t> Offsets;
  std::vector<library::CharIndex> Values;

  void CutFrom(const library::PackedLists& lists, const RangeSet& ranges) {
    Offsets.resize(library::kFeatureIndexCount + 1);
    Values.clear();
    for (int32_t i = 0; i < library::kFeatureIndexCount; ++i) {
      Offsets[static_cast<size_t>(i)] = static_cast<uint32_t>(Values.size());
      const uint32_t first = lists.Offsets[i];
      const uint32_t end = lists.Offsets[i + 1];
      if (first == end) continue;
      for (uint32_t k = first; k + 1 < end; ++k) {
        if (InRanges(ranges, lists.Values[k])) Values.push_back(lists.Values[k]);
      }
      Values.push_back(0);
    }
    Offsets[library::kFeatureIndexCount] = static_cast<uint32_t>(Values.size());
    Values.shrink_to_fit();
    Built = true;
  }
};

CutTable& CutTableOf(int32_t table, int32_t rangeMode) {
  static std::array<std::array<CutTable, library::kTableCount>, kModeCount> tables;
  CutTable& cut = tables[static_cast<size_t>(rangeMode)][static_cast<size_t>(table)];
  const RangeSet ranges = RangesOfMode(rangeMode);
  if (!cut.Counting || cut.Version != library::TableVersion(table) || !SameRanges(cut.Ranges, ranges)) {
    cut = CutTable{};
    cut.Counting = true;
    cut.Version = library::TableVersion(table);
    cut.Ranges = ranges;
  }
  if (!cut.Built && ++cut.Uses > kUsesBeforeCut) {
    // The ranges of mode 3 lie inside those of mode 2, so its lists are cut
    // from mode 2's when those are cut already.
    const library::PackedLists source =
        rangeMode == kRangeSingleLatin ? ModeLists(table, kRangeLatin).Lists : library::LibraryLists(table);
    cut.CutFrom(source, ranges);
  }
  return cut;
}

}  // namespace

bool InRanges(const RangeSet& ranges, int32_t c) {
  for (int32_t i = 0; i < ranges.Count; ++i) {
    if (c >= ranges.Ranges[i].First && c <= ranges.Ranges[i].Last) return true;
  }
  return false;
}

bool SameRanges(const RangeSet& a, const RangeSet& b) {
  if (a.Count != b.Count) return false;
  for (int32_t i = 0; i < a.Count; ++i) {
    if (a.Ranges[i].First != b.Ranges[i].First || a.Ranges[i].Last != b.Ranges[i].Last) return false;
  }
  return true;
}

RangeSet RangesOfMode(int32_t rangeMode) {
  const IndexRange fullWidth{FullWidthFirst, FullWidthLast};
  const IndexRange one{HanziOne, HanziOne};
  if (rangeMode == kRangeLatin) return {{{AsciiPairFirst, library::kMaxCharIndex}, fullWidth, one}, 3};
  if (rangeMode == kRangeSingleLatin) return {{fullWidth, one, {}}, 2};
  return {{{1, library::kMaxCharIndex}, {}, {}}, 1};
}

ModeView ModeLists(int32_t table, int32_t rangeMode) {
  if (rangeMode != kRangeLatin && rangeMode != kRangeSingleLatin) return {library::LibraryLists(table), true};
  const CutTable& cut = CutTableOf(table, rangeMode);
  if (!cut.Built) return {library::LibraryLists(table), false};
  return {{cut.Offsets.data(), cut.Values.data()}, true};
}

}  // namespace engine
