// ALTO output (see AltoOutput.h). Positions are HPOS/VPOS of the top left
// pixel and WIDTH/HEIGHT in pixels; ids count pages, and blocks and lines
// of the page, and strings of the line from 1, and are unique in the
// document. Regions without characters are left out.
#include "app/AltoOutput.h"

#include <algorithm>
#include <cstdio>

#include "app/PageOutput.h"
#include "app/ProgramInfo.h"

namespace app {

namespace {

std::string Position(const core::Box& box) {
  return "HPOS=\"" + std::to_string(box.Left) + "\" VPOS=\"" + std::to_string(box.Top) + "\" WIDTH=\"" +
         std::to_string(box.Right - box.Left + 1) + "\" HEIGHT=\"" +
         std::to_string(box.Bottom - box.Top + 1) + "\"";
}

std::string WordConfidence(const BlockResult& block) {
  const int32_t percent = BlockConfidence(block);
  char text[8];
  std::snprintf(text, sizeof text, "%.2f", percent / 100.0);
  return text;
}

// The space between two blocks of a line.
std::string Space(const core::Box& before, const core::Box& after) {
  const int32_t left = before.Right + 1;
  const int32_t width = std::max(after.Left - left, 0);
  return "<SP WIDTH=\"" + std::to_string(width) + "\" HPOS=\"" + std::to_string(left) + "\" VPOS=\"" +
         std::to_string(std::min(before.Top, after.Top)) + "\"/>";
}

}  // namespace

std::string AltoBegin(const std::string& sourceImage) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\"\n"
         "      xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
         "      xsi:schemaLocation=\"http://www.loc.gov/standards/alto/ns-v4# "
         "http://www.loc.gov/alto/v4/alto-4-2.xsd\">\n"
         "  <Description>\n"
         "    <MeasurementUnit>pixel</MeasurementUnit>\n"
         "    <sourceImageInformation>\n"
         "      <fileName>" +
         XmlText(sourceImage) +
         "</fileName>\n"
         "    </sourceImageInformation>\n"
         "    <OCRProcessing ID=\"OCR_0\">\n"
         "      <ocrProcessingStep>\n"
         "        <processingSoftware>\n"
         "          <softwareName>" +
         XmlText(SoftwareName()) +
         "</softwareName>\n"
         "          <softwareVersion>" +
         XmlText(SoftwareVersion()) +
         "</softwareVersion>\n"
         "        </processingSoftware>\n"
         "      </ocrProcessingStep>\n"
         "    </OCRProcessing>\n"
         "  </Description>\n"
         "  <Layout>\n";
}

std::string AltoPage(const PageResult& page, int32_t number) {
  const std::string pageId = std::to_string(number);
  const core::Box whole{0, page.Width - 1, 0, page.Height - 1};
  std::string xml = "    <Page ID=\"page_" + pageId + "\" PHYSICAL_IMG_NR=\"" + pageId + "\" WIDTH=\"" +
                    std::to_string(page.Width) + "\" HEIGHT=\"" + std::to_string(page.Height) + "\">\n" +
                    "      <PrintSpace " + Position(whole) + ">\n";
  int32_t blockNumber = 0, lineNumber = 0;
  for (const LineRun region : LineRuns(page, LineRun{0, page.Lines.size()}, LineGroup::Region)) {
    core::Box regionBox;
    if (!TextBox(page, region, regionBox)) continue;
    xml += "        <TextBlock ID=\"block_" + pageId + "_" + std::to_string(++blockNumber) + "\" " +
           Position(regionBox) + ">\n";
    for (size_t i = region.First; i < region.End; ++i) {
      const LineResult& line = page.Lines[i];
      if (!ShowsText(line)) continue;
      const std::string lineId = pageId + "_" + std::to_string(++lineNumber);
      xml += "          <TextLine ID=\"line_" + lineId + "\" " + Position(line.Box) + ">";
      int32_t stringNumber = 0;
      const BlockResult* previous = nullptr;
      for (const BlockResult& block : line.Blocks) {
        if (block.Text.empty()) continue;
        if (previous != nullptr && block.SpacesBefore > 0) xml += Space(previous->Box, block.Box);
        xml += "<String ID=\"string_" + lineId + "_" + std::to_string(++stringNumber) + "\" " +
               Position(block.Box) + " CONTENT=\"" + XmlText(block.Text) + "\" WC=\"" + WordConfidence(block) +
               "\"/>";
        previous = &block;
      }
      xml += "</TextLine>\n";
    }
    xml += "        </TextBlock>\n";
  }
  xml += "      </PrintSpace>\n    </Page>\n";
  return xml;
}

std::string AltoEnd() {
  return "  </Layout>\n</alto>\n";
}

}  // namespace app
