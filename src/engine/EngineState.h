// The engine's process-wide state: the page buffers of the run and their
// pixel accessors, the run's job, the block lists, the flags and counters,
// and the shared point stack used by every flood fill.
//
// Only one recognition run exists at a time and everything runs on one
// thread, so the state is plain namespace-level variables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/EngineRecords.h"
#include "core/Rounding.h"
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
inline void EraseScanPixel(int32_t x, int32_t y) { SetBit(ScanBits, x, y, InkValue ^ 1); }
inline void MaskPagePixel(int32_t x, int32_t y) { SetBit(PageBits, x, y, InkValue ^ 1); }
inline void UnmaskPagePixel(int32_t x, int32_t y) { SetBit(PageBits, x, y, InkValue); }

// InkValue for a 1-bit bitmap: 0 when palette entry 0 has red 0 (black),
// otherwise 1.
uint8_t InkValueOf(const platform::Bitmap& bitmap);

// Block lists.
extern BlockList BandBlocks;
extern BlockList* LineBlocks;
extern std::vector<BlockList*> PageLines;  // owns its lists and their blocks
extern std::vector<int32_t> LineIndents;
extern CharBlock* PrevBlock;

// Flags.
extern bool UseContext;
extern bool StopRequested;
extern bool SupervisorMode;
// The line correction (splits, merges, contextual corrections) is on; the
// command line can switch it off to measure what it brings.
extern bool LineCorrectionEnabled;

// Counters of the run.
extern int32_t SizeSum;
extern int32_t SizeCount;
extern int32_t LineAvgTop;
extern int32_t LineAvgBottom;
extern int32_t BandBottom;
extern int32_t GoodCount;
extern int32_t DoubtCount;

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

// A new block with every field zero; callers set box, counts and CutSides.
CharBlock* NewBlock();

}  // namespace engine
