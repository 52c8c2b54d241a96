// The recognition run: from a monochrome page bitmap to lines of classified
// blocks and their text in the result pane.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/EngineState.h"

namespace engine {

// How a recognition ended. Every failure has shown its message through the
// hooks already; callers act on the outcome, never on the message text.
enum class RunOutcome {
  Done,                 // the page was read, or taught from its ground truth
  NotMonochrome,        // refused: only 1-bit pages are recognised
  NoPageBits,           // the bitmap's bits could not be read or copied
  GroundTruthUnusable,  // the page's ground-truth file is missing, damaged or short
  GroundTruthUnsaved,   // the ".RED" converted from a ".REC" could not be written
  InternalError,        // an exception inside the run
};

// What a document window gives a recognition and what it gets back; the
// desktop window and the command line both fill one of these.
struct RecognitionDocument {
  platform::Bitmap* PageBitmap = nullptr;
  Box SelectionBox;  // all zero: the whole page
  CharMapList* CharMap = nullptr;
  platform::ResultPane* Pane = nullptr;
  std::string FileName;
  platform::ScrollBox* ScrollBox = nullptr;
  bool ShowTips = false;  // the "DisplayWaring" setting
  LineDialogue Dialogue;  // the learning dialogue, in learning mode

  // Filled by FenXi.
  std::vector<std::string> PrevLines;  // the pane's lines after the run
  std::string StatusText;              // panel 4 of the status bar
  bool TipsWanted = false;             // fewer confident than doubtful blocks, tips on
  double Seconds = 0;                  // elapsed time of the whole recognition
  int32_t TaughtRecords = 0;           // records of a ground-truth file taught instead
};

// The whole recognition of a document: checks, run, colouring, timing.
RunOutcome FenXi(RecognitionDocument& document);
// Colours the doubtful characters of the pane red.
void RxRichEditColor(const CharMapList& charMap, platform::ResultPane& pane);

// The run itself on the job's bitmap. InkValue is taken from the bitmap's
// palette here, so a caller needs to set nothing but the job.
RunOutcome RunOnBitmap(const RunJob& job);
RunOutcome ScanPage();
void CollectComponent(int32_t x, int32_t y);
void FinishLine();

}  // namespace engine
