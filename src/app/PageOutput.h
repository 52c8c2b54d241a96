// Writing a recognised page out: the pane's text in UTF-8 or GBK, or one
// line of JSON with the lines, boxes, candidates and feature words of the
// run; and where output files go.
#pragma once

#include <string>

#include "app/Recognition.h"

namespace app {

enum class TextEncoding { Utf8, Gbk };

// The pane's lines, each followed by '\n', in the chosen encoding, with an
// empty line before each line that begins a paragraph (but the first).
std::string PageText(const PageResult& result, TextEncoding encoding);
// One JSON object on one line (ending in '\n'): the page, its regions, and
// the lines of the last run from engine::PageLines and engine::LineIndents,
// each with its region and paragraph (numbered from 0 on the page).
std::string PageJson(const PageResult& result);

// A JSON string literal of UTF-8 text; bytes that are not valid UTF-8
// become U+FFFD.
std::string JsonString(const std::string& utf8);
// The UTF-8 text of a character code (lead byte first; one byte for ASCII).
std::string CodeToUtf8(core::CharCode code);

// DIR/<file name of image without extension><extension>.
std::string OutputPath(const std::string& dir, const std::string& image, const std::string& extension);

}  // namespace app
