// One recognition of a prepared page (see Recognition.h).
#include "app/Recognition.h"

#include <algorithm>
#include <chrono>

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
  result.TaughtRecords = document.TaughtRecords;
  if (outcome != engine::RunOutcome::Done) return outcome;
  result.Image = path;
  result.Width = page.Width();
  result.Height = page.Height();
  result.Seconds = elapsed.count();
  result.PaneLines = pane.Lines();
  return outcome;
}

bool ClipRegion(const platform::Bitmap& page, core::Box& region) {
  if (region.Left == 0 && region.Right == 0 && region.Top == 0 && region.Bottom == 0) return true;
  if (region.Left >= page.Width() || region.Top >= page.Height()) return false;
  region.Right = std::min(region.Right, page.Width() - 1);
  region.Bottom = std::min(region.Bottom, page.Height() - 1);
  return true;
}

}  // namespace app
