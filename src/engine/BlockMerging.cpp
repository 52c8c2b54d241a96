// Merging of narrow blocks with the blocks that follow them, and even
// re-division of a badly cut pair of blocks.
//
// MergeNarrowBlock first tries the punctuation that is built of several
// dots (an ellipsis of three dots, the two halves of a double quote), then
// unions of the block with up to four followers while the union stays
// narrower than the widest character the line allows. Each union is
// recognised as one cell and taken over only when the classifier is
// confident and does not read it as a single-byte character.
//
// ResplitPair joins a doubtful block with its right neighbour and cuts the
// pair into two halves of equal width (SplitEvenly) when the boundary
// between them was clearly off the middle.
#include "engine/BlockMerging.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/Rounding.h"
#include "engine/BlockSplitting.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"

namespace engine {
namespace {

constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);         // ·
constexpr CharCode kFullPeriod = MakeCode(0xA3, 0xAE);        // ．
constexpr CharCode kIdeoComma = MakeCode(0xA1, 0xA2);         // 、
constexpr CharCode kEllipsis = MakeCode(0xA1, 0xAD);          // …
constexpr CharCode kRightQuote = MakeCode(0xA1, 0xAF);        // ’
constexpr CharCode kFullComma = MakeCode(0xA3, 0xAC);         // ，
constexpr CharCode kLeftDoubleQuote = MakeCode(0xA1, 0xB0);   // “
constexpr CharCode kLeftQuote = MakeCode(0xA1, 0xAE);         // ‘
constexpr CharCode kRightDoubleQuote = MakeCode(0xA1, 0xB1);  // ”
constexpr CharCode kBow = MakeCode(0xB9, 0xAD);               // 弓
constexpr CharCode kFullOne = MakeCode(0xA3, 0xB1);           // １
constexpr CharCode kFullSmallL = MakeCode(0xA3, 0xEC);        // ｌ
constexpr CharCode kFullI = MakeCode(0xA3, 0xC9);             // Ｉ
constexpr CharCode kFullExclamation = MakeCode(0xA3, 0xA1);   // ！
constexpr CharCode kHanziBu = MakeCode(0xB2, 0xB7);           // 卜
constexpr CharCode kFullSmallR = MakeCode(0xA3, 0xF2);        // ｒ
constexpr CharCode kBox = MakeCode(0xD8, 0xCE);               // 匚

// No expected reading: the merge is judged by the classifier alone.
constexpr CharCode kNoExpected = 0;
constexpr uint8_t kFirstDoubleByte = 0x80;

// Size ratio (in tenths) below which two dots count as alike, and the gaps
// (in tenths of the larger size) that still join them.
constexpr int32_t kAlikeSizeRatio = 18;
constexpr int32_t kEllipsisGapTenths = 30;
constexpr int32_t kQuoteGapTenths = 15;
constexpr int32_t kMaxFollowers = 4;

// A pair of blocks about two characters wide, in tenths of the average width.
constexpr int32_t kPairRatioLow = 17;
constexpr int32_t kPairRatioHigh = 23;

bool Reads(const CharBlock& b, std::initializer_list<CharCode> codes) {
  return IsConfident(b) && IsOneOf(b.Codes[0], codes);
}

// Two boxes are alike and close when their sizes differ by less than 1.8
// times and the gap is below the limit.
bool AlikeAndClose(const CharBlock& a, const CharBlock& b, int32_t gapLimit) {
  int32_t gapTenths = 0;
  const int32_t ratio = PairMetrics(BoxOf(a), BoxOf(b), gapTenths);
  return ratio < kAlikeSizeRatio && gapTenths < gapLimit;
}

// The block at Index, the union box to try, and the code of the block right
// after it.
struct MergeContext {
  int32_t Index;
  Box Union;
  CharCode Follower;
};

int32_t TryMergedBlock(const MergeContext& context, int32_t count, CharCode expected) {
  CharBlock trial{};
  SetBox(trial, context.Union);
  trial.CutSides = 0;
  RecogniseTrial(trial, kRangeAll, false);
  const CharCode code = trial.Codes[0];
  if (expected == kNoExpected && IsOneOf(code, {kHanziBu, kFullSmallR}) &&
      IsOneOf(context.Follower, {kMiddleDot, kFullPeriod})) {
    return 0;  // a stroke with a dot beside it is not one character
  }
  if (!IsConfident(trial)) return 0;
  if (code != expected && LeadByte(code) < kFirstDoubleByte) return 0;
  BlockList& list = *LineBlocks;
  for (int32_t k = 0; k < count; ++k) AbsorbBlock(list, context.Index, context.Index + 1);
  CharBlock& b = *list[static_cast<size_t>(context.Index)];
  std::memcpy(static_cast<void*>(&b), static_cast<const void*>(&trial), kResultPartBytes);
  return count;
}

int32_t BoxSize(const Box& box) {
  return std::max(box.Right - box.Left, box.Bottom - box.Top);
}

}  // namespace

