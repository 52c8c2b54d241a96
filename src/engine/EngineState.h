// The engine's process-wide state, all of it in one place: the run's job and
// page buffers with their pixel accessors, the block lists, the flags and
// counters, the shared point stack used by every flood fill, and the work
// areas every block reuses (the normalised cell, the feature digits, the vote
// table, the classifier's shape lists). Whatever a run reads or writes
// outside its arguments is declared here.
//
// Only one recognition run exists at a time and everything runs on one
// thread, so the state is plain namespace-level variables. Private to their
// units are only per-call scratch buffers (the contour tracer's visited map,
// the lists a classification gathers) and the classifier seam of the block
// splitting (BlockSplitting.h).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/EngineRecords.h"
#include "core/Rounding.h"
#include "library/CharIndex.h"
#include "platform/Bitmap.h"
#include "platform/UiHooks.h"

namespace engine {

// The engine works on the shared records (blocks, boxes, character codes)
// and rounding helpers throughout, so they are visible here unqualified.
using namespace core;

// The learning dialogue after each finished line of a run in learning mode;
// it may re-classify and join the line's blocks and may set StopRequested.
using LineDialogue = std::function<void(BlockList& lineBlocks)>;

// What the document window hands to the run.
struct RunJob {
  platform::Bitmap* Bitmap = nullptr;
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // region, inclusive
  CharMapList* CharMap = nullptr;
  platform::ResultPane* RichEdit = nullptr;
  std::string FileName;  // UTF-8 path of the page image
  platform::ScrollBox* ScrollBox = nullptr;
  LineDialogue Dialogue;  // in learning mode; none: the lines are not discussed
};

extern RunJob Job;

// The page, 1 bit per pixel, top-down: ScanBits is erased by the scan as it
// collects components, PageBits keeps the page as it was.
extern std::vector<uint8_t> ScanBits;
extern std::vector<uint8_t> PageBits;
extern int32_t PageWidth;
extern int32_t PageHeight;
extern int32_t RowBytes;
extern uint8_t InkValue;  // the bit value that means ink

// True when the box is not empty and lies wholly inside the page.
inline bool BoxOnPage(const Box& box) {
  return 0 <= box.Left && box.Left <= box.Right && box.Right < PageWidth && 0 <= box.Top &&
         box.Top <= box.Bottom && box.Bottom < PageHeight;
}

// Pixel (x, y) is bit 7 − (x mod 8) of byte y × RowBytes + x div 8. No bounds
// checks: callers stay inside the page.
inline int ScanPixel(int32_t x, int32_t y) {
  return (ScanBits[static_cast<size_t>(y) * RowBytes + (x >> 3)] >> (7 - (x & 7))) & 1;
}
inline bool IsInk(int32_t x, int32_t y) {
  return ((PageBits[static_cast<size_t>(y) * RowBytes + (x >> 3)] >> (7 - (x & 7))) & 1) == InkValue;
}
inline void SetBit(std::vector<uint8_t>& bits, int32_t x, int32_t y, int value) {
  uint8_t& byte = bits[static_cast<size_t>(y) * RowBytes + (x >> 3)];
  const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
  byte = value ? (byte | mask) : (byte & ~mask);
}
inline void EraseScanPixel(int32_t x, int32_t y) {
  SetBit(ScanBits, x, y, InkValue ^ 1);
}
inline void MaskPagePixel(int32_t x, int32_t y) {
  SetBit(PageBits, x, y, InkValue ^ 1);
}
inline void UnmaskPagePixel(int32_t x, int32_t y) {
  SetBit(PageBits, x, y, InkValue);
}

// InkValue for a 1-bit bitmap: 0 when palette entry 0 has red 0 (black),
// otherwise 1.
uint8_t InkValueOf(const platform::Bitmap& bitmap);

// Block lists.
extern BlockList BandBlocks;
// Components of the current band too small for a block (fewer than ten
// pixels, more than two): dropped as specks, kept aside for the dots and
// commas of a low-resolution page.
extern std::vector<Box> BandSpecks;
extern BlockList* LineBlocks;
extern std::vector<BlockList*> PageLines;  // owns its lists and their blocks
// The line list the run created last, until it is handed to PageLines; its
// blocks are released with the band's when a run is stopped or fails.
extern BlockList* RunLine;
extern std::vector<int32_t> LineIndents;
extern CharBlock* PrevBlock;
// The blocks taught from ground-truth files: only the character maps refer
// to them, so they are kept for the rest of the program run.
extern std::vector<std::unique_ptr<CharBlock>> TaughtBlocks;

// Flags.
extern bool UseContext;
extern bool StopRequested;
extern bool SupervisorMode;
// The line correction (splits, merges, contextual corrections) is on; the
// command line can switch it off to measure what it brings.
extern bool LineCorrectionEnabled;
// The page's strokes had fallen apart (light print) and were thickened
// before the scan.
extern bool LightPrint;

// Counters of the run.
extern int32_t SizeSum;
extern int32_t SizeCount;
extern int32_t LineAvgTop;
extern int32_t LineAvgBottom;
// The size of a Chinese character in the line being finished: the mean size
// of its confident hanzi, else the page's mean, else 0 (unknown). The cell of
// a full-width character is about this wide.
extern int32_t LineHanziSize;
extern int32_t BandBottom;
extern int32_t GoodCount;
extern int32_t DoubtCount;
extern int32_t TaughtRecords;  // records of a ground-truth file taught

// The shared point stack: the stack grows down from the top index, the log
// grows up from 0; the two meet in the middle.
constexpr int32_t kPointStackSize = 524288;
constexpr int32_t kStackEmpty = kPointStackSize - 1;
extern int32_t PointX[kPointStackSize];
extern int32_t PointY[kPointStackSize];
extern int32_t StackTop;
extern int32_t LogTop;

inline void PushPoint(int32_t x, int32_t y) {
  PointX[StackTop] = x;
  PointY[StackTop] = y;
  --StackTop;
}
inline void PopPoint(int32_t& x, int32_t& y) {
  ++StackTop;
  x = PointX[StackTop];
  y = PointY[StackTop];
}
inline void AppendToLog(int32_t x, int32_t y) {
  PointX[LogTop] = x;
  PointY[LogTop] = y;
  ++LogTop;
}

// Masking of neighbour strokes (CellFeatures): the log starts of the
// maskings not yet restored, innermost last. Maskings nest only around a
// block split and its trial cells, so a few levels suffice; deeper levels
// fold into the enclosing one (restored with it).
constexpr int32_t kMaxMaskingDepth = 16;
extern int32_t MaskLogStart[kMaxMaskingDepth];
extern int32_t MaskingDepth;
extern int32_t FoldedMaskings;

// The normalised cell and its measurements (CellFeatures).
constexpr int32_t kCellSize = 48;
constexpr int32_t kEdgeProfiles = 14;
constexpr int32_t kFeatureDigits = 6;
// CellGrid[i][j]: grid column i, grid row j; 1 = ink.
extern uint8_t CellGrid[kCellSize][kCellSize];
extern int32_t EdgeProfile[kEdgeProfiles][kCellSize];
extern int32_t FeatureDigits[kFeatureWords][kFeatureDigits];

// The vote table over the library's character indices (Classifier): the
// votes of the cell being classified that are not tallied (listed voters,
// shape rules, the context's seeds), and one bit per character whose entry
// may be other than 0.
constexpr int32_t kVoteEntries = 15887;
constexpr int32_t kVotedCharWords = (kVoteEntries + 63) / 64;
extern int16_t Votes[kVoteEntries];
extern uint64_t VotedChars[kVotedCharWords];

// Characters whose shape the classifier rewards or penalises by the cell's
// proportions, as library indices; built at start-up from the code table.
template <size_t N>
struct ShapeList {
  std::array<library::CharIndex, N> Items{};
  size_t Count = 0;
};
extern ShapeList<5> WideShapes;  // 一 first, treated apart
extern ShapeList<11> NarrowShapes;
extern ShapeList<9> SmallShapes;
// Library index ranges of the full-width row, of 一 and of the ASCII pairs;
// the defaults are the code table's, start-up computes them.
extern int32_t FullWidthFirst;  // ！
extern int32_t FullWidthLast;   // ￣
extern int32_t HanziOne;        // 一
extern int32_t AsciiPairFirst;  // !!

// A new block with every field zero; callers set box, counts and CutSides.
CharBlock* NewBlock();

}  // namespace engine
