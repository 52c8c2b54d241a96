// The line corrections end to end: a rendered page of Chinese mixed with
// Latin words, digits, look-alike letters and punctuation is taught to an
// empty library from its own ground truth and recognised again with and
// without the corrections; the corrections must lower the character error
// rate.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "engine/Classifier.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "platform/Encoding.h"
#include "support/CorrectionFixtures.h"
#include "support/LibraryFixtures.h"

namespace {

class LineCorrectionEndToEndTest : public testing_support::LibraryTest {
 protected:
  void TearDown() override {
    engine::FreePageLines();
    engine::LineCorrectionEnabled = true;
    testing_support::LibraryTest::TearDown();
  }
  // Recognises the document and returns the pane's text (GBK).
  std::string Recognise(engine::RecognitionDocument& document, bool corrections) {
    engine::LineCorrectionEnabled = corrections;
    EXPECT_EQ(engine::FenXi(document), engine::RunOutcome::Done);
    return pane.Text();
  }
  platform::HeadlessPane pane;
};

TEST_F(LineCorrectionEndToEndTest, CorrectionsLowerTheErrorRateOfMixedText) {
  if (!std::filesystem::exists(correction_test::kSongFont))
    GTEST_SKIP() << "font missing: " << correction_test::kSongFont;
  correction_test::GroundTruthPage taught;
  std::string error;
  ASSERT_TRUE(
      correction_test::RenderGroundTruthPage({"我们使用Linux系统和Python语言，版本号是3.10，编号O1与l0不同。",
                                              "他说：“明天见！”然后离开了……文件名是data_file_2024。",
                                              "共有1024个用户，其中100人来自Beijing和Shanghai，OK。"},
                                             1600, 800, folder.File("mixed.bmp"), taught, &error))
      << error;
  training::RenderedPage& page = taught.Page;
  const std::string& fileName = taught.FileName;
  const std::string& truth = taught.Truth;

  core::CharMapList charMap;
  engine::RecognitionDocument document;
  document.PageBitmap = &page.Page;
  document.CharMap = &charMap;
  document.Pane = &pane;
  document.FileName = fileName;
  ASSERT_EQ(engine::FenXi(document), engine::RunOutcome::Done);  // learning mode: taught from the ".RED" file
  library::LearningMode = false;

  const std::string plain = Recognise(document, false);
  const std::string corrected = Recognise(document, true);

  const size_t length = correction_test::CharacterCount(truth);
  const size_t plainErrors = correction_test::CharacterErrors(truth, plain);
  const size_t correctedErrors = correction_test::CharacterErrors(truth, corrected);
  EXPECT_LE(correctedErrors * 10, length) << "at most one character in ten wrong";
  EXPECT_LT(correctedErrors, plainErrors)
      << "without: " << platform::GbkToUtf8(plain) << "\nwith: " << platform::GbkToUtf8(corrected);
}

}  // namespace
