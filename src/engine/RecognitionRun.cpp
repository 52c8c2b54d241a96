// The recognition run: from the monochrome bitmap of a document to lines of
// classified blocks and their text in the result pane.
//
// The page is scanned row by row in ScanBits; every ink pixel seeds an
// 8-connected flood fill that erases what it collects, so each pixel is found
// once. The fill also takes in the separate strokes inside the inner two
// thirds of its box, so that most Chinese characters arrive as one component.
// A band ends when five rows below its lowest component passed without a new
// component reaching further down; its components are laid out into lines,
// every block is classified, and each line is corrected and emitted.
#include "engine/RecognitionRun.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>

#include "engine/CellFeatures.h"
#include "engine/Classifier.h"
#include "engine/ContextCorrection.h"
#include "engine/PageLayout.h"
#include "engine/FadedStrokes.h"
#include "engine/PitchCells.h"
#include "engine/ResultFiles.h"
#include "engine/ResultList.h"
#include "engine/SmallMarks.h"
#include "engine/Specks.h"
#include "engine/StrokeRepair.h"
#include "library/TemplateLibrary.h"
#include "platform/Clock.h"
#include "platform/PageBits.h"

namespace engine {

namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr double kTicksPerSecond = 1000.0;

// A band ends this many rows below the lowest bottom edge found so far.
constexpr int32_t kBandGapRows = 5;

// Point stack limits of the fill.
constexpr int32_t kStackMargin = 10;
constexpr int32_t kNearlyFullLog = 52428;
constexpr int32_t kMinPixels = 10;
// Smaller components are kept aside as specks from this size on.
constexpr int32_t kMinSpeckPixels = 3;
// Components reaching this far across the page are frames and pictures.
constexpr int32_t kFillStopExtent = 250;
constexpr int32_t kFrameExtent = 300;
constexpr int32_t kRuleAspect = 30;
// The box widened by this many pixels is compared with the limits.
constexpr int32_t kBoxMargin = 3;
// The strokes inside the box less one sixth on each side are joined.
constexpr int32_t kInnerDivisor = 6;

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}
std::string Format(const char* format, int value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

void ReleasePendingBlocks() {
  for (CharBlock* block : BandBlocks) FreeBlock(block);
  BandBlocks.clear();
  BandSpecks.clear();
  if (LineBlocks != nullptr && LineBlocks == RunLine) {
    for (CharBlock* block : *LineBlocks) FreeBlock(block);
    delete LineBlocks;
    LineBlocks = nullptr;
  }
  RunLine = nullptr;
}

void StartLine() {
  LineBlocks = new BlockList;
  RunLine = LineBlocks;
}

void ReleaseLine() {
  for (CharBlock* block : *LineBlocks) FreeBlock(block);
  delete LineBlocks;
  LineBlocks = nullptr;
  RunLine = nullptr;
}

bool GroundTruthExists() {
  std::error_code error;
  return std::filesystem::exists(Job.FileName + ".RED", error) ||
         std::filesystem::exists(Job.FileName + ".REC", error);
}

void SetLineAverages(const BlockList& line) {
  int64_t top = 0, bottom = 0;
  for (const CharBlock* block : line) {
    top += block->Top;
    bottom += block->Bottom;
  }
  const auto count = static_cast<int64_t>(line.size());
  LineAvgTop = static_cast<int32_t>(top / count);
  LineAvgBottom = static_cast<int32_t>(bottom / count);
  LineHanziSize = HanziSizeOf(line);
}

void CorrectLine() {
  for (CharBlock* block : *LineBlocks) PreferCommonHanzi(*block);
  PreferKnownPairs();
  for (int32_t i = 0; i < static_cast<int32_t>(LineBlocks->size()); ++i) CorrectAmbiguous(i);
  ResolveLetterCase();
  ReadSmallRoundsAsPeriods();
  OrientQuotes();
  CloseCornerBrackets();
  OpenCornerBrackets();
}

void CountResults(const BlockList& line) {
  for (const CharBlock* block : line) {
    if (IsConfident(*block)) {
      ++GoodCount;
    } else {
      ++DoubtCount;
    }
  }
}

void RunLearningSteps(const EmittedLine& emitted) {
  if (Job.RichEdit != nullptr) Job.RichEdit->AppendLine(emitted.Ruler);
  platform::Ui().SetBusyCursor(false);
  if (Job.ScrollBox != nullptr) Job.ScrollBox->ScrollTo(LineBlocks->front()->Left, LineBlocks->front()->Top);
  if (!StopRequested && Job.Dialogue) Job.Dialogue(*LineBlocks);
}

// Classifies the blocks of line n, moving them from BandBlocks to LineBlocks
// in their order.
void RecogniseLine(int32_t n) {
  size_t kept = 0;
  for (size_t i = 0; i < BandBlocks.size(); ++i) {
    CharBlock* block = BandBlocks[i];
    if (block->LineNo != n) {
      BandBlocks[kept++] = block;
      continue;
    }
    NormaliseCell(*block);
    ComputeFeatures();
    ClassifyCell(*block, kRangeAll, UseContext);
    PrevBlock = block;
    LineBlocks->push_back(block);
  }
  BandBlocks.resize(kept);
}

void ProcessBand() {
  platform::Ui().ProcessMessages();
  LayoutBand();
  StartLine();
  int32_t n = 0;
  for (;;) {
    RecogniseLine(n);
    if (BandBlocks.empty()) break;
    FinishLine();
    platform::Ui().ProcessMessages();
    ++n;
    StartLine();
  }
  FinishLine();
  BandBottom = 0;
  BandSpecks.clear();
}

// A page whose strokes fell apart into slivers is thickened before the scan
// (both copies: the scan and the cell sampling see the same page). Not when
// the run learns from a ground-truth file, whose boxes describe the page as
// it is. True when the page was thickened.
bool RepairPageIfBroken() {
  const Box region{Job.Left, Job.Right, Job.Top, Job.Bottom};
  if (!HasBrokenStrokes(CountFragments(ScanBits, RowBytes, InkValue, region))) return false;
  RepairBrokenStrokes(ScanBits, RowBytes, PageWidth, PageHeight, InkValue);
  PageBits.assign(ScanBits.begin(), ScanBits.end());
  return true;
}

// The bytes of a row that hold columns left … right, and for each of them
// the bits of those columns (a byte's first pixel is its highest bit).
struct ByteSpan {
  int32_t First, Last;
  uint8_t FirstMask, LastMask;

  ByteSpan(int32_t left, int32_t right)
      : First(left >> 3),
        Last(right >> 3),
        FirstMask(static_cast<uint8_t>(0xFF >> (left & 7))),
        LastMask(static_cast<uint8_t>(0xFF << (7 - (right & 7)))) {}
  uint8_t Columns(int32_t bx) const {
    uint8_t mask = 0xFF;
    if (bx == First) mask &= FirstMask;
    if (bx == Last) mask &= LastMask;
    return mask;
  }
};

// Direct access to ScanBits for the fill: the ink test and the erasure of one
// pixel, and the region the fill stays in.
struct Fill {
  uint8_t* Bits;
  int32_t RowBytes;
  uint8_t Ink;
  int32_t Left, Right, Top, Bottom;  // the region

  bool IsScanInk(int32_t x, int32_t y) const {
    return ((Bits[static_cast<size_t>(y) * RowBytes + (x >> 3)] >> (7 - (x & 7))) & 1) == Ink;
  }
  void Erase(int32_t x, int32_t y) const {
    Bits[static_cast<size_t>(y) * RowBytes + (x >> 3)] ^= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  bool Inside(int32_t x, int32_t y) const { return x > Left && x < Right && y > Top && y < Bottom; }
  // Whether pixels x − 1, x and x + 1 of row y are ink, as bits 2, 1 and 0:
  // the bytes of x − 1 and x + 1 side by side (one byte twice when they
  // share it) hold the three pixels next to each other.
  uint32_t InkOfThree(int32_t x, int32_t y) const {
    const uint8_t* row = Bits + static_cast<size_t>(y) * RowBytes;
    const uint32_t pair = (static_cast<uint32_t>(row[(x - 1) >> 3]) << 8) | row[(x + 1) >> 3];
    return ((pair >> (13 - ((x - 1) & 7))) & 7) ^ (Ink ? 0 : 7);
  }
  // Whether any pixel of the rectangle is ink, eight pixels at a time.
  bool AnyInk(int32_t left, int32_t right, int32_t top, int32_t bottom) const {
    if (left > right) return false;
    const uint8_t flip = Ink ? 0x00 : 0xFF;
    const ByteSpan span(left, right);
    for (int32_t y = top; y <= bottom; ++y) {
      const uint8_t* row = Bits + static_cast<size_t>(y) * RowBytes;
      for (int32_t bx = span.First; bx <= span.Last; ++bx) {
        if ((row[bx] ^ flip) & span.Columns(bx)) return true;
      }
    }
    return false;
  }
  // The neighbours of a pixel inside the region that are ink, bit d for the
  // neighbour (kFillDx[d], kFillDy[d]).
  uint32_t InkNeighbours(int32_t x, int32_t y) const {
    const uint32_t above = InkOfThree(x, y - 1);
    const uint32_t here = InkOfThree(x, y);
    const uint32_t below = InkOfThree(x, y + 1);
    return ((above >> 2) & 1) | (((above >> 1) & 1) << 1) | ((above & 1) << 2) | ((here & 1) << 3) |
           ((below & 1) << 4) | (((below >> 1) & 1) << 5) | (((below >> 2) & 1) << 6) | (((here >> 2) & 1) << 7);
  }
};

enum class StackState { Room, Full };

// After a push: when the log has reached the stack, a short log means the
// stack itself is nearly full and the fill ends; a long one is restarted and
// only counts pixels from then on.
StackState CheckStack() {
  if (LogTop < StackTop - kStackMargin) return StackState::Room;
  if (LogTop <= kNearlyFullLog) return StackState::Full;
  LogTop = 0;
  return StackState::Room;
}

// The neighbours in the order upper-left, up, upper-right, right,
// lower-right, down, lower-left, left.
constexpr int32_t kFillDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int32_t kFillDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};

bool IsFrame(int32_t extent, int32_t pageExtent, int32_t minimum) {
  return extent >= pageExtent / 2 && extent >= minimum;
}

}  // namespace

