// Test helpers for the line corrections: a page bitmap drawn with
// rectangles, a line of blocks installed as engine::LineBlocks, and a
// scripted classifier for the trial recognitions of splits and merges.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/EngineRecords.h"
#include "training/PageRenderer.h"

namespace correction_test {

// A white page of the given size (ink bit 1) that is the whole job region.
void MakeBlankPage(int32_t width, int32_t height);
// Inks the inclusive rectangle.
void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);

// What the scripted classifier answers for a trial whose box and range mode
// satisfy Matches; the first matching rule wins, no match reads nothing.
struct TrialRule {
  std::function<bool(const core::CharBlock& trial, int32_t rangeMode)> Matches;
  core::CharCode Code;
  int32_t Score;
};

struct SeenTrial {
  core::Box Box;
  int32_t RangeMode;
};

// A line of blocks owned by the test, installed as engine::LineBlocks for
// its lifetime; also removes the scripted classifier at the end.
class TestLine {
 public:
  TestLine();
  ~TestLine();
  TestLine(const TestLine&) = delete;
  TestLine& operator=(const TestLine&) = delete;

  core::CharBlock* Add(const core::Box& box, core::CharCode code, int32_t score, core::CharCode second = 0,
                       int32_t secondScore = 0);
  core::BlockList& Blocks() { return blocks_; }
  core::CharBlock& operator[](size_t i) { return *blocks_[i]; }
  size_t size() const { return blocks_.size(); }

  void Script(std::vector<TrialRule> rules);
  const std::vector<SeenTrial>& Trials() const;

 private:
  core::BlockList blocks_;
};

// Matchers for TrialRule.
std::function<bool(const core::CharBlock&, int32_t)> BoxIs(int32_t left, int32_t right);
std::function<bool(const core::CharBlock&, int32_t)> LeftIs(int32_t left);
std::function<bool(const core::CharBlock&, int32_t)> RightIs(int32_t right);
std::function<bool(const core::CharBlock&, int32_t)> Any();

// Character errors of GBK text `read` against GBK text `truth` (Levenshtein
// distance over characters), normalised as the project's scorer does:
// white space is dropped and full-width ASCII forms count as ASCII, except
// the Chinese punctuation ！（），：；？.
size_t CharacterErrors(const std::string& truth, const std::string& read);
// The number of characters of GBK text under the same normalisation.
size_t CharacterCount(const std::string& text);

// A Song face from the Debian fonts, used for rendered test pages.
constexpr const char* kSongFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

// A page of the paragraphs rendered in kSongFont (12 pt, 300 dpi, margin 60)
// on a page of the given size, with its ".RED" file written beside
// `fileName`, and the GBK text of its characters. Also installs an empty
// word-pair file and the classifier's shape lists, ready for learning.
struct GroundTruthPage {
  training::RenderedPage Page;
  std::string FileName;
  std::string Truth;
};
bool RenderGroundTruthPage(const std::vector<std::string>& paragraphs, int32_t width, int32_t height,
                           const std::string& fileName, GroundTruthPage& out, std::string* error);

}  // namespace correction_test