// A box's size is max(width, height) − 1; a single pixel has size 0. Sizes
// are counted as at least 1 so that such a box compares as a box of one
// pixel's extent (a tiny dot beside a dot of normal size is not alike), and
// nothing is ever divided by zero.
int32_t PairMetrics(const Box& a, const Box& b, int32_t& gapTenths) {
  const int64_t sizeA = std::max(1, BoxSize(a));
  const int64_t sizeB = std::max(1, BoxSize(b));
  const int64_t larger = std::max(sizeA, sizeB);
  const int64_t smaller = std::min(sizeA, sizeB);
  const int64_t gap = static_cast<int64_t>(b.Left) - a.Right;
  gapTenths = gap < 0 ? 0 : static_cast<int32_t>(gap * 10 / larger);
  return static_cast<int32_t>(larger * 10 / smaller);
}

int32_t MergeNarrowBlock(int32_t index, int32_t maxWidth) {
  if (LineBlocks == nullptr || index < 0 || index >= static_cast<int32_t>(LineBlocks->size())) return 0;
  BlockList& list = *LineBlocks;
  const int32_t count = static_cast<int32_t>(list.size());
  const auto at = [&list](int32_t i) -> CharBlock& { return *list[static_cast<size_t>(i)]; };
  if (index > 0) PrevBlock = &at(index - 1);
  const CharBlock& b = at(index);
  const CharCode c = b.Codes[0];
  MergeContext context{index, BoxOf(b), index + 1 < count ? at(index + 1).Codes[0] : CharCode{0}};

  // Three dots in a row: an ellipsis.
  if (Reads(b, {kMiddleDot, kFullPeriod, kIdeoComma}) && index + 2 < count) {
    const CharBlock& n1 = at(index + 1);
    const CharBlock& n2 = at(index + 2);
    if (Reads(n1, {kMiddleDot, kFullPeriod, kIdeoComma}) &&
        Reads(n2, {kMiddleDot, kFullPeriod, kIdeoComma}) && AlikeAndClose(b, n1, kEllipsisGapTenths) &&
        AlikeAndClose(n1, n2, kEllipsisGapTenths)) {
      UnionBox(context.Union, BoxOf(n1));
      UnionBox(context.Union, BoxOf(n2));
      return TryMergedBlock(context, 2, kEllipsis);
    }
  }
  // A quote mark with a dot below its top: the two halves of “.
  if (Reads(b, {kRightQuote, kFullComma}) && index + 1 < count) {
    const CharBlock& n1 = at(index + 1);
    if (Reads(n1, {kMiddleDot, kFullPeriod}) && n1.Bottom > b.Top && AlikeAndClose(b, n1, kQuoteGapTenths)) {
      UnionBox(context.Union, BoxOf(n1));
      return TryMergedBlock(context, 1, kLeftDoubleQuote);
    }
  }
  // Two ‘ in a row: ”.
  if (Reads(b, {kLeftQuote}) && index + 1 < count) {
    const CharBlock& n1 = at(index + 1);
    if (Reads(n1, {kLeftQuote}) && AlikeAndClose(b, n1, kQuoteGapTenths)) {
      UnionBox(context.Union, BoxOf(n1));
      return TryMergedBlock(context, 1, kRightDoubleQuote);
    }
  }

  // The block with its next one to four followers.
  for (int32_t i = 1; i <= kMaxFollowers && index + i < count; ++i) {
    const CharBlock& n = at(index + i);
    int32_t gap = n.Left - context.Union.Right;
    // "弓" followed by a vertical stroke is a character whose right part
    // stands apart: the gap counts half.
    if (i == 1 && c == kBow && IsOneOf(n.Codes[0], {kFullOne, kFullSmallL, kFullI, kFullExclamation}))
      gap /= 2;
    UnionBox(context.Union, BoxOf(n));
    const int32_t w = std::max(context.Union.Right - context.Union.Left, maxWidth / 2);
    if (w >= maxWidth) return 0;
    if (w / 5 >= gap - 2) {
      const int32_t merged = TryMergedBlock(context, i, kNoExpected);
      if (merged != 0) return merged;
    }
  }
  return 0;
}

