// Test helpers for the line corrections (see CorrectionFixtures.h).
#include "support/CorrectionFixtures.h"

#include <algorithm>
#include <cstring>

#include "engine/BlockSplitting.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "library/WordPairs.h"

namespace correction_test {
namespace {

constexpr uint8_t kFullWidthLead = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;
// ！（），：；？ keep their full width in the comparison.
constexpr char kChinesePunctuation[] = "\xA1\xA8\xA9\xAC\xBA\xBB\xBF";

std::vector<std::string> NormalisedCharacters(const std::string& gbk) {
  std::vector<std::string> chars;
  for (size_t i = 0; i < gbk.size(); ++i) {
    const uint8_t lead = static_cast<uint8_t>(gbk[i]);
    if (lead == ' ' || lead == '\n' || lead == '\t' || lead == '\r') continue;
    if (lead < 0x80 || i + 1 == gbk.size()) {
      chars.emplace_back(1, gbk[i]);
      continue;
    }
    const uint8_t trail = static_cast<uint8_t>(gbk[i + 1]);
    ++i;
    if (lead == 0xA1 && trail == 0xA1) continue;  // the ideographic space
    if (lead == kFullWidthLead && trail > 0xA0 && trail < 0xFF &&
        std::strchr(kChinesePunctuation, static_cast<char>(trail)) == nullptr) {
      chars.emplace_back(1, static_cast<char>(trail - kFullWidthOffset));
      continue;
    }
    chars.push_back(gbk.substr(i - 1, 2));
  }
  return chars;
}

std::vector<TrialRule> gRules;
std::vector<SeenTrial> gSeen;

void ScriptedClassifier(core::CharBlock& trial, int32_t rangeMode) {
  gSeen.push_back({core::BoxOf(trial), rangeMode});
  trial.Codes[0] = 0;
  trial.Codes[1] = 0;
  trial.Scores[0] = 0;
  for (const TrialRule& rule : gRules) {
    if (rule.Matches(trial, rangeMode)) {
      trial.Codes[0] = rule.Code;
      trial.Scores[0] = rule.Score;
      return;
    }
  }
}

}  // namespace

void MakeBlankPage(int32_t width, int32_t height) {
  engine::PageWidth = width;
  engine::PageHeight = height;
  engine::RowBytes = ((width + 31) / 32) * 4;
  engine::InkValue = 1;
  engine::PageBits.assign(static_cast<size_t>(engine::RowBytes) * height, 0);
  engine::Job = engine::RunJob{};
  engine::Job.Left = 0;
  engine::Job.Top = 0;
  engine::Job.Right = width - 1;
  engine::Job.Bottom = height - 1;
}

void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  for (int32_t y = top; y <= bottom; ++y) {
    for (int32_t x = left; x <= right; ++x) engine::UnmaskPagePixel(x, y);
  }
}

TestLine::TestLine() {
  engine::LineBlocks = &blocks_;
  engine::PrevBlock = nullptr;
  gRules.clear();
  gSeen.clear();
}

TestLine::~TestLine() {
  for (core::CharBlock* b : blocks_) engine::FreeBlock(b);
  engine::LineBlocks = nullptr;
  engine::TrialClassifier = nullptr;
  gRules.clear();
  gSeen.clear();
}

core::CharBlock* TestLine::Add(const core::Box& box, core::CharCode code, int32_t score,
                               core::CharCode second, int32_t secondScore) {
  core::CharBlock* b = engine::NewBlock();
  core::SetBox(*b, box);
  b->Codes[0] = code;
  b->Scores[0] = score;
  b->Codes[1] = second;
  b->Scores[1] = secondScore;
  blocks_.push_back(b);
  return b;
}

void TestLine::Script(std::vector<TrialRule> rules) {
  gRules = std::move(rules);
  gSeen.clear();
  engine::TrialClassifier = &ScriptedClassifier;
}

const std::vector<SeenTrial>& TestLine::Trials() const {
  return gSeen;
}

std::function<bool(const core::CharBlock&, int32_t)> BoxIs(int32_t left, int32_t right) {
  return [=](const core::CharBlock& t, int32_t) { return t.Left == left && t.Right == right; };
}
std::function<bool(const core::CharBlock&, int32_t)> LeftIs(int32_t left) {
  return [=](const core::CharBlock& t, int32_t) { return t.Left == left; };
}
std::function<bool(const core::CharBlock&, int32_t)> RightIs(int32_t right) {
  return [=](const core::CharBlock& t, int32_t) { return t.Right == right; };
}
std::function<bool(const core::CharBlock&, int32_t)> Any() {
  return [](const core::CharBlock&, int32_t) { return true; };
}

size_t CharacterErrors(const std::string& truth, const std::string& read) {
  const std::vector<std::string> a = NormalisedCharacters(truth);
  const std::vector<std::string> b = NormalisedCharacters(read);
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

size_t CharacterCount(const std::string& text) {
  return NormalisedCharacters(text).size();
}

bool RenderGroundTruthPage(const std::vector<std::string>& paragraphs, int32_t width, int32_t height,
                           const std::string& fileName, GroundTruthPage& out, std::string* error) {
  training::RenderOptions options;
  options.Font.Path = kSongFont;
  options.PageWidth = width;
  options.PageHeight = height;
  options.Margin = 60;
  std::vector<training::RenderedPage> pages;
  if (!training::RenderText(paragraphs, options, pages, error) || pages.empty()) return false;
  out.Page = std::move(pages[0]);
  out.FileName = fileName;
  out.Truth.clear();
  for (const training::RenderedChar& c : out.Page.Chars) out.Truth += c.Gbk;
  if (!training::WriteGroundTruth(fileName + ".RED", out.Page)) {
    if (error) *error = "cannot write " + fileName + ".RED";
    return false;
  }
  library::SetWordPairData(std::vector<uint8_t>(library::kWordPairIndexBytes, 0));
  engine::BuildShapeLists();
  return true;
}

}  // namespace correction_test
