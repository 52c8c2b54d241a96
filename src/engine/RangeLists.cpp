// Range modes and cut-down lists (see RangeLists.h).
//
// A cut-down table is cut on first use and again whenever the library's
// version of the table or the ranges differ from the ones it was cut from.
#include "engine/RangeLists.h"

#include <array>
#include <vector>

#include "engine/EngineState.h"
#include "library/TemplateLibrary.h"

namespace engine {

namespace {

constexpr int32_t kModeCount = 4;

bool InRanges(const RangeSet& ranges, int32_t c) {
  for (int32_t i = 0; i < ranges.Count; ++i) {
    if (c >= ranges.Ranges[i].First && c <= ranges.Ranges[i].Last) return true;
  }
  return false;
}

struct CutTable {
  bool Built = false;
  uint64_t Version = 0;
  RangeSet Ranges{};
  std::vector<uint32_t> Offsets;
  std::vector<library::CharIndex> Values;

  void CutFrom(int32_t table, const RangeSet& ranges) {
    const library::PackedLists lists = library::LibraryLists(table);
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
    Version = library::TableVersion(table);
    Ranges = ranges;
  }
};

CutTable& CutTableOf(int32_t table, int32_t rangeMode) {
  static std::array<std::array<CutTable, library::kTableCount>, kModeCount> tables;
  CutTable& cut = tables[static_cast<size_t>(rangeMode)][static_cast<size_t>(table)];
  const RangeSet ranges = RangesOfMode(rangeMode);
  if (!cut.Built || cut.Version != library::TableVersion(table) || !SameRanges(cut.Ranges, ranges)) {
    cut.CutFrom(table, ranges);
  }
  return cut;
}

}  // namespace

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

library::PackedLists ModeLists(int32_t table, int32_t rangeMode) {
  if (rangeMode != kRangeLatin && rangeMode != kRangeSingleLatin) return library::LibraryLists(table);
  const CutTable& cut = CutTableOf(table, rangeMode);
  return {cut.Offsets.data(), cut.Values.data()};
}

}  // namespace engine
