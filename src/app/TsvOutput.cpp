// TSV output (see TsvOutput.h). Character texts never hold tabs or line
// breaks; anything else is written as it is.
#include "app/TsvOutput.h"

#include "app/PageOutput.h"

namespace app {

namespace {

enum Level { kPageLevel = 1, kBlockLevel = 2, kParagraphLevel = 3, kLineLevel = 4, kCharLevel = 5 };
constexpr int32_t kNoConfidence = -1;

struct RowNumbers {
  int32_t Page = 0, Block = 0, Paragraph = 0, Line = 0, Word = 0;
};

std::string Row(Level level, const RowNumbers& n, const core::Box& box, int32_t confidence,
                const std::string& text) {
  std::string row;
  for (int32_t value : {static_cast<int32_t>(level), n.Page, n.Block, n.Paragraph, n.Line, n.Word, box.Left,
                        box.Top, box.Right - box.Left + 1, box.Bottom - box.Top + 1, confidence}) {
    row += std::to_string(value);
    row.push_back('\t');
  }
  return row + text + "\n";
}

}  // namespace

std::string TsvHeader() {
  return "level\tpage_num\tblock_num\tpar_num\tline_num\tword_num\tleft\ttop\twidth\theight\tconf\ttext\n";
}

std::string TsvPage(const PageResult& page, int32_t number) {
  RowNumbers n;
  n.Page = number;
  std::string rows = Row(kPageLevel, n, core::Box{0, page.Width - 1, 0, page.Height - 1}, kNoConfidence, "");
  for (const LineRun region : LineRuns(page, LineRun{0, page.Lines.size()}, LineGroup::Region)) {
    core::Box regionBox;
    if (!TextBox(page, region, regionBox)) continue;
    ++n.Block;
    n.Paragraph = n.Line = 0;
    rows += Row(kBlockLevel, n, regionBox, kNoConfidence, "");
    for (const LineRun paragraph : LineRuns(page, region, LineGroup::Paragraph)) {
      core::Box paragraphBox;
      if (!TextBox(page, paragraph, paragraphBox)) continue;
      ++n.Paragraph;
      n.Line = 0;
      rows += Row(kParagraphLevel, n, paragraphBox, kNoConfidence, "");
      for (size_t i = paragraph.First; i < paragraph.End; ++i) {
        const LineResult& line = page.Lines[i];
        if (!ShowsText(line)) continue;
        ++n.Line;
        rows += Row(kLineLevel, n, line.Box, kNoConfidence, "");
        RowNumbers c = n;
        for (const BlockResult& block : line.Blocks) {
          if (block.Text.empty()) continue;
          ++c.Word;
          rows += Row(kCharLevel, c, block.Box, BlockConfidence(block), block.Text);
        }
      }
    }
  }
  return rows;
}

}  // namespace app
