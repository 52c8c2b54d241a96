// One recognition of a prepared page (see Recognition.h). After the run the
// lines are copied out of engine::PageLines. The text of each block is taken
// from the pane through the character map, which has one entry per character
// of the pane (the block shown there, or none for a space) and one more at
// each line end; so the text of the copied lines is exactly the pane's. In
// learning mode the pane also holds index rulers that the map does not
// cover; then a block's text is its first candidate.
#include "app/Recognition.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "app/PageLayoutAnalysis.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "platform/Encoding.h"
#include "platform/UiHooks.h"

namespace app {

namespace {

constexpr uint8_t kDoubleByteStart = 0x80;

BlockResult CopyBlock(const core::CharBlock& block) {
  BlockResult copy;
  copy.Box = core::BoxOf(block);
  copy.CutSides = block.CutSides;
  for (int32_t k = 0; k < core::kMaxCandidates && block.Codes[k] != 0; ++k)
    copy.Candidates.push_back(Candidate{block.Codes[k], block.Scores[k]});
  std::copy_n(block.Features, core::kFeatureWords, copy.Features.begin());
  return copy;
}

core::Box LineBox(const core::BlockList& blocks) {
  core::Box box = core::BoxOf(*blocks.front());
  for (const core::CharBlock* block : blocks) engine::UnionBox(box, core::BoxOf(*block));
  return box;
}

// Positions in the pane: its characters, and one for each line end.
size_t PanePositions(const std::vector<std::string>& paneLines) {
  size_t positions = 0;
  for (const std::string& line : paneLines) positions += platform::GbkCharCount(line) + 1;
  return positions;
}

// Gives the blocks of `line` the characters the pane shows for them, walking
// the pane line from map position `position` on (left at the next line).
void TakeTextFromPane(const std::string& paneLine, const core::BlockList& blocks,
                      const core::CharMapList& charMap, size_t& position, LineResult& line) {
  std::unordered_map<const core::CharBlock*, size_t> indexOf;
  for (size_t b = 0; b < blocks.size(); ++b) indexOf[blocks[b]] = b;
  std::string gbk;  // the characters of the block being read
  const core::CharBlock* current = nullptr;
  int32_t spaces = 0;
  auto flush = [&] {
    if (current == nullptr) return;
    if (const auto found = indexOf.find(current); found != indexOf.end()) {
      line.Blocks[found->second].Text += platform::GbkToUtf8(gbk);
    }
    gbk.clear();
    current = nullptr;
  };
  for (size_t i = 0; i < paneLine.size(); ++i) {
    const size_t length = static_cast<uint8_t>(paneLine[i]) >= kDoubleByteStart ? 2 : 1;
    const core::CharBlock* block = charMap[position++];
    if (block != current) flush();
    if (block == nullptr) {
      ++spaces;
    } else {
      if (current == nullptr) {
        if (const auto found = indexOf.find(block); found != indexOf.end())
          line.Blocks[found->second].SpacesBefore = spaces;
        spaces = 0;
      }
      current = block;
      gbk.append(paneLine, i, length);
    }
    i += length - 1;
  }
  flush();
  ++position;  // the line end
}

std::vector<LineResult> CopyLines(const std::vector<std::string>& paneLines,
                                  const core::CharMapList& charMap) {
  const bool paneMatches =
      paneLines.size() == engine::PageLines.size() && PanePositions(paneLines) == charMap.size();
  std::vector<LineResult> lines;
  size_t position = 0;
  for (size_t i = 0; i < engine::PageLines.size(); ++i) {
    const core::BlockList& blocks = *engine::PageLines[i];
    LineResult line;
    line.Indent = i < engine::LineIndents.size() ? engine::LineIndents[i] : 0;
    if (!blocks.empty()) line.Box = LineBox(blocks);
    for (const core::CharBlock* block : blocks) line.Blocks.push_back(CopyBlock(*block));
    if (paneMatches) {
      TakeTextFromPane(paneLines[i], blocks, charMap, position, line);
      line.Text = platform::GbkToUtf8(paneLines[i]);
    } else {
      for (BlockResult& block : line.Blocks) {
        if (!block.Candidates.empty())
          block.Text = platform::GbkToUtf8(core::CodeBytes(block.Candidates[0].Code));
        line.Text += block.Text;
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

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
  result.XPelsPerMeter = page.XPelsPerMeter;
  result.YPelsPerMeter = page.YPelsPerMeter;
  result.Seconds = elapsed.count();
  result.PaneLines = pane.Lines();
  result.Lines = CopyLines(result.PaneLines, charMap);
  return outcome;
}

namespace {

// Gives lines [first, end) of the result, the lines of one region, that
// region and their paragraphs, judged among the region's own lines; the
// region's first line begins a paragraph. A region without lines is left
// out.
void AddRegion(size_t first, size_t end, PageResult& result) {
  if (first == end) return;
  std::vector<core::Box> boxes;
  for (size_t i = first; i < end; ++i) boxes.push_back(result.Lines[i].Box);
  core::Box extent = boxes.front();
  for (const core::Box& box : boxes) engine::UnionBox(extent, box);
  const auto region = static_cast<int32_t>(result.Regions.size());
  result.Regions.push_back(extent);
  const std::vector<bool> starts = ParagraphStarts(boxes);
  int32_t paragraph = first == 0 ? -1 : result.Lines[first - 1].Paragraph;
  for (size_t i = first; i < end; ++i) {
    if (starts[i - first]) ++paragraph;
    result.Lines[i].Region = region;
    result.Lines[i].Paragraph = paragraph;
  }
}

}  // namespace

engine::RunOutcome RecogniseRegions(platform::Bitmap& page, const std::vector<core::Box>& regions,
                                    const std::string& path, PageResult& result) {
  const std::vector<core::Box> wholePage(1, core::Box{});
  PageResult read;
  bool first = true;
  for (const core::Box& region : regions.empty() ? wholePage : regions) {
    PageResult part;
    const engine::RunOutcome outcome = RecognisePage(page, region, path, part);
    if (outcome != engine::RunOutcome::Done) {
      result.TaughtRecords = part.TaughtRecords;
      return outcome;
    }
    const size_t firstLine = read.Lines.size();
    if (first) {
      read = std::move(part);  // the page's own fields come with the first region
      first = false;
    } else {
      read.PaneLines.insert(read.PaneLines.end(), part.PaneLines.begin(), part.PaneLines.end());
      read.Lines.insert(read.Lines.end(), std::make_move_iterator(part.Lines.begin()),
                        std::make_move_iterator(part.Lines.end()));
      read.Seconds += part.Seconds;
    }
    AddRegion(firstLine, read.Lines.size(), read);
  }
  result = std::move(read);
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
