// A rendered page taught to an empty library through its ".RED" file and
// recognised again: the library must read back what it was taught.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/PageRenderer.h"
#include "engine/Classifier.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"
#include "platform/Encoding.h"
#include "support/CorrectionFixtures.h"
#include "support/LibraryFixtures.h"

namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

class GroundTruthLearningTest : public testing_support::LibraryTest {};

}  // namespace

TEST_F(GroundTruthLearningTest, TaughtPageIsReadBack) {
  if (!std::filesystem::exists(kFont)) GTEST_SKIP() << "font missing: " << kFont;
  training::RenderOptions options;
  options.Font.Path = kFont;
  options.PageWidth = 1400;
  options.PageHeight = 700;
  options.Margin = 60;
  std::vector<training::RenderedPage> pages;
  std::string error;
  ASSERT_TRUE(training::RenderText({"春天来了，山上的树木都长出了新的叶子，河里的水也慢慢地流得快起来。",
                                    "我们在学校里读书写字，每天早上八点开始上课，下午四点半回家。"},
                                   options, pages, &error))
      << error;
  ASSERT_FALSE(pages.empty());
  training::RenderedPage& page = pages[0];
  const std::string fileName = folder.File("page.bmp");
  ASSERT_TRUE(training::WriteGroundTruth(fileName + ".RED", page));
  std::string truth;
  for (const training::RenderedChar& c : page.Chars) truth += c.Gbk;

  library::SetWordPairData(std::vector<uint8_t>(library::kWordPairIndexBytes, 0));
  engine::BuildShapeLists();
  engine::CharMapList charMap;
  platform::HeadlessPane pane;
  engine::RecognitionDocument document;
  document.PageBitmap = &page.Page;
  document.CharMap = &charMap;
  document.Pane = &pane;
  document.FileName = fileName;

  // Learning mode with a ground-truth file: the page is taught, not read.
  ASSERT_TRUE(engine::FenXi(document));
  EXPECT_EQ(correction_test::CharacterErrors(truth, pane.Text()), 0u);
  EXPECT_TRUE(engine::LibraryChanged);
  EXPECT_GT(library::StatsOfTable(0).Entries, 0);

  // Recognised again outside learning mode.
  engine::LearningMode = false;
  ASSERT_TRUE(engine::FenXi(document));
  const size_t expected = correction_test::CharacterCount(truth);
  const size_t errors = correction_test::CharacterErrors(truth, pane.Text());
  std::printf("read back %zu characters with %zu errors\n", expected, errors);
  EXPECT_LT(errors * 50, expected) << platform::GbkToUtf8(pane.Text());
  engine::FreePageLines();
}
