// Output of a recognised page. The JSON is written by hand: numbers as decimal
// integers (seconds with six decimals), strings escaped for quotes,
// backslashes and control characters, and anything that is not valid UTF-8
// replaced, so that every line is one valid JSON object.
#include "app/PageOutput.h"

#include <cstdio>
#include <filesystem>

#include "engine/EngineState.h"
#include "platform/Encoding.h"

namespace app {

namespace {

// Text of a line from the first candidates of its blocks.
std::string BlocksText(const core::BlockList& line) {
  std::string text;
  for (const core::CharBlock* block : line) text += CodeToUtf8(block->Codes[0]);
  return text;
}

// [left, top, right, bottom]
std::string BoxJson(const core::Box& box) {
  return "[" + std::to_string(box.Left) + "," + std::to_string(box.Top) + "," + std::to_string(box.Right) + "," +
         std::to_string(box.Bottom) + "]";
}

void AppendBlock(std::string& json, const core::CharBlock& block) {
  json += "{\"box\":" + BoxJson(core::BoxOf(block));
  json += ",\"cut_sides\":" + std::to_string(block.CutSides);
  json += ",\"candidates\":[";
  for (int32_t k = 0; k < core::kMaxCandidates && block.Codes[k] != 0; ++k) {
    if (k > 0) json += ",";
    json += "{\"char\":" + JsonString(CodeToUtf8(block.Codes[k])) +
            ",\"score\":" + std::to_string(block.Scores[k]) + "}";
  }
  json += "],\"features\":[";
  for (int32_t i = 0; i < core::kFeatureWords; ++i) {
    if (i > 0) json += ",";
    json += std::to_string(block.Features[i]);
  }
  json += "]}";
}

}  // namespace

std::string CodeToUtf8(core::CharCode code) {
  return platform::GbkToUtf8(core::CodeBytes(code));
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    const size_t length = platform::Utf8SequenceLength(utf8, i);
    if (length == 0) {
      out += platform::EncodeUtf8(platform::kReplacementCharacter);
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.append(utf8, i, length);
    }
    i += length;
  }
  out.push_back('"');
  return out;
}

std::string PageText(const PageResult& result, TextEncoding encoding) {
  // A blank line parts paragraphs where the pane holds one line per line found.
  const bool paragraphs = result.ParagraphStarts.size() == result.PaneLines.size();
  std::string text;
  for (size_t i = 0; i < result.PaneLines.size(); ++i) {
    if (paragraphs && i > 0 && result.ParagraphStarts[i]) text.push_back('\n');
    const std::string& line = result.PaneLines[i];
    text += encoding == TextEncoding::Gbk ? line : platform::GbkToUtf8(line);
    text.push_back('\n');
  }
  return text;
}

std::string PageJson(const PageResult& result) {
  std::string json = "{\"image\":" + JsonString(result.Image) + ",\"page\":" + std::to_string(result.Page);
  json += ",\"width\":" + std::to_string(result.Width) + ",\"height\":" + std::to_string(result.Height);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.6f", result.Seconds);
  json += std::string(",\"seconds\":") + seconds + ",\"regions\":[";
  std::vector<size_t> regionOf(engine::PageLines.size(), 0), paragraphOf(engine::PageLines.size(), 0);
  for (size_t r = 0; r < result.Regions.size(); ++r) {
    const TextRegion& region = result.Regions[r];
    if (r > 0) json += ",";
    json += "{\"box\":" + BoxJson(region.Box) + "}";
    for (size_t i = region.FirstLine; i < region.FirstLine + region.LineCount && i < regionOf.size(); ++i)
      regionOf[i] = r;
  }
  for (size_t i = 1, paragraph = 0; i < paragraphOf.size(); ++i) {
    if (i < result.ParagraphStarts.size() && result.ParagraphStarts[i]) ++paragraph;
    paragraphOf[i] = paragraph;
  }
  json += "],\"lines\":[";
  // The pane holds one line per emitted line, except in learning mode, where
  // index rulers sit between them; then the text comes from the blocks.
  const bool paneMatches = result.PaneLines.size() == engine::PageLines.size();
  for (size_t i = 0; i < engine::PageLines.size(); ++i) {
    const core::BlockList& line = *engine::PageLines[i];
    if (i > 0) json += ",";
    const std::string text = paneMatches ? platform::GbkToUtf8(result.PaneLines[i]) : BlocksText(line);
    const int32_t indent = i < engine::LineIndents.size() ? engine::LineIndents[i] : 0;
    json += "{\"text\":" + JsonString(text) + ",\"indent\":" + std::to_string(indent) +
            ",\"region\":" + std::to_string(regionOf[i]) + ",\"paragraph\":" + std::to_string(paragraphOf[i]) +
            ",\"blocks\":[";
    for (size_t b = 0; b < line.size(); ++b) {
      if (b > 0) json += ",";
      AppendBlock(json, *line[b]);
    }
    json += "]}";
  }
  json += "]}\n";
  return json;
}

std::string OutputPath(const std::string& dir, const std::string& image, const std::string& extension) {
  return (std::filesystem::path(dir) / std::filesystem::path(image).stem()).string() + extension;
}

}  // namespace app
