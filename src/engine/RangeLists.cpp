// Range modes and cut-down lists (see RangeLists.h).
//
// A cut-down table keeps, per feature index, where its list starts in one
// block of values; every list without an entry inside the ranges shares the
// empty list at the front of the block. It is cut on first use and again
// whenever the library's version of the table or the ranges differ from the
// ones it was cut from.
#include "engine/RangeLists.h"

#include <array>
#include <vector>

#include "engine/EngineState.h"
#include "library/TemplateLibrary.h"

namespace engine {

namespace {

constexpr uint32_t kNoList = UINT32_MAX;
constexpr uint32_t kEmptyList = 0;
constexpr int32_t kModeCount = 4;

bool SameRanges(const RangeSet& a, const RangeSet& b) {
  if (a.Count != b.Count) return false;
  for (int32_t i = 0; i < a.Count; ++i) {
    if (a.Ranges[i].First != b.Ranges[i].First || a.Ranges[i].Last != b.Ranges[i].Last) return false;
  }
  return true;
}

bool InRanges(const RangeSet& ranges, int32_t c) {
  for (int32_t i = 0; i < ranges.Count; ++i) {
    if (c >= ranges.Ranges[i].First && c <= ranges.Ranges[i].Last) return true;
  }
  return false;
}

}  // namespace

struct CutTable {
  bool Built = false;
  uint64_t Version = 0;
  RangeSet Ranges{};
  std::vector<uint32_t> Start;
  std::vector<library::CharIndex> Values;

  void CutFrom(int32_t table, const RangeSet& ranges) {
    Start.assign(library::kFeatureIndexCount, kNoList);
    Values.assign(1, 0);  // the shared empty list
    for (int32_t i = 0; i < library::kFeatureIndexCount; ++i) {
      const library::CharIndex* list = library::LibraryList(table, i);
      if (list == nullptr) continue;
      const size_t start = Values.size();
      for (; *list != 0; ++list) {
        if (InRanges(ranges, *list)) Values.push_back(*list);
      }
      if (Values.size() == start) {
        Start[static_cast<size_t>(i)] = kEmptyList;
      } else {
        Start[static_cast<size_t>(i)] = static_cast<uint32_t>(start);
        Values.push_back(0);
      }
    }
    Values.shrink_to_fit();
    Built = true;
    Version = library::TableVersion(table);
    Ranges = ranges;
  }
};

namespace {

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

RangeSet RangesOfMode(int32_t rangeMode) {
  const IndexRange fullWidth{FullWidthFirst, FullWidthLast};
  const IndexRange one{HanziOne, HanziOne};
  if (rangeMode == kRangeLatin) return {{{AsciiPairFirst, library::kMaxCharIndex}, fullWidth, one}, 3};
  if (rangeMode == kRangeSingleLatin) return {{fullWidth, one, {}}, 2};
  return {{{1, library::kMaxCharIndex}, {}, {}}, 1};
}

ModeLists::ModeLists(int32_t table, int32_t rangeMode)
    : Table(table),
      Cut(rangeMode == kRangeLatin || rangeMode == kRangeSingleLatin ? &CutTableOf(table, rangeMode) : nullptr) {}

const library::CharIndex* ModeLists::At(int32_t featureIndex) const {
  if (Cut == nullptr) return library::LibraryList(Table, featureIndex);
  const uint32_t start = Cut->Start[static_cast<size_t>(featureIndex)];
  return start == kNoList ? nullptr : Cut->Values.data() + start;
}

}  // namespace engine