int32_t SplitEvenly(int32_t index, int32_t n) {
  if (LineBlocks == nullptr || n < 1 || index < 0 || index >= static_cast<int32_t>(LineBlocks->size()))
    return 0;
  BlockList& list = *LineBlocks;
  CharBlock* b = list[static_cast<size_t>(index)];
  // The pitch is kept in single precision; the slice edges are rounded from
  // its products with j taken in extended precision.
  const float pitch = static_cast<float>(static_cast<long double>(b->Right - b->Left) / n);
  int32_t inserted = 0;
  for (int32_t j = n - 1; j >= 0; --j) {
    CharBlock* slice = NewBlock();
    slice->Left = b->Left + 1 + static_cast<int32_t>(RoundHalfEven(static_cast<long double>(pitch) * j));
    slice->Right = b->Left + static_cast<int32_t>(RoundHalfEven(static_cast<long double>(pitch) * (j + 1)));
    slice->Top = b->Top;
    slice->Bottom = b->Bottom;
    slice->LineNo = b->LineNo;
    slice->SubBlockCount = 0;
    slice->PartCount = 0;
    uint8_t sides = (j == 0 || j == n - 1) ? b->CutSides : 0;
    if (j == 0) sides &= ~kCutRight;
    if (j == n - 1) sides &= ~kCutLeft;
    slice->CutSides = sides;
    RecogniseTrial(*slice, kRangeAll, true);
    const bool refused = (n == 2 && slice->Scores[0] < b->Scores[0]) || !IsConfident(*slice) ||
                         (j == 0 && slice->Codes[0] == kBox);
    if (refused) {
      FreeBlock(slice);
      for (int32_t k = 0; k < inserted; ++k) {
        FreeBlock(list[static_cast<size_t>(index + 1)]);
        list.erase(list.begin() + index + 1);
      }
      return 0;
    }
    list.insert(list.begin() + index + 1, slice);
    ++inserted;
  }
  list.erase(list.begin() + index);
  FreeBlock(b);
  return n - 1;
}

int32_t ResplitPair(int32_t index, int32_t avgWidth) {
  // Without an average width the pair cannot be measured: nothing changes.
  if (LineBlocks == nullptr || avgWidth <= 0 || index < 0) return 0;
  BlockList& list = *LineBlocks;
  if (index + 1 >= static_cast<int32_t>(list.size())) return 0;
  CharBlock& b = *list[static_cast<size_t>(index)];
  CharBlock* next = list[static_cast<size_t>(index) + 1];
  const Box savedBox = BoxOf(b);
  unsigned char savedResult[kResultPartBytes];
  std::memcpy(savedResult, static_cast<const void*>(&b), kResultPartBytes);

  const int32_t gap = next->Left - b.Right;
  const int32_t centre = (next->Left + b.Right) / 2;
  UnionBox(b, *next);
  const int32_t width = b.Right - b.Left;
  const int32_t ratio = static_cast<int32_t>(static_cast<int64_t>(width) * 10 / avgWidth);
  const bool offMiddle = std::abs(centre - (b.Left + b.Right) / 2) > gap / 2;
  if (ratio > kPairRatioLow && ratio < kPairRatioHigh && offMiddle && gap < width / 5 &&
      SplitEvenly(index, 2) != 0) {
    // The two slices stand at index and index + 1; the neighbour follows.
    list.erase(list.begin() + index + 2);
    FreeBlock(next);
    return 0;
  }
  SetBox(b, savedBox);
  std::memcpy(static_cast<void*>(&b), savedResult, kResultPartBytes);
  return 0;
}

}  // namespace engine
