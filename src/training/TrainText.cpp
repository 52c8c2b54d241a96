// Text sources of the training tool. Paragraphs are compared in a normalised
// form (white space removed): a corpus paragraph is held back when any run of
// ParagraphExclusion::kRunLength code points of it also occurs in a held-back
// text; the runs of the held-back texts are kept as sorted 64-bit hashes.
#include "training/TrainText.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Encoding.h"

namespace training {

namespace {

constexpr uint8_t kGridFirstRow = 0xA1;
constexpr uint8_t kGridLastSymbolRow = 0xA3;
constexpr uint8_t kGridFirstHanziRow = 0xB0;
constexpr uint8_t kGridLastHanziRow = 0xF7;
constexpr uint8_t kFirstTrail = 0xA1;
constexpr uint8_t kLastTrail = 0xFE;
constexpr uint8_t kFullWidthRow = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr char kFirstPrintableAscii = 0x21;
constexpr char kLastPrintableAscii = 0x7E;

bool IsWhiteSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == 0x3000 || c == 0x00A0 ||
         (c >= 0x2000 && c <= 0x200B) || c == 0xFEFF;
}

uint64_t HashRun(const char32_t* run, size_t length) {
  constexpr uint64_t kFnvOffset = 14695981039346656037ULL;
  constexpr uint64_t kFnvPrime = 1099511628211ULL;
  uint64_t h = kFnvOffset;
  for (size_t i = 0; i < length; ++i) {
    h ^= static_cast<uint64_t>(run[i]);
    h *= kFnvPrime;
  }
  return h;
}

bool IsWideAlphanumeric(uint8_t lead, uint8_t trail) {
  if (lead != kFullWidthRow) return false;
  const char ascii = static_cast<char>(trail - kFullWidthOffset);
  return (ascii >= '0' && ascii <= '9') || (ascii >= 'A' && ascii <= 'Z') || (ascii >= 'a' && ascii <= 'z');
}

}  // namespace

bool ReadParagraphs(const std::string& path, std::vector<std::string>& paragraphs) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  std::string text = content.str();
  if (!platform::IsValidUtf8(text)) text = platform::GbkToUtf8(text);
  paragraphs.clear();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!NormalisedText(line).empty()) paragraphs.push_back(line);
  }
  return true;
}

std::vector<std::string> Gb2312GridParagraphs(GridContent content) {
  const bool wideAlphanumerics = content == GridContent::Everything;
  std::vector<std::string> paragraphs;
  auto addRow = [&](uint8_t lead) {
    std::string row;
    for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      if (!wideAlphanumerics && IsWideAlphanumeric(lead, static_cast<uint8_t>(trail))) continue;
      const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
      std::string utf8;
      if (platform::GbkToUtf8(gbk, utf8) && !NormalisedText(utf8).empty()) row += utf8;
    }
    if (!row.empty()) paragraphs.push_back(row);
  };
  if (content != GridContent::HanziOnly) {
    for (int lead = kGridFirstRow; lead <= kGridLastSymbolRow; ++lead) addRow(static_cast<uint8_t>(lead));
  }
  for (int lead = kGridFirstHanziRow; lead <= kGridLastHanziRow; ++lead) addRow(static_cast<uint8_t>(lead));
  if (content == GridContent::HanziOnly) return paragraphs;
  std::string ascii;
  for (char c = kFirstPrintableAscii; c <= kLastPrintableAscii; ++c) ascii.push_back(c);
  paragraphs.push_back(ascii);
  return paragraphs;
}

std::u32string NormalisedText(const std::string& utf8) {
  std::u32string text = platform::DecodeUtf8(utf8);
  std::erase_if(text, IsWhiteSpace);
  return text;
}

void ParagraphExclusion::AddHeldBackText(const std::string& utf8) {
  std::u32string text = NormalisedText(utf8);
  for (size_t i = 0; i + kRunLength <= text.size(); ++i) runHashes_.push_back(HashRun(&text[i], kRunLength));
  std::sort(runHashes_.begin(), runHashes_.end());
  texts_.push_back(std::move(text));
}

int32_t ParagraphExclusion::AddHeldBackFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code ec;
  auto collect = [&](const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      if (entry.is_regular_file() && entry.path().extension() == ".txt") files.push_back(entry.path());
    }
  };
  collect(folder);
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_directory()) collect(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    AddHeldBackText(content.str());
  }
  return static_cast<int32_t>(files.size());
}

bool ParagraphExclusion::Excludes(const std::string& paragraph) const {
  const std::u32string text = NormalisedText(paragraph);
  if (text.empty()) return false;
  if (text.size() < kRunLength) {
    return std::any_of(texts_.begin(), texts_.end(),
                       [&](const std::u32string& held) { return held.find(text) != std::u32string::npos; });
  }
  for (size_t i = 0; i + kRunLength <= text.size(); ++i) {
    if (std::binary_search(runHashes_.begin(), runHashes_.end(), HashRun(&text[i], kRunLength))) return true;
  }
  return false;
}

size_t ParagraphExclusion::Filter(std::vector<std::string>& paragraphs) const {
  if (Empty()) return 0;
  const size_t before = paragraphs.size();
  std::erase_if(paragraphs, [&](const std::string& p) { return Excludes(p); });
  return before - paragraphs.size();
}

}  // namespace training
