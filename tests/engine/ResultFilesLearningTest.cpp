// A rendered page taught to an empty library through its ".RED" file and
// recognised again: the library must read back what it was taught.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Classifier.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "platform/Encoding.h"
#include "support/CorrectionFixtures.h"
#include "support/LibraryFixtures.h"

namespace {

class GroundTruthLearningTest : public testing_support::LibraryTest {};

}  // namespace

TEST_F(GroundTruthLearningTest, TaughtPageIsReadBack) {
  if (!std::filesystem::exists(correction_test::kSongFont))
    GTEST_SKIP() << "font missing: " << correction_test::kSongFont;
  correction_test::GroundTruthPage taught;
  std::string error;
  ASSERT_TRUE(correction_test::RenderGroundTruthPage(
      {"春天来了，山上的树木都长出了新的叶子，河里的水也慢慢地流得快起来。",
       "我们在学校里读书写字，每天早上八点开始上课，下午四点半回家。"},
      1400, 700, folder.File("page.bmp"), taught, &error))
      << error;
  training::RenderedPage& page = taught.Page;
  const std::string& fileName = taught.FileName;
  const std::string& truth = taught.Truth;

  core::CharMapList charMap;
  platform::HeadlessPane pane;
  engine::RecognitionDocument document;
  document.PageBitmap = &page.Page;
  document.CharMap = &charMap;
  document.Pane = &pane;
  document.FileName = fileName;

  // Learning mode with a ground-truth file: the page is taught, not read.
  ASSERT_EQ(engine::FenXi(document), engine::RunOutcome::Done);
  EXPECT_EQ(correction_test::CharacterErrors(truth, pane.Text()), 0u);
  EXPECT_TRUE(library::LibraryChanged);
  EXPECT_GT(library::StatsOfTable(0).Entries, 0);

  // Recognised again outside learning mode.
  library::LearningMode = false;
  ASSERT_EQ(engine::FenXi(document), engine::RunOutcome::Done);
  const size_t expected = correction_test::CharacterCount(truth);
  const size_t errors = correction_test::CharacterErrors(truth, pane.Text());
  EXPECT_LT(errors * 50, expected) << platform::GbkToUtf8(pane.Text());
  engine::FreePageLines();
}