void CollectComponent(int32_t x, int32_t y) {
  const Fill fill{ScanBits.data(), RowBytes, InkValue, Job.Left, Job.Right, Job.Top, Job.Bottom};
  LogTop = 0;
  StackTop = kStackEmpty;
  PushPoint(x, y);
  Box box{x, x, y, y};
  fill.Erase(x, y);

  bool ended = false;
  while (!ended && StackTop != kStackEmpty) {
    do {
      int32_t px, py;
      PopPoint(px, py);
      AppendToLog(px, py);
      // Inside the region all eight neighbours are read at once; on its
      // edge one by one.
      uint32_t ink = 0;
      if (fill.Inside(px, py)) {
        ink = fill.InkNeighbours(px, py);
      } else {
        for (int32_t d = 0; d < 8; ++d) {
          const int32_t nx = px + kFillDx[d];
          const int32_t ny = py + kFillDy[d];
          if (nx >= fill.Left && nx <= fill.Right && ny >= fill.Top && ny <= fill.Bottom && fill.IsScanInk(nx, ny)) {
            ink |= 1u << d;
          }
        }
      }
      for (; ink != 0; ink &= ink - 1) {
        const int32_t d = __builtin_ctz(ink);
        const int32_t nx = px + kFillDx[d];
        const int32_t ny = py + kFillDy[d];
        PushPoint(nx, ny);
        box.Left = std::min(box.Left, nx);
        box.Right = std::max(box.Right, nx);
        box.Top = std::min(box.Top, ny);
        box.Bottom = std::max(box.Bottom, ny);
        fill.Erase(nx, ny);
      }
      if (CheckStack() == StackState::Full) ended = true;
    } while (!ended && StackTop != kStackEmpty);
    if (ended || LogTop >= kStackEmpty) break;
    const int32_t width = box.Right - box.Left;
    const int32_t height = box.Bottom - box.Top;
    if (IsFrame(width, PageWidth, kFillStopExtent) || IsFrame(height, PageHeight, kFillStopExtent)) break;

    // Strokes inside the inner two thirds of the box belong to the component.
    const int32_t dx = width / kInnerDivisor;
    const int32_t dy = height / kInnerDivisor;
    if (!fill.AnyInk(box.Left + dx, box.Right - dx, box.Top + dy, box.Bottom - dy)) break;
    for (int32_t ix = box.Left + dx; ix <= box.Right - dx && !ended; ++ix) {
      for (int32_t iy = box.Top + dy; iy <= box.Bottom - dy; ++iy) {
        if (!fill.IsScanInk(ix, iy)) continue;
        PushPoint(ix, iy);
        fill.Erase(ix, iy);
        if (CheckStack() == StackState::Full) {
          ended = true;
          break;
        }
      }
    }
  }

  const int32_t w = box.Right - box.Left + kBoxMargin;
  const int32_t h = box.Bottom - box.Top + kBoxMargin;
  if (LogTop < kMinPixels && LogTop >= kMinSpeckPixels) BandSpecks.push_back(box);
  if (LogTop < kMinPixels || LogTop >= kStackEmpty || w > kRuleAspect * h || h > kRuleAspect * w ||
      IsFrame(w, PageWidth, kFrameExtent) || IsFrame(h, PageHeight, kFrameExtent)) {
    return;
  }
  CharBlock* block = NewBlock();
  SetBox(*block, box);
  block->SubBlockCount = 0;
  block->PartCount = 0;
  block->CutSides = 0;
  BandBlocks.push_back(block);
  BandBottom = std::max(BandBottom, box.Bottom);
}

