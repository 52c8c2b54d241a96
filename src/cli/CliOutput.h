// What pellarocr-cli writes for a recognised page: the pane's text in UTF-8
// or GBK, or one line of JSON with the lines, boxes, candidates and feature
// words of the run, and the writing of output files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace cli {

struct PageResult {
  std::string Image;  // the file name as given (UTF-8)
  int32_t Width = 0, Height = 0;
  double Seconds = 0;                  // the recognition alone
  std::vector<std::string> PaneLines;  // GBK, as the run wrote them
};

// The pane's lines, each followed by '\n', in the chosen encoding.
std::string PageText(const PageResult& result, TextEncoding encoding);
// One JSON object on one line (ending in '\n'), with the lines of the last
// run from engine::PageLines and engine::LineIndents.
std::string PageJson(const PageResult& result);

// A JSON string literal of UTF-8 text; bytes that are not valid UTF-8
// become U+FFFD.
std::string JsonString(const std::string& utf8);
// The UTF-8 text of a character code (lead byte first; one byte for ASCII).
std::string CodeToUtf8(uint16_t code);

// DIR/<file name of image without extension><extension>.
std::string OutputPath(const std::string& dir, const std::string& image, const std::string& extension);
// Writes through a temporary file beside `path` renamed over it at the end.
bool WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace cli
