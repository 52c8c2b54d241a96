// The learning dialogue after each line of a run in learning mode: the
// supervisor picks blocks of the line and teaches them in the library window.
// The recognition run calls it through the per-line callback of its job.
#pragma once

#include <string>

#include "core/EngineRecords.h"

namespace learning {

// The dialogue's toggle: while set, no line asks for a block ("-2").
extern bool SkipLearning;

// Results of the library window shown modally.
enum class WindowResult { Retry, No };

// The windows the dialogue opens; the desktop program binds them to its
// input box and library window, tests script them.
class LearningWindows {
 public:
  virtual ~LearningWindows() = default;
  // Shows the input box ("请输入(-1表示结束,-2改变模式)") and returns its text.
  virtual std::string AskBlockNumber() = 0;
  // Shows the library window modally for LibraryWindow().Block; the dialogue
  // has already set the window's fields and run its show handler.
  virtual WindowResult ShowLibraryWindow() = 0;
};

// The windows in force; by default the input box answers empty (no
// interactive teaching) and the library window returns Retry.
LearningWindows& Windows();
void SetLearningWindows(LearningWindows* windows);

void LearningDialogue(core::BlockList& lineBlocks);

}  // namespace learning
