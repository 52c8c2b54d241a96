// Page layout: a band of components becomes text lines of character blocks,
// and a classified line is corrected block by block.
//
// LayoutBand sorts the band's components by Left, merges overlapping boxes,
// and either keeps the band as one line or walks the components in the order
// of their vertical centres, starting a new line whenever a component lies
// clearly below the running centre of the current line. Within each line the
// components that share columns become one block.
//
// LayoutLine measures the line's average character size and hands every block
// to DispatchBlock, which merges too narrow blocks and splits too wide or
// doubtful ones with the segmentation operations.
#include "engine/PageLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Rounding.h"
#include "engine/BlockMerging.h"
#include "engine/BlockSplitting.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "engine/UnitSort.h"

namespace engine {

namespace {

constexpr CharCode kOne = MakeCode(0xD2, 0xBB);       // 一
constexpr CharCode kEllipsis = MakeCode(0xA1, 0xAD);  // …

// A band whose height is at most this many average sizes is one line.
constexpr int32_t kOneLineSizes = 2;
// Below this average size a band borrows the page's measured size.
constexpr int32_t kSmallBandSize = 15;
// Weight of the band's average size in the line's running size G.
constexpr int32_t kBandSizeWeight = 10;

// Width ratios in tenths of the line's average size.
constexpr int32_t kNarrowRatio = 9;
constexpr int32_t kWideRatio = 17;
constexpr int32_t kVeryWideRatio = 60;
// A block no taller than LineAvgWidth div 8 + 1 is a flat dash.
constexpr int32_t kFlatDivisor = 8;

int32_t LargerExtent(const CharBlock& b) {
  return std::max(b.Right - b.Left, b.Bottom - b.Top);
}

void SortBandByLeft() {
  std::vector<SortPair> pairs(BandBlocks.size());
  for (size_t i = 0; i < BandBlocks.size(); ++i) pairs[i] = {BandBlocks[i]->Left, static_cast<int32_t>(i)};
  QuickSortPairs(pairs.data(), static_cast<int32_t>(pairs.size()));
  BlockList sorted(BandBlocks.size());
  for (size_t i = 0; i < pairs.size(); ++i) sorted[i] = BandBlocks[pairs[i].Value];
  BandBlocks.swap(sorted);
  for (CharBlock* block : BandBlocks) {
    block->LineNo = 0;
    block->SubBlockCount = 0;
    block->PartCount = 0;
    block->CutSides = 0;
  }
}

// The running state of the line split.
struct LineSplit {
  int32_t Line = 0;
  size_t LineStart = 0;
  int64_t LineSizeSum = 0;
  int64_t LineCentreSum = 0;
  int32_t LineCount = 0;
  float NewLineLow = 0;
  float NewLineHigh = 0;

