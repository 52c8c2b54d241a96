// Writing a recognised page out: the pane's text in UTF-8 or GBK with its
// paragraphs, or one line of JSON with the regions, lines, boxes and
// candidates of the run (and the feature words when asked); the text
// helpers the other outputs share; and where output files go.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/Recognition.h"

namespace app {

enum class TextEncoding { Utf8, Gbk };

// The pane's lines, each followed by '\n', in the chosen encoding, with an
// empty line before each line that begins a paragraph (but the first).
std::string PageText(const PageResult& result, TextEncoding encoding);

enum class JsonFeatures { Omit, Include };
// One JSON object on one line (ending in '\n'): the page, its mean accuracy,
// its regions, and its lines with their region, paragraph, box and blocks.
std::string PageJson(const PageResult& result, JsonFeatures features = JsonFeatures::Omit);

// The mean accuracy of the blocks that show a character; none when no block
// does.
std::optional<double> MeanAccuracy(const PageResult& result);
// The block's accuracy as the confidence in per cent that other OCR formats
// carry: a character known for certain scores 100, a block without
// candidates 0.
int32_t BlockConfidence(const BlockResult& block);

// The lines [First, End) of a page that share a region or a paragraph.
struct LineRun {
  size_t First = 0, End = 0;
};
enum class LineGroup { Region, Paragraph };
// The runs of lines [first, end) of the page, in order, that share a region
// (or a paragraph).
std::vector<LineRun> LineRuns(const PageResult& page, LineRun lines, LineGroup group);
// Whether a block of the line shows a character.
bool ShowsText(const LineResult& line);
// The box around those lines of the run that show a character; false when
// none does.
bool TextBox(const PageResult& page, LineRun lines, core::Box& box);

// A JSON string literal of UTF-8 text; bytes that are not valid UTF-8
// become U+FFFD.
std::string JsonString(const std::string& utf8);
// UTF-8 text for XML character data and attribute values: markup characters
// escaped, control characters and bytes that are not valid UTF-8 replaced
// by U+FFFD.
std::string XmlText(const std::string& utf8);
// The UTF-8 text of a character code (lead byte first; one byte for ASCII).
std::string CodeToUtf8(core::CharCode code);

// DIR/<file name of image without extension><extension>.
std::string OutputPath(const std::string& dir, const std::string& image, const std::string& extension);

}  // namespace app
