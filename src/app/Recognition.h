// One recognition of a prepared page without a document window: the run
// through the document's FenXi with a headless result pane, timed, and what
// a front end needs to write the result out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/RecognitionRun.h"

namespace app {

struct PageResult {
  std::string Image;  // the file name as given (UTF-8)
  int32_t Width = 0, Height = 0;
  double Seconds = 0;                  // the recognition alone
  std::vector<std::string> PaneLines;  // GBK, as the run wrote them
  int32_t TaughtRecords = 0;           // ground-truth records taught (set for every outcome)
};

// Recognises `region` of the monochrome page (all zero: the whole page);
// `path` is the page's file name (its ground-truth files sit beside it).
// The blocks of the run stay in engine::PageLines until the next run.
// `result` is filled when the outcome is Done; its TaughtRecords always.
engine::RunOutcome RecognisePage(platform::Bitmap& page, const core::Box& region, const std::string& path,
                                 PageResult& result);

// The region cut to the page; false when it lies outside the page.
bool ClipRegion(const platform::Bitmap& page, core::Box& region);

}  // namespace app
