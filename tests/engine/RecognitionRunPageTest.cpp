// The run on pages of Chinese text rendered with a Debian font: every text
// line becomes one line of blocks, each character lies inside a block of its
// own line, and a full A4 page is scanned and laid out the same in either
// palette order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "support/EngineFixtures.h"
#include "training/PageRenderer.h"

namespace {

const char* const kSongFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

class RunRenderedPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
    engine::LineCorrectionEnabled = false;
  }
  training::RenderedPage Render(const std::vector<std::string>& paragraphs, bool inkIsOne = true) {
    training::RenderOptions options;
    options.Font.Path = kSongFont;
    options.InkIsOne = inkIsOne;
    std::vector<training::RenderedPage> pages;
    std::string error;
    EXPECT_TRUE(training::RenderText(paragraphs, options, pages, &error)) << error;
    return pages.empty() ? training::RenderedPage{} : pages.front();
  }
  enginetest::RunFixture run_;
};

bool Inside(const core::CharBlock& b, const training::RenderedChar& c) {
  return c.Left <= b.Left && b.Right <= c.Right && c.Top <= b.Top && b.Bottom <= c.Bottom;
}

// Without the line correction a character whose strokes stand apart side by
// side (们, 汉) may still be several blocks, but no block takes in ink of two
// characters, and the blocks of a character cover its box exactly.
TEST_F(RunRenderedPageTest, EveryBlockIsPartOfOneCharacterOfItsLine) {
  training::RenderedPage page = Render({"我们今天学习汉字识别", "这是第二行文字。", "春天来了，天气很好"});
  ASSERT_EQ(page.Lines.size(), 3u);
  ASSERT_EQ(run_.Recognise(page.Page), engine::RunOutcome::Done);
  ASSERT_EQ(engine::PageLines.size(), 3u) << enginetest::DescribePageLines();
  std::vector<core::Box> covered(page.Chars.size(), core::Box{1 << 30, -1, 1 << 30, -1});
  for (size_t line = 0; line < engine::PageLines.size(); ++line) {
    for (const core::CharBlock* b : *engine::PageLines[line]) {
      int32_t owners = 0;
      for (size_t i = 0; i < page.Chars.size(); ++i) {
        if (page.Chars[i].Line != static_cast<int32_t>(line) || !Inside(*b, page.Chars[i])) continue;
        ++owners;
        engine::UnionBox(covered[i], core::BoxOf(*b));
      }
      EXPECT_EQ(owners, 1) << enginetest::DescribeBoxes({core::BoxOf(*b)});
    }
  }
  for (size_t i = 0; i < page.Chars.size(); ++i) {
    const training::RenderedChar& c = page.Chars[i];
    EXPECT_EQ(enginetest::DescribeBoxes({covered[i]}),
              enginetest::DescribeBoxes({core::Box{c.Left, c.Right, c.Top, c.Bottom}}))
        << c.Gbk;
  }
}

TEST_F(RunRenderedPageTest, FullPageInEitherPalette) {
  // The sample page's paragraphs, over and over until they fill the page.
  std::vector<std::string> paragraphs;
  for (int round = 0; round < 5; ++round) {
    std::ifstream sample(std::string(PELLAR_SOURCE_DIR) + "/samples/sample-page.paragraphs.txt");
    for (std::string line; std::getline(sample, line);) {
      if (!line.empty()) paragraphs.push_back(line);
    }
  }
  ASSERT_FALSE(paragraphs.empty());
  std::string described[2];
  for (int inkIsOne = 0; inkIsOne < 2; ++inkIsOne) {
    training::RenderedPage page = Render(paragraphs, inkIsOne == 1);
    ASSERT_EQ(page.Page.Width(), 2480);
    ASSERT_EQ(run_.Recognise(page.Page), engine::RunOutcome::Done);
    EXPECT_EQ(engine::PageLines.size(), page.Lines.size());
    described[inkIsOne] = enginetest::DescribePageLines();
  }
  EXPECT_EQ(described[0], described[1]);
}

}  // namespace
