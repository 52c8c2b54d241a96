// One recognition of a prepared page (see Recognition.h).
#include "app/Recognition.h"

#include <algorithm>
#include <chrono>

#include "app/PageLayoutAnalysis.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "platform/UiHooks.h"

namespace app {

engine::RunOutcome RecognisePage(platform::Bitmap& page, const core::Box& region, const std::string& path,
                                 PageResult& result) {
  platform::HeadlessPane pane;
  core::CharMapList charMap;
  engine::RecognitionDocument document;
  document.PageBitmap = &page;
  document.SelectionBox = region;
  document.CharMap = &charMap;
  document.Pane = &pane;
  document.FileName = path;
  engine::StopRequested = false;
  const auto start = std::chrono::steady_clock::now();
  const engine::RunOutcome outcome = engine::FenXi(document);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (outcome != engine::RunOutcome::Done) return outcome;
  result.Image = path;
  result.Width = page.Width();
  result.Height = page.Height();
  result.Seconds = elapsed.count();
  result.PaneLines = pane.Lines();
  return outcome;
}

namespace {

// The box around the characters of a line.
core::Box LineBox(const core::BlockList& line) {
  core::Box box = core::BoxOf(*line.front());
  for (const core::CharBlock* block : line) engine::UnionBox(box, core::BoxOf(*block));
  return box;
}

// The lines of the regions read so far, handed back to the engine's lists
// whatever happens, so that the next run releases them.
struct GatheredLines {
  std::vector<core::BlockList*> Lines;
  std::vector<int32_t> Indents;

  void TakeFromEngine() {
    Lines.insert(Lines.end(), engine::PageLines.begin(), engine::PageLines.end());
    Indents.insert(Indents.end(), engine::LineIndents.begin(), engine::LineIndents.end());
    engine::PageLines.clear();
    engine::LineIndents.clear();
  }
  ~GatheredLines() {
    engine::PageLines.insert(engine::PageLines.begin(), Lines.begin(), Lines.end());
    engine::LineIndents.insert(engine::LineIndents.begin(), Indents.begin(), Indents.end());
  }
};

// Records the region made of lines [first, end) of `lines` with the
// paragraph starts of its lines; a region without lines is left out.
void AddRegion(const std::vector<core::BlockList*>& lines, size_t first, size_t end, PageResult& result) {
  result.ParagraphStarts.resize(lines.size(), false);
  if (first == end) return;
  std::vector<core::Box> boxes;
  for (size_t i = first; i < end; ++i) {
    // The run emits no empty line; a region with one would have no box to judge.
    if (lines[i]->empty()) return;
    boxes.push_back(LineBox(*lines[i]));
  }
  TextRegion region{boxes.front(), first, boxes.size()};
  for (const core::Box& box : boxes) engine::UnionBox(region.Box, box);
  result.Regions.push_back(region);
  const std::vector<bool> starts = ParagraphStarts(boxes);
  std::copy(starts.begin(), starts.end(), result.ParagraphStarts.begin() + static_cast<std::ptrdiff_t>(first));
}

}  // namespace

engine::RunOutcome RecogniseRegions(platform::Bitmap& page, const std::vector<core::Box>& regions,
                                    const std::string& path, PageResult& result) {
  if (regions.empty()) {
    const engine::RunOutcome outcome = RecognisePage(page, core::Box{}, path, result);
    if (outcome == engine::RunOutcome::Done) AddRegion(engine::PageLines, 0, engine::PageLines.size(), result);
    return outcome;
  }
  PageResult whole;
  whole.Image = path;
  whole.Page = result.Page;
  whole.Width = page.Width();
  whole.Height = page.Height();
  std::vector<std::pair<size_t, size_t>> spans;  // the lines [first, end) of each region
  {
    GatheredLines gathered;
    for (const core::Box& region : regions) {
      PageResult part;
      const engine::RunOutcome outcome = RecognisePage(page, region, path, part);
      if (outcome != engine::RunOutcome::Done) return outcome;
      const size_t first = gathered.Lines.size();
      gathered.TakeFromEngine();
      spans.emplace_back(first, gathered.Lines.size());
      whole.PaneLines.insert(whole.PaneLines.end(), part.PaneLines.begin(), part.PaneLines.end());
      whole.Seconds += part.Seconds;
    }
  }
  // Each region's paragraphs are judged among its own lines.
  for (const auto& [first, end] : spans) AddRegion(engine::PageLines, first, end, whole);
  result = std::move(whole);
  return engine::RunOutcome::Done;
}

bool ClipRegion(const platform::Bitmap& page, core::Box& region) {
  if (region.Left == 0 && region.Right == 0 && region.Top == 0 && region.Bottom == 0) return true;
  if (region.Left >= page.Width() || region.Top >= page.Height()) return false;
  region.Right = std::min(region.Right, page.Width() - 1);
  region.Bottom = std::min(region.Bottom, page.Height() - 1);
  return true;
}

}  // namespace app
