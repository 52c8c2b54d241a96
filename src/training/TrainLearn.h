// Teaching a template library from training pages: every page with a ".RED"
// ground-truth file beside it is taught through the engine's own learning
// from ground truth, and a supervised correction pass recognises pages and
// teaches each block that matches a true character but was read wrongly, as
// a supervisor does in the library window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/EngineRecords.h"
#include "platform/UiHooks.h"

namespace training {

// Message hooks of an unattended learning run: the forced-entry question
// gets ForceAnswer, the question after a refused entry gets All (never ask
// again, do not end the program), every other box its default; every
// question is counted and every other text kept for the report.
class LearningUi : public platform::UiHooks {
 public:
  explicit LearningUi(platform::Answer forceAnswer) : forceAnswer_(forceAnswer) {}
  platform::Answer ShowMessage(const std::string& text, platform::MessageIcon icon,
                               platform::MessageButtons buttons, platform::QuestionId question) override;
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}

  int32_t ForcedQuestions = 0;
  int32_t RefusalQuestions = 0;
  std::vector<std::string> OtherMessages;

 private:
  platform::Answer forceAnswer_;
};

// The intersection over union of two inclusive boxes.
double BoxOverlap(const core::Box& a, const core::Box& b);
// The same character for the purpose of checking a result: a full-width
// letter, digit or sign equals its ASCII form.
bool SameCharacter(core::CharCode a, core::CharCode b);

struct CorrectionCounts {
  int32_t Blocks = 0;   // blocks recognised
  int32_t Matched = 0;  // blocks whose box matches a true character
  int32_t Wrong = 0;    // matched blocks read wrongly
  int32_t Taught = 0;   // wrong blocks handed to the library window's save action
};

// Total number of entries of all tables.
int64_t LibraryEntries();

// Teaches one page from its ".RED" file (LearningMode on). False when the
// page cannot be read.
bool LearnPageFromGroundTruth(const std::string& pagePath, std::string* error);
// Recognises one page (LearningMode off), compares the blocks with the
// page's ".RED" file and teaches the wrongly read ones.
bool CorrectPage(const std::string& pagePath, double minOverlap, CorrectionCounts& counts,
                 std::string* error);

// Saves the library into `folder`, replacing the tables there all or nothing
// (the old files stay until the new ones are complete). The library is
// released afterwards.
bool SaveLibraryInto(const std::string& folder, std::string* error);

// The page files named by the arguments: files as they are, folders
// searched for "*.bmp" files that have a ".RED" file beside them; sorted.
std::vector<std::string> CollectPages(const std::vector<std::string>& arguments);

}  // namespace training
