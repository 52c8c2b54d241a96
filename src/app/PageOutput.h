// Writing a recognised page out: the pane's text in UTF-8 or GBK, or one
// line of JSON with the lines, boxes and candidates of the run (and the
// feature words when asked); the text helpers the other outputs share; and
// where output files go.
#pragma once

#include <optional>
#include <string>

#include "app/Recognition.h"

namespace app {

enum class TextEncoding { Utf8, Gbk };

// The pane's lines, each followed by '\n', in the chosen encoding.
std::string PageText(const PageResult& result, TextEncoding encoding);

enum class JsonFeatures { Omit, Include };
// One JSON object on one line (ending in '\n'): the page, its mean accuracy,
// and its lines with their boxes and blocks.
std::string PageJson(const PageResult& result, JsonFeatures features = JsonFeatures::Omit);

// The mean accuracy of the blocks that show a character; none when no block
// does.
std::optional<double> MeanAccuracy(const PageResult& result);
// The block's accuracy as the confidence in per cent that other OCR formats
// carry: a character known for certain scores 100, a block without
// candidates 0.
int32_t BlockConfidence(const BlockResult& block);

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
