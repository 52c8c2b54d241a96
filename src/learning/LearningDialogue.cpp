// The learning dialogue after each recognised line in learning mode, and the
// index ruler that numbers the blocks of the line for it.
//
// The supervisor types a block number into the input box: the library window
// opens for that block. "k,,…" with m commas first joins blocks k+1 … k+m
// into block k and classifies it again; "-1" ends the run, "-2" switches the
// questions off for good, an empty text goes on with the next line.
#include "learning/LearningDialogue.h"

#include <charconv>
#include <cstdio>

#include "engine/CellFeatures.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "library/Learning.h"

namespace learning {

bool SkipLearning = false;

namespace {

using library::DisplayModel;
using library::LibraryWindow;

constexpr int32_t kEndRun = -1;
constexpr int32_t kToggleSkip = -2;
constexpr char kJoinMark = ',';

class SilentWindows : public LearningWindows {
 public:
  std::string AskBlockNumber() override { return ""; }
  WindowResult ShowLibraryWindow() override { return WindowResult::Retry; }
};

LearningWindows* current = nullptr;

// The number typed, ignoring surrounding spaces; false when it is not one.
bool ParseNumber(const std::string& text, int32_t& number) {
  size_t first = text.find_first_not_of(' ');
  size_t last = text.find_last_not_of(' ');
  if (first == std::string::npos) return false;
  if (text[first] == '+') ++first;
  const char* end = text.data() + last + 1;
  const auto result = std::from_chars(text.data() + first, end, number);
  return result.ec == std::errc() && result.ptr == end;
}

// Joins blocks k+1 … k+m into block k (the joined blocks stay in the line)
// and classifies block k again.
void JoinBlocks(core::BlockList& lineBlocks, int32_t k, int32_t m) {
  core::CharBlock& block = *lineBlocks[k];
  for (int32_t j = k + 1; j <= k + m; ++j) engine::UnionBox(block, *lineBlocks[j]);
  engine::NormaliseCell(block);
  engine::ComputeFeatures();
  engine::ClassifyCell(block, engine::kRangeAll, false);
}

// Opens the library window for the block; false when it closed with "关闭".
bool ShowBlock(core::CharBlock& block) {
  DisplayModel& window = LibraryWindow();
  window.Block = &block;
  window.PageBitmap = engine::Job.Bitmap;
  window.IsLearningView = true;
  char caption[64];
  std::snprintf(caption, sizeof caption, "子块数:%d 准确率:%d", block.SubBlockCount, block.Scores[0]);
  window.Caption = caption;
  window.ShowHandler();
  return Windows().ShowLibraryWindow() != WindowResult::No;
}

}  // namespace

LearningWindows& Windows() {
  static SilentWindows silent;
  return current ? *current : silent;
}

void SetLearningWindows(LearningWindows* windows) {
  current = windows;
}

void LearningDialogue(core::BlockList& lineBlocks) {
  if (engine::StopRequested) return;
  const int32_t count = static_cast<int32_t>(lineBlocks.size());
  while (!SkipLearning) {
    std::string text = Windows().AskBlockNumber();
    if (text.empty()) return;
    int32_t m = 0;
    for (size_t at; (at = text.find(kJoinMark)) != std::string::npos; ++m) text.erase(at, 1);
    int32_t k = 0;
    if (!ParseNumber(text, k) || (m > 0 && k < 0)) continue;
    if (m > 0 && k + m < count) JoinBlocks(lineBlocks, k, m);
    if (k == kToggleSkip) {
      SkipLearning = !SkipLearning;
      return;
    }
    if (k == kEndRun) {
      engine::StopRequested = true;
      return;
    }
    if (k >= 0 && k < count && !ShowBlock(*lineBlocks[k])) {
      engine::StopRequested = true;
      return;
    }
  }
}

}  // namespace learning