void FinishLine() {
  if (LineBlocks == nullptr) return;
  if (LineBlocks->empty()) {
    ReleaseLine();
    return;
  }
  LayoutLine();
  if (LineCorrectionEnabled) {
    DropSpecks(*LineBlocks, HanziSizeOf(*LineBlocks));
    JoinPiecesByPitch(*LineBlocks, HanziSizeOf(*LineBlocks));
    SplitRunTogetherCells(*LineBlocks, HanziSizeOf(*LineBlocks));
    ReadStrokeEndsAsOne(*LineBlocks, HanziSizeOf(*LineBlocks));
    DropDotsInMarkCells(*LineBlocks, HanziSizeOf(*LineBlocks));
    RestoreSmallMarks(*LineBlocks, BandSpecks, HanziSizeOf(*LineBlocks));
    SettleFadedPeriods(*LineBlocks, HanziSizeOf(*LineBlocks));
    // A mark put where no ink is left must not be taught to the library.
    if (LightPrint && !library::LearningMode) MarkVanishedPeriods(*LineBlocks, HanziSizeOf(*LineBlocks));
  }
  if (LineBlocks->empty() || IsNoiseLine(*LineBlocks)) {
    ReleaseLine();
    return;
  }
  SetLineAverages(*LineBlocks);
  if (LineCorrectionEnabled) CorrectLine();
  CountResults(*LineBlocks);
  const EmittedLine emitted = EmitLine();
  if (Job.RichEdit != nullptr) Job.RichEdit->AppendLine(emitted.Text);
  if (Job.CharMap != nullptr) CharMapInsert(static_cast<int32_t>(Job.CharMap->size()), 1, nullptr);
  if (library::LearningMode) RunLearningSteps(emitted);
  PageLines.push_back(LineBlocks);
  LineIndents.push_back(emitted.Indent);
  LineBlocks = nullptr;
  RunLine = nullptr;
}

