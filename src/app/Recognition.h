// One recognition of a prepared page without a document window: the run
// through the document's FenXi with a headless result pane, timed, and what
// a front end needs to write the result out, copied out of the engine so
// that it outlives the next run and can travel between processes. A page
// set in columns is read region by region, and its lines are grouped into
// regions and paragraphs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/RecognitionRun.h"
#include "platform/Bitmap.h"

namespace app {

struct Candidate {
  core::CharCode Code = 0;
  int32_t Score = 0;
};

// One character block of a line, with the text the pane shows for it.
struct BlockResult {
  std::string Text;          // UTF-8; empty when the block shows no character
  int32_t SpacesBefore = 0;  // spaces the pane puts between it and the block before
  core::Box Box;
  uint8_t CutSides = 0;
  std::vector<Candidate> Candidates;  // best first; Candidates[0].Score is the accuracy
  std::array<int32_t, core::kFeatureWords> Features{};
};

struct LineResult {
  std::string Text;  // UTF-8, as the pane shows the line
  int32_t Indent = 0;
  core::Box Box;  // all blocks of the line
  // The region (an index into PageResult::Regions) and the paragraph the
  // line belongs to, both counted from 0 on the page.
  int32_t Region = 0;
  int32_t Paragraph = 0;
  std::vector<BlockResult> Blocks;
};

struct PageResult {
  std::string Image;       // the file name as given (UTF-8)
  int32_t PageNumber = 1;  // the page within its file, from 1
  int32_t Width = 0, Height = 0;
  int32_t XPelsPerMeter = 0, YPelsPerMeter = 0;  // 0: not known
  double Seconds = 0;                            // the recognition alone
  std::vector<std::string> PaneLines;            // GBK, as the run wrote them
  std::vector<LineResult> Lines;
  // The text regions in reading order, each the extent of its lines;
  // filled by RecogniseRegions.
  std::vector<core::Box> Regions;
  // The monochrome page as recognised, for outputs that show it; empty
  // unless the caller keeps it there.
  platform::Bitmap Page;
  int32_t TaughtRecords = 0;  // ground-truth records taught (set for every outcome)
};

// Recognises `region` of the monochrome page (all zero: the whole page);
// `path` is the page's file name (its ground-truth files sit beside it).
// The blocks of the run stay in engine::PageLines until the next run.
// `result` is filled when the outcome is Done; its TaughtRecords always.
engine::RunOutcome RecognisePage(platform::Bitmap& page, const core::Box& region, const std::string& path,
                                 PageResult& result);

// Recognises the regions of the page one after another, in the order given
// (none: the whole page as one region), and gives the result the lines of
// them all in that order, the regions that have lines, and each line's
// region and paragraph. engine::PageLines keeps the lines of the last run
// only. Stops at the first run that does not end Done.
engine::RunOutcome RecogniseRegions(platform::Bitmap& page, const std::vector<core::Box>& regions,
                                    const std::string& path, PageResult& result);

// The region cut to the page; false when it lies outside the page.
bool ClipRegion(const platform::Bitmap& page, core::Box& region);

}  // namespace app
