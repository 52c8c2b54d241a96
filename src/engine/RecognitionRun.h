// The recognition run: from a monochrome page bitmap to lines of classified
// blocks and their text in the result pane.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/EngineState.h"

namespace engine {

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

  // Filled by FenXi.
  std::vector<std::string> PrevLines;  // the pane's lines after the run
  std::string StatusText;              // panel 4 of the status bar
  bool TipsWanted = false;             // fewer confident than doubtful blocks, tips on
  double Seconds = 0;                  // elapsed time of the whole recognition
};

// The whole recognition of a document: checks, run, colouring, timing.
// Returns false when the page was refused (not monochrome).
bool FenXi(RecognitionDocument& document);
// Colours the doubtful characters of the pane red.
void RxRichEditColor(const CharMapList& charMap, platform::ResultPane& pane);

bool RunOnBitmap(const RunJob& job);
void ScanPage();
void CollectComponent(int32_t x, int32_t y);
void FinishLine();

}  // namespace engine