RunOutcome ScanPage() {
  if (Job.RichEdit != nullptr) Job.RichEdit->Clear();
  if (Job.CharMap != nullptr) Job.CharMap->clear();
  FreePageLines();
  ClearVotes();
  if (library::LearningMode && GroundTruthExists()) {
    switch (LearnFromGroundTruth()) {
      case GroundTruthResult::Learned:
        return RunOutcome::Done;
      case GroundTruthResult::Unusable:
        return RunOutcome::GroundTruthUnusable;
      case GroundTruthResult::Unsaved:
        return RunOutcome::GroundTruthUnsaved;
    }
  }
  PrevBlock = nullptr;
  StopRequested = false;
  BandBottom = 0;
  BandSpecks.clear();
  SizeSum = 0;
  SizeCount = 0;
  ForgetCommaHeights();

  // Whatever a stopped or failed scan leaves of its band is released.
  struct PendingGuard {
    ~PendingGuard() { ReleasePendingBlocks(); }
  } guard;

  const ByteSpan span(Job.Left, Job.Right);
  // Ink bits read as 1 after this flip.
  const uint8_t flip = InkValue ? 0x00 : 0xFF;
  for (int32_t y = Job.Top; y <= Job.Bottom; ++y) {
    const uint8_t* row = ScanBits.data() + static_cast<size_t>(y) * RowBytes;
    for (int32_t bx = span.First; bx <= span.Last; ++bx) {
      uint8_t edges = span.Columns(bx);
      // The fills only erase pixels, so the byte is read again after each one.
      for (uint8_t ink = (row[bx] ^ flip) & edges; ink != 0; ink = (row[bx] ^ flip) & edges) {
        const int bit = std::countl_zero(ink);
        CollectComponent(bx * 8 + bit, y);
        edges &= static_cast<uint8_t>(0xFF >> (bit + 1));
      }
    }
    if (!BandBlocks.empty() && (y + 1 > BandBottom + kBandGapRows || y + 1 > Job.Bottom)) ProcessBand();
    platform::Ui().ProcessMessages();
    if (StopRequested) break;
  }
  return RunOutcome::Done;
}

