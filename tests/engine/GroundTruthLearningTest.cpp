// A rendered page taught to an empty library through its ".RED" file and
// recognised again: the library must read back what it was taught.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/PageRenderer.h"
#include "engine/Classifier.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"
#include "platform/Encoding.h"
#include "support/LibraryFixtures.h"

namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

// Levenshtein distance over GBK characters (a byte of 0x80 or above starts
// a double-byte character).
std::vector<std::string> Characters(const std::string& gbk) {
  std::vector<std::string> chars;
  for (size_t i = 0; i < gbk.size(); ++i) {
    if (gbk[i] == ' ' || gbk[i] == '\n') continue;
    const size_t length = static_cast<uint8_t>(gbk[i]) >= 0x80 ? 2 : 1;
    chars.push_back(gbk.substr(i, length));
    i += length - 1;
  }
  return chars;
}

size_t Distance(const std::vector<std::string>& a, const std::vector<std::string>& b) {
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
  EXPECT_EQ(Characters(pane.Text()), Characters(truth));
  EXPECT_TRUE(engine::LibraryChanged);
  EXPECT_GT(library::StatsOfTable(0).Entries, 0);

  // Recognised again outside learning mode.
  engine::LearningMode = false;
  ASSERT_TRUE(engine::FenXi(document));
  const auto read = Characters(pane.Text());
  const auto expected = Characters(truth);
  const size_t errors = Distance(read, expected);
  std::printf("read back %zu characters of %zu with %zu errors\n", read.size(), expected.size(), errors);
  EXPECT_LE(errors * 20, expected.size()) << platform::GbkToUtf8(pane.Text());
  engine::FreePageLines();
}
