// hOCR output (see HocrOutput.h). Ids are unique in the document: page_N,
// block_N_B, par_N_P and line_N_L count pages, and regions, paragraphs and
// lines of the page from 1; word_N_L_W counts the characters of the line.
// Regions and paragraphs without characters are left out. A space of the
// recognised text between two characters is kept as a space between their
// elements.
#include "app/HocrOutput.h"

#include "app/PageOutput.h"
#include "app/ProgramInfo.h"

namespace app {

namespace {

// "bbox l t r b" with exclusive right and bottom edges.
std::string Bbox(const core::Box& box) {
  return "bbox " + std::to_string(box.Left) + " " + std::to_string(box.Top) + " " +
         std::to_string(box.Right + 1) + " " + std::to_string(box.Bottom + 1);
}

// A file name inside a quoted hOCR property value: backslashes and double
// quotes escaped with a backslash.
std::string QuotedValue(const std::string& text) {
  std::string quoted;
  for (char c : text) {
    if (c == '"' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted;
}

// The physical resolution in dots per inch, or 0 when unknown.
int32_t Dpi(int32_t pelsPerMeter) {
  constexpr double kInchesPerMeter = 39.3701;
  return static_cast<int32_t>(pelsPerMeter / kInchesPerMeter + 0.5);
}

}  // namespace

std::string HocrBegin(const std::string& title) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\n"
         "    \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"zh-CN\" lang=\"zh-CN\">\n"
         " <head>\n"
         "  <title>" +
         XmlText(title) +
         "</title>\n"
         "  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=utf-8\"/>\n"
         "  <meta name=\"ocr-system\" content=\"" +
         XmlText(SoftwareName()) + " " + XmlText(SoftwareVersion()) +
         "\"/>\n"
         "  <meta name=\"ocr-capabilities\" content=\"ocr_page ocr_carea ocr_par ocr_line ocrx_word\"/>\n"
         " </head>\n"
         " <body>\n";
}

std::string HocrPage(const PageResult& page, int32_t number) {
  const std::string pageId = std::to_string(number);
  std::string title = "image &quot;" + XmlText(QuotedValue(page.Image)) + "&quot;; " +
                      Bbox(core::Box{0, page.Width - 1, 0, page.Height - 1}) + "; ppageno " +
                      std::to_string(number - 1);
  if (page.XPelsPerMeter > 0 && page.YPelsPerMeter > 0)
    title += "; scan_res " + std::to_string(Dpi(page.XPelsPerMeter)) + " " +
             std::to_string(Dpi(page.YPelsPerMeter));
  std::string html = "  <div class=\"ocr_page\" id=\"page_" + pageId + "\" title=\"" + title + "\">\n";
  int32_t blockNumber = 0, paragraphNumber = 0, lineNumber = 0;
  for (const LineRun region : LineRuns(page, LineRun{0, page.Lines.size()}, LineGroup::Region)) {
    core::Box regionBox;
    if (!TextBox(page, region, regionBox)) continue;
    html += "   <div class=\"ocr_carea\" id=\"block_" + pageId + "_" + std::to_string(++blockNumber) +
            "\" title=\"" + Bbox(regionBox) + "\">\n";
    for (const LineRun paragraph : LineRuns(page, region, LineGroup::Paragraph)) {
      core::Box paragraphBox;
      if (!TextBox(page, paragraph, paragraphBox)) continue;
      html += "    <p class=\"ocr_par\" id=\"par_" + pageId + "_" + std::to_string(++paragraphNumber) +
              "\" title=\"" + Bbox(paragraphBox) + "\">\n";
      for (size_t i = paragraph.First; i < paragraph.End; ++i) {
        const LineResult& line = page.Lines[i];
        if (!ShowsText(line)) continue;
        const std::string lineId = pageId + "_" + std::to_string(++lineNumber);
        html += "     <span class=\"ocr_line\" id=\"line_" + lineId + "\" title=\"" + Bbox(line.Box) + "\">";
        int32_t wordNumber = 0;
        for (const BlockResult& block : line.Blocks) {
          if (block.Text.empty()) continue;
          if (wordNumber > 0 && block.SpacesBefore > 0) html += " ";
          html += "<span class=\"ocrx_word\" id=\"word_" + lineId + "_" + std::to_string(++wordNumber) +
                  "\" title=\"" + Bbox(block.Box) + "; x_wconf " + std::to_string(BlockConfidence(block)) +
                  "\">" + XmlText(block.Text) + "</span>";
        }
        html += "</span>\n";
      }
      html += "    </p>\n";
    }
    html += "   </div>\n";
  }
  html += "  </div>\n";
  return html;
}

std::string HocrEnd() {
  return " </body>\n</html>\n";
}

}  // namespace app