RunOutcome RunOnBitmap(const RunJob& job) {
  GoodCount = 0;
  DoubtCount = 0;
  TaughtRecords = 0;
  Job = job;
  int32_t size = 0;
  if (Job.Bitmap == nullptr ||
      !platform::GetPageBits(*Job.Bitmap, size, PageWidth, ScanBits, RowBytes, PageHeight)) {
    platform::ShowNotice(Format("取位图数据错误:%d", errno));
    return RunOutcome::NoPageBits;
  }
  InkValue = InkValueOf(*Job.Bitmap);
  try {
    PageBits.assign(ScanBits.begin(), ScanBits.end());
  } catch (const std::bad_alloc&) {
    std::vector<uint8_t>().swap(ScanBits);
    platform::ShowNotice(Format("申请内存出错:%d", errno));
    return RunOutcome::NoPageBits;
  }
  struct BufferGuard {
    ~BufferGuard() {
      std::vector<uint8_t>().swap(ScanBits);
      std::vector<uint8_t>().swap(PageBits);
    }
  } guard;
  // The pixel accessors do no bounds checks: the region stays on the page.
  Job.Left = std::max(Job.Left, 0);
  Job.Top = std::max(Job.Top, 0);
  Job.Right = std::min(Job.Right, PageWidth - 1);
  Job.Bottom = std::min(Job.Bottom, PageHeight - 1);
  if (Job.Left > Job.Right || Job.Top > Job.Bottom) return RunOutcome::Done;
  LightPrint = !(library::LearningMode && GroundTruthExists()) && RepairPageIfBroken();
  return ScanPage();
}

void RxRichEditColor(const CharMapList& charMap, platform::ResultPane& pane) {
  const int32_t length = pane.TextLength();
  pane.Select(0, length);
  const int32_t n = std::min(static_cast<int32_t>(charMap.size()), length);
  for (int32_t p = 0; p < n; ++p) {
    const CharBlock* block = charMap[p];
    if (block == nullptr || block->Scores[0] > RedScore) continue;
    pane.Select(p, 1);
    pane.SetSelectionColour(kRed);
  }
  pane.Select(0, 0);
}

RunOutcome FenXi(RecognitionDocument& document) {
  const uint32_t start = platform::GetTickCount();
  if (document.PageBitmap == nullptr || document.PageBitmap->BitCount() != 1) {
    platform::ShowNotice("只有单色文件才能进行识别，请使用“转换”功能。");
    return RunOutcome::NotMonochrome;
  }
  platform::Bitmap& bitmap = *document.PageBitmap;

  RunJob job;
  job.Bitmap = &bitmap;
  const Box& selection = document.SelectionBox;
  if (selection.Left != 0 || selection.Right != 0 || selection.Top != 0 || selection.Bottom != 0) {
    job.Left = selection.Left;
    job.Top = selection.Top;
    job.Right = selection.Right;
    job.Bottom = selection.Bottom;
  } else {
    job.Left = 0;
    job.Top = 0;
    job.Right = bitmap.Width() - 1;
    job.Bottom = bitmap.Height() - 1;
  }
  job.CharMap = document.CharMap;
  job.RichEdit = document.Pane;
  job.FileName = document.FileName;
  job.ScrollBox = document.ScrollBox;
  job.Dialogue = document.Dialogue;

  platform::Ui().SetBusyCursor(true);
  RunOutcome outcome;
  try {
    outcome = RunOnBitmap(job);
  } catch (const std::exception& error) {
    platform::ShowNotice(std::string("出错信息:") + "\n" + error.what());
    outcome = RunOutcome::InternalError;
  }
  platform::Ui().SetBusyCursor(false);
  if (document.Pane != nullptr) {
    document.PrevLines = document.Pane->Lines();
    if (document.CharMap != nullptr) RxRichEditColor(*document.CharMap, *document.Pane);
  }
  const uint32_t elapsed = platform::GetTickCount() - start;
  document.Seconds = elapsed / kTicksPerSecond;
  document.StatusText = Format("识别耗时%.2f秒", document.Seconds);
  document.TipsWanted = GoodCount < DoubtCount && document.ShowTips;
  document.TaughtRecords = TaughtRecords;
  return outcome;
}

}  // namespace engine
