// Output of a recognised page. The JSON is written by hand: numbers as decimal
// integers (seconds with six decimals, the mean accuracy with one), strings
// escaped for quotes, backslashes and control characters, and anything that
// is not valid UTF-8 replaced, so that every line is one valid JSON object.
#include "app/PageOutput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/ResultList.h"
#include "platform/Encoding.h"

namespace app {

namespace {

constexpr int32_t kFullConfidence = 100;

std::string JsonBox(const core::Box& box) {
  std::string json(1, '[');
  for (int32_t value : {box.Left, box.Top, box.Right, box.Bottom}) json += std::to_string(value) + ",";
  json.back() = ']';
  return json;
}

void AppendBlock(std::string& json, const BlockResult& block, JsonFeatures features) {
  json += "{\"box\":" + JsonBox(block.Box);
  json += ",\"cut_sides\":" + std::to_string(block.CutSides);
  json += ",\"candidates\":[";
  for (size_t k = 0; k < block.Candidates.size(); ++k) {
    if (k > 0) json += ",";
    json += "{\"char\":" + JsonString(CodeToUtf8(block.Candidates[k].Code)) +
            ",\"score\":" + std::to_string(block.Candidates[k].Score) + "}";
  }
  json += "]";
  if (features == JsonFeatures::Include) {
    json += ",\"features\":[";
    for (size_t i = 0; i < block.Features.size(); ++i) {
      if (i > 0) json += ",";
      json += std::to_string(block.Features[i]);
    }
    json += "]";
  }
  json += "}";
}

// Replaces the invalid sequence or control character at text[i] and says how
// many bytes it took; 0 when text[i] starts a character to keep.
size_t UnwantedBytes(const std::string& text, size_t i) {
  const size_t length = platform::Utf8SequenceLength(text, i);
  if (length == 0) return 1;
  const auto c = static_cast<uint8_t>(text[i]);
  const bool control = (c < 0x20 && c != '\n' && c != '\t' && c != '\r') || c == 0x7F;
  return control ? 1 : 0;
}

// Whether line `index` of the page begins a paragraph other than the first.
bool BeginsParagraph(const PageResult& result, size_t index) {
  return index > 0 && index < result.Lines.size() &&
         result.Lines[index].Paragraph != result.Lines[index - 1].Paragraph;
}

}  // namespace

std::vector<LineRun> LineRuns(const PageResult& page, LineRun lines, LineGroup group) {
  auto key = [&](size_t i) {
    return group == LineGroup::Region ? page.Lines[i].Region : page.Lines[i].Paragraph;
  };
  std::vector<LineRun> runs;
  for (size_t i = lines.First; i < lines.End;) {
    size_t end = i + 1;
    while (end < lines.End && key(end) == key(i)) ++end;
    runs.push_back(LineRun{i, end});
    i = end;
  }
  return runs;
}

bool ShowsText(const LineResult& line) {
  return std::any_of(line.Blocks.begin(), line.Blocks.end(),
                     [](const BlockResult& block) { return !block.Text.empty(); });
}

bool TextBox(const PageResult& page, LineRun lines, core::Box& box) {
  bool found = false;
  for (size_t i = lines.First; i < lines.End; ++i) {
    const LineResult& line = page.Lines[i];
    if (!ShowsText(line)) continue;
    if (found)
      engine::UnionBox(box, line.Box);
    else
      box = line.Box;
    found = true;
  }
  return found;
}

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

std::string XmlText(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    if (const size_t unwanted = UnwantedBytes(utf8, i); unwanted > 0) {
      out += platform::EncodeUtf8(platform::kReplacementCharacter);
      i += unwanted;
      continue;
    }
    const size_t length = platform::Utf8SequenceLength(utf8, i);
    switch (utf8[i]) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out.append(utf8, i, length);
    }
    i += length;
  }
  return out;
}

std::optional<double> MeanAccuracy(const PageResult& result) {
  int64_t sum = 0, count = 0;
  for (const LineResult& line : result.Lines) {
    for (const BlockResult& block : line.Blocks) {
      if (block.Text.empty() || block.Candidates.empty()) continue;
      sum += block.Candidates[0].Score;
      ++count;
    }
  }
  if (count == 0) return std::nullopt;
  return static_cast<double>(sum) / static_cast<double>(count);
}

int32_t BlockConfidence(const BlockResult& block) {
  if (block.Candidates.empty()) return 0;
  const int32_t accuracy = block.Candidates[0].Score;
  const int32_t percent = (accuracy * kFullConfidence + core::CertainScore / 2) / core::CertainScore;
  return std::clamp(percent, 0, kFullConfidence);
}

std::string PageText(const PageResult& result, TextEncoding encoding) {
  // Paragraphs are known where the pane holds one line per line found; in
  // learning mode rulers sit between them.
  const bool paragraphs = result.PaneLines.size() == result.Lines.size();
  std::string text;
  for (size_t i = 0; i < result.PaneLines.size(); ++i) {
    if (paragraphs && BeginsParagraph(result, i)) text.push_back('\n');
    const std::string& line = result.PaneLines[i];
    text += encoding == TextEncoding::Gbk ? line : platform::GbkToUtf8(line);
    text.push_back('\n');
  }
  return text;
}

std::string PageJson(const PageResult& result, JsonFeatures features) {
  std::string json = "{\"image\":" + JsonString(result.Image);
  json += ",\"page\":" + std::to_string(result.PageNumber);
  json += ",\"width\":" + std::to_string(result.Width) + ",\"height\":" + std::to_string(result.Height);
  char number[32];
  std::snprintf(number, sizeof number, "%.6f", result.Seconds);
  json += std::string(",\"seconds\":") + number;
  if (const std::optional<double> accuracy = MeanAccuracy(result)) {
    std::snprintf(number, sizeof number, "%.1f", *accuracy);
    json += std::string(",\"accuracy\":") + number;
  } else {
    json += ",\"accuracy\":null";
  }
  json += ",\"regions\":[";
  for (size_t r = 0; r < result.Regions.size(); ++r) {
    if (r > 0) json += ",";
    json += "{\"box\":" + JsonBox(result.Regions[r]) + "}";
  }
  json += "],\"lines\":[";
  for (size_t i = 0; i < result.Lines.size(); ++i) {
    const LineResult& line = result.Lines[i];
    if (i > 0) json += ",";
    json += "{\"text\":" + JsonString(line.Text) + ",\"indent\":" + std::to_string(line.Indent) +
            ",\"region\":" + std::to_string(line.Region) + ",\"paragraph\":" + std::to_string(line.Paragraph) +
            ",\"box\":" + JsonBox(line.Box) + ",\"blocks\":[";
    for (size_t b = 0; b < line.Blocks.size(); ++b) {
      if (b > 0) json += ",";
      AppendBlock(json, line.Blocks[b], features);
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