  double G(int32_t bandAvgSize) const {
    return static_cast<double>(int64_t{kBandSizeWeight} * bandAvgSize + LineSizeSum) /
           (LineCount + kBandSizeWeight);
  }
  double M() const { return static_cast<double>(LineCentreSum) / LineCount; }
};

bool StartsNewLine(const LineSplit& split, const CharBlock& b, int32_t bandAvgSize) {
  if (b.Top <= split.NewLineLow || split.LineCount == 0) return false;
  if (b.Top >= split.NewLineHigh) return true;
  const double g = split.G(bandAvgSize);
  const double m = split.M();
  return std::fabs(b.Top - (m + 0.45 * g)) > std::fabs(b.Bottom - (m + g));
}

// Blocks of the previous line that have a block of the new line beside them
// at their own height move to the new line.
void MoveStragglers(const std::vector<SortPair>& centreOrder, size_t s, size_t lineStart) {
  for (size_t k = s; k-- > lineStart;) {
    CharBlock& y = *BandBlocks[centreOrder[k].Value];
    const int32_t z = LargerExtent(y);
    const int32_t lo = y.Left - z;
    const int32_t hi = y.Right + z;
    const int32_t mid = (y.Top + y.Bottom) / 2;
    for (size_t t = s; t < centreOrder.size(); ++t) {
      const CharBlock& q = *BandBlocks[centreOrder[t].Value];
      if (q.Top < mid && mid < q.Bottom && ((lo < q.Right && q.Right < hi) || (lo < q.Left && q.Left < hi))) {
        ++y.LineNo;
        break;
      }
    }
  }
}

// Sets LineNo of every block of a band holding several lines; BandBlocks
// stays in Left order. Returns the last line number.
int32_t SplitBandIntoLines(int32_t bandMinTop, int32_t bandAvgSize) {
  std::vector<SortPair> centreOrder(BandBlocks.size());
  for (size_t i = 0; i < BandBlocks.size(); ++i) {
    centreOrder[i] = {BandBlocks[i]->Top + BandBlocks[i]->Bottom, static_cast<int32_t>(i)};
  }
  QuickSortPairs(centreOrder.data(), static_cast<int32_t>(centreOrder.size()));

  LineSplit split;
  split.NewLineLow = static_cast<float>(bandMinTop + 0.9 * bandAvgSize);
  split.NewLineHigh = static_cast<float>(bandMinTop + 1.1 * bandAvgSize);
  for (size_t s = 0; s < centreOrder.size(); ++s) {
    CharBlock& b = *BandBlocks[centreOrder[s].Value];
    const int32_t size = LargerExtent(b);
    const int32_t centre = (b.Top + b.Bottom) / 2;
    if (!StartsNewLine(split, b, bandAvgSize)) {
      b.LineNo = split.Line;
      split.LineSizeSum += size;
      split.LineCentreSum += centre;
      ++split.LineCount;
    } else {
      b.LineNo = ++split.Line;
      split.LineSizeSum = size;
      split.LineCentreSum = centre;
      split.LineCount = 1;
      MoveStragglers(centreOrder, s, split.LineStart);
      split.LineStart = s;
    }
    const double g = split.G(bandAvgSize);
    const double m = split.M();
    split.NewLineLow = static_cast<float>(m + 0.45 * g);
    split.NewLineHigh = static_cast<float>(m + 0.65 * g);
  }
  return split.Line;
}

// Rebuilds BandBlocks line by line: the blocks of each line are taken out of
// the band in their order, merged where they share columns, and appended at
// the end. Blocks released by a merge are gone from the band by then, so no
// later line looks at them.
void GroupLines(int32_t lastLine) {
  BlockList appended;
  appended.reserve(BandBlocks.size());
  for (int32_t n = 0; n <= lastLine; ++n) {
    BlockList line;
    std::erase_if(BandBlocks, [&](CharBlock* block) {
      if (block->LineNo != n) return false;
      line.push_back(block);
      return true;
    });
    MergeColumns(line);
    appended.insert(appended.end(), line.begin(), line.end());
  }
  BandBlocks.insert(BandBlocks.end(), appended.begin(), appended.end());
}

bool IsDoubtful(const CharBlock& b) {
  return !IsConfident(b);
}

bool HasLetterM(const CharBlock& b) {
  return LeadByte(b.Codes[0]) == 'm' || TrailByte(b.Codes[0]) == 'm';
}

bool TrySplitWide(int32_t index, int32_t ratio) {
  return SplitWideBlock(std::max(ratio, AsciiPairAspect(*(*LineBlocks)[index])), *LineBlocks, index);
}

bool IsFlatLetter(uint8_t c) {
  switch (c) {
    case 'a':
    case 'c':
    case 'e':
    case 'm':
    case 'n':
    case 'o':
    case 'r':
    case 's':
    case 'u':
    case 'v':
    case 'w':
    case 'x':
    case 'z':
      return true;
    default:
      return false;
  }
}

bool IsDotLike(CharCode code) {
  switch (code) {
    case MakeCode(0xA1, 0xA2):  // 、
    case MakeCode(0xA1, 0xA3):  // 。
    case MakeCode(0xA1, 0xA4):  // ·
    case MakeCode(0xA1, 0xAE):  // ‘
    case MakeCode(0xA1, 0xAF):  // ’
    case MakeCode(0xA3, 0xAC):  // ，
    case MakeCode(0xA3, 0xAE):  // ．
      return true;
    default:
      return false;
  }
}

bool IsBlockAlive(const CharBlock* block) {
  return std::find(LineBlocks->begin(), LineBlocks->end(), block) != LineBlocks->end();
}

}  // namespace

void LayoutBand() {
  SortBandByLeft();
  for (int32_t s = 0; s < static_cast<int32_t>(BandBlocks.size()); ++s) MergeOverlapping(BandBlocks, 0, s);
  if (BandBlocks.empty()) return;

  int32_t bandMinTop = BandBlocks.front()->Top;
  int32_t bandMaxBottom = BandBlocks.front()->Bottom;
  int64_t sizeSum = 0;
  for (const CharBlock* block : BandBlocks) {
    bandMinTop = std::min(bandMinTop, block->Top);
    bandMaxBottom = std::max(bandMaxBottom, block->Bottom);
    sizeSum += LargerExtent(*block);
  }
  int32_t bandAvgSize = static_cast<int32_t>(sizeSum / static_cast<int64_t>(BandBlocks.size()));
  if (bandAvgSize < kSmallBandSize && SizeCount > 0) bandAvgSize = SizeSum / SizeCount;
  // Blocks of a single pixel row and column (never made by the page scan)
  // would leave no size to divide by.
  bandAvgSize = std::max(bandAvgSize, 1);

  if ((bandMaxBottom - bandMinTop) / bandAvgSize <= kOneLineSizes) {
    MergeColumns(BandBlocks);
    return;
  }
  GroupLines(SplitBandIntoLines(bandMinTop, bandAvgSize));
}

void LayoutLine() {
  if (LineBlocks == nullptr || LineBlocks->empty()) return;
  const BlockList& line = *LineBlocks;
  int64_t sizeSum = 0, reliableSum = 0;
  int32_t count = 0, reliableCount = 0;
  for (const CharBlock* block : line) {
    if (!IsConfident(*block)) continue;
    const CharSizeInfo info = CharSize(*block);
    sizeSum += info.Size;
    ++count;
    if (info.Reliable) {
      reliableSum += info.Size;
      ++reliableCount;
    }
  }
  if (count == 0) {
    for (const CharBlock* block : line) sizeSum += block->Right - block->Left;
    count = static_cast<int32_t>(line.size());
  }
  const int32_t lineAvgWidth =
      static_cast<int32_t>(reliableCount > 1 ? reliableSum / reliableCount : sizeSum / count);
  const int32_t maxMergedWidth = static_cast<int32_t>(RoundHalfEvenDiv(12 * int64_t{lineAvgWidth}, 10));

  CharBlock* const savedPrev = PrevBlock;
  const bool prevInLine = savedPrev != nullptr && IsBlockAlive(savedPrev);
  // A line of blocks without width has no scale for its ratios: it is left
  // as it is.
  if (LineCorrectionEnabled && lineAvgWidth > 0) {
    int32_t index = 0;
    while (index < static_cast<int32_t>(LineBlocks->size()))
      DispatchBlock(index, lineAvgWidth, maxMergedWidth);
  }

  if (LineBlocks->size() >= 3) {
    for (const CharBlock* block : *LineBlocks) {
      if (IsConfident(*block) && IsHanzi(block->Codes[0]) && block->Codes[0] != kOne) AddToSizeStats(*block);
    }
  }
  PrevBlock = (prevInLine && !IsBlockAlive(savedPrev)) ? nullptr : savedPrev;
}

void DispatchBlock(int32_t& index, int32_t lineAvgWidth, int32_t maxMergedWidth) {
  const CharBlock& p = *(*LineBlocks)[index];
  const int32_t ratio = (p.Right - p.Left) * 10 / lineAvgWidth;
  const bool doubtful = IsDoubtful(p);

  if (ratio < kNarrowRatio && MergeNarrowBlock(index, maxMergedWidth) != 0) return;
  if (doubtful && SplitMultiPartBlock(index) != 0) return;
  if (p.Bottom - p.Top - 1 > lineAvgWidth / kFlatDivisor) {
    if (ratio < kWideRatio || ratio >= kVeryWideRatio) {
      if ((doubtful || HasLetterM(p)) && TrySplitWide(index, ratio)) return;
    } else if (doubtful) {
      if (TrySplitWide(index, ratio)) return;
    } else if (p.Codes[0] != kEllipsis) {
      if (SplitMultiPartBlock(index) != 0) return;
      if (TrySplitWide(index, ratio)) return;
    }
  }
  if (doubtful) ResplitPair(index, lineAvgWidth);
  ++index;
}

CharSizeInfo CharSize(const CharBlock& block) {
  int32_t size = LargerExtent(block);
  if (IsDotLike(block.Codes[0])) size *= 2;
  return {size, IsHanzi(block.Codes[0]) && block.Codes[0] != kOne};
}

int32_t HanziSizeOf(const BlockList& line) {
  int64_t sum = 0;
  int32_t count = 0;
  for (const CharBlock* block : line) {
    const CharSizeInfo info = CharSize(*block);
    if (!IsConfident(*block) || !info.Reliable) continue;
    sum += info.Size;
    ++count;
  }
  if (count > 0) return static_cast<int32_t>(sum / count);
  return SizeCount > 0 ? SizeSum / SizeCount : 0;
}

int32_t AsciiPairAspect(const CharBlock& block) {
  // A block of one pixel row (Bottom = Top) is measured as if one row taller.
  const int32_t height = std::max(block.Bottom - block.Top, 1);
  int32_t r = (block.Right - block.Left) * 10 / height;
  const uint8_t first = LeadByte(block.Codes[0]);
  const uint8_t second = TrailByte(block.Codes[0]);
  if (IsFlatLetter(first) && IsFlatLetter(second) && r >= 2) {
    const bool wide = first == 'm' || first == 'w' || second == 'm' || second == 'w';
    r -= wide ? 12 : 10;
  }
  return r;
}

void AddToSizeStats(const CharBlock& block) {
  SizeSum += LargerExtent(block);
  SizeCount += 1;
}

}  // namespace engine
