// One recognition of a prepared page without a document window: the run
// through the document's FenXi with a headless result pane, timed, and what
// a front end needs to write the result out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/RecognitionRun.h"

namespace app {

// A region of the page read on its own, and where its lines are among the
// lines of the page.
struct TextRegion {
  core::Box Box;  // the extent of its characters
  size_t FirstLine = 0;
  size_t LineCount = 0;
};

struct PageResult {
  std::string Image;   // the file name as given (UTF-8)
  int32_t Page = 1;    // the page's number in its file, from 1
  int32_t Width = 0, Height = 0;
  double Seconds = 0;                  // the recognition alone
  std::vector<std::string> PaneLines;  // GBK, as the run wrote them
  // Filled by RecogniseRegions: the regions in reading order, and for each
  // line of engine::PageLines whether it begins a paragraph.
  std::vector<TextRegion> Regions;
  std::vector<bool> ParagraphStarts;
};

// Recognises `region` of the monochrome page (all zero: the whole page);
// `path` is the page's file name (its ground-truth files sit beside it).
// The blocks of the run stay in engine::PageLines until the next run.
// `result` is filled when the outcome is Done.
engine::RunOutcome RecognisePage(platform::Bitmap& page, const core::Box& region, const std::string& path,
                                 PageResult& result);

// Recognises the regions of the page one after another, in the order given
// (none: the whole page as one region), and leaves the lines of them all, in
// that order, in engine::PageLines and engine::LineIndents, as one run over
// the whole page leaves its lines. Fills the result's regions (those with
// lines) and paragraph starts. Stops at the first run that does not end Done.
engine::RunOutcome RecogniseRegions(platform::Bitmap& page, const std::vector<core::Box>& regions,
                                    const std::string& path, PageResult& result);

// The region cut to the page; false when it lies outside the page.
bool ClipRegion(const platform::Bitmap& page, core::Box& region);

}  // namespace app
