// The page renderer: layout (indent, wrapping, pages), ink boxes and codes,
// both ink polarities, and the ground-truth file it writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "formats/BmpCodec.h"
#include "support/LibraryFixtures.h"
#include "training/PageRenderer.h"

namespace {

const char* const kSongFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

training::RenderOptions SongOptions() {
  training::RenderOptions options;
  options.Font.Path = kSongFont;
  return options;
}

bool PixelIsInk(const training::RenderedPage& page, int32_t x, int32_t y, bool inkIsOne) {
  const bool bit = (page.Page.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
  return bit == inkIsOne;
}

class PageRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  }
  std::vector<training::RenderedPage> Render(const std::vector<std::string>& paragraphs,
                                             const training::RenderOptions& options) {
    std::vector<training::RenderedPage> pages;
    std::string error;
    EXPECT_TRUE(training::RenderText(paragraphs, options, pages, &error)) << error;
    return pages;
  }
};

TEST_F(PageRendererTest, BoxesAreTightAroundTheInkOfEachCharacter) {
  const auto pages = Render({"字A中"}, SongOptions());
  ASSERT_EQ(pages.size(), 1u);
  const auto& page = pages[0];
  ASSERT_EQ(page.Chars.size(), 3u);
  EXPECT_EQ(page.Chars[0].Gbk, "\xD7\xD6");  // 字
  EXPECT_EQ(page.Chars[1].Gbk, "A");
  EXPECT_EQ(page.Chars[2].Gbk, "\xD6\xD0");  // 中
  EXPECT_EQ(page.Lines, std::vector<std::string>{"字A中"});
  for (const auto& c : page.Chars) {
    ASSERT_LE(c.Left, c.Right);
    ASSERT_LE(c.Top, c.Bottom);
    bool left = false, right = false, top = false, bottom = false;
    for (int32_t y = c.Top; y <= c.Bottom; ++y) {
      left |= PixelIsInk(page, c.Left, y, true);
      right |= PixelIsInk(page, c.Right, y, true);
    }
    for (int32_t x = c.Left; x <= c.Right; ++x) {
      top |= PixelIsInk(page, x, c.Top, true);
      bottom |= PixelIsInk(page, x, c.Bottom, true);
    }
    EXPECT_TRUE(left && right && top && bottom) << "box is not the ink extent";
  }
  EXPECT_LT(page.Chars[0].Right, page.Chars[1].Left);
  // 300 dpi in the header, 1 bit, palette entry 0 white.
  EXPECT_EQ(page.Page.BitCount(), 1);
  EXPECT_EQ(page.Page.XPelsPerMeter, 11811);
  EXPECT_EQ(page.Page.Palette()[0].Red, 255);
  EXPECT_EQ(page.Page.Palette()[1].Red, 0);
}

TEST_F(PageRendererTest, ParagraphsAreIndentedAndWrapAtTheMargin) {
  training::RenderOptions options = SongOptions();
  const double em = options.PointSize * options.Dpi / 72.0;
  const std::string hanzi = "汉";
  std::string paragraph;
  for (int i = 0; i < 60; ++i) paragraph += hanzi;
  const auto pages = Render({paragraph, "短"}, options);
  ASSERT_EQ(pages.size(), 1u);
  const auto& page = pages[0];
  ASSERT_EQ(page.Lines.size(), 3u);
  ASSERT_EQ(page.Chars.size(), 61u);
  // The first line holds two ems fewer characters than a full line.
  const int32_t perLine = static_cast<int32_t>((options.PageWidth - 2 * options.Margin) / em);
  int32_t firstLine = 0;
  for (const auto& c : page.Chars) firstLine += c.Line == 0;
  EXPECT_EQ(firstLine, perLine - 2);
  const auto& first = page.Chars[0];
  const auto& secondLineStart = page.Chars[firstLine];
  EXPECT_NEAR(first.Left - secondLineStart.Left, 2 * em, 2);
  EXPECT_NEAR(secondLineStart.Top - first.Top, options.LineSpacing * em, 1);
  for (const auto& c : page.Chars) EXPECT_LT(c.Right, options.PageWidth - options.Margin);
  // The new paragraph is indented again.
  EXPECT_NEAR(page.Chars.back().Left, first.Left, 1);
}

TEST_F(PageRendererTest, LatinWordsMoveWholeToTheNextLineUnlessTooLong) {
  training::RenderOptions options = SongOptions();
  std::string paragraph;
  for (int i = 0; i < 33; ++i) paragraph += "汉";
  paragraph += " recognition works";
  auto pages = Render({paragraph}, options);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].Lines.size(), 2u);
  EXPECT_EQ(pages[0].Lines[1], "recognition works");

  std::string longWord(200, 'x');
  pages = Render({"汉 " + longWord}, options);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_GE(pages[0].Lines.size(), 3u);
  EXPECT_EQ(pages[0].Lines[0], "汉");  // the word starts a line of its own and breaks where it must
  EXPECT_EQ(pages[0].Lines[1], std::string(pages[0].Lines[1].size(), 'x'));
  size_t xs = 0;
  for (const auto& c : pages[0].Chars) xs += c.Gbk == "x";
  EXPECT_EQ(xs, 200u);
}

TEST_F(PageRendererTest, PunctuationFollowsTheChineseLineBreakingRules) {
  training::RenderOptions options = SongOptions();
  // 35 characters fill the first line after the indent exactly.
  std::string filler;
  for (int i = 0; i < 35; ++i) filler += "汉";
  // Closing punctuation that would start a line takes the last character along.
  auto pages = Render({filler + "。后"}, options);
  ASSERT_EQ(pages[0].Lines.size(), 2u);
  EXPECT_EQ(pages[0].Lines[1], "汉。后");
  // Opening punctuation never ends a line.
  std::string shorter;
  for (int i = 0; i < 34; ++i) shorter += "汉";
  pages = Render({shorter + "“引号”"}, options);
  ASSERT_EQ(pages[0].Lines.size(), 2u);
  EXPECT_EQ(pages[0].Lines[1], "“引号”");
}

TEST_F(PageRendererTest, CharactersOutsideGbkOrTheFontAreSkipped) {
  // U+1F600 has no GBK code; U+0E01 (Thai) is not in GBK either.
  const auto pages = Render({"甲\xF0\x9F\x98\x80乙\xE0\xB8\x81丙"}, SongOptions());
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].Chars.size(), 3u);
  EXPECT_EQ(pages[0].Lines[0], "甲乙丙");
  EXPECT_LT(pages[0].Chars[0].Right, pages[0].Chars[1].Left);
}

TEST_F(PageRendererTest, InkOfZeroGivesTheSameBoxesWithInvertedBitsAndPalette) {
  training::RenderOptions options = SongOptions();
  const auto one = Render({"黑白 ink 0"}, options);
  options.InkIsOne = false;
  const auto zero = Render({"黑白 ink 0"}, options);
  ASSERT_EQ(one.size(), 1u);
  ASSERT_EQ(zero.size(), 1u);
  ASSERT_EQ(one[0].Chars.size(), zero[0].Chars.size());
  for (size_t i = 0; i < one[0].Chars.size(); ++i) {
    EXPECT_EQ(one[0].Chars[i].Left, zero[0].Chars[i].Left);
    EXPECT_EQ(one[0].Chars[i].Bottom, zero[0].Chars[i].Bottom);
  }
  EXPECT_EQ(zero[0].Page.Palette()[0].Red, 0);
  EXPECT_EQ(zero[0].Page.Palette()[1].Red, 255);
  const auto& a = one[0].Page.Bits();
  const auto& b = zero[0].Page.Bits();
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i] ^ b[i], 0xFF) << "byte " << i;
}

TEST_F(PageRendererTest, LongTextFillsSeveralPagesDeterministically) {
  training::RenderOptions options = SongOptions();
  options.PageHeight = 1000;
  const std::vector<std::string> paragraphs(30, "每一段文字占一行。");
  const auto pages = Render(paragraphs, options);
  ASSERT_GE(pages.size(), 2u);
  size_t lines = 0;
  for (const auto& page : pages) {
    lines += page.Lines.size();
    for (const auto& c : page.Chars) {
      EXPECT_LT(c.Line, static_cast<int32_t>(page.Lines.size()));
      EXPECT_LT(c.Bottom, options.PageHeight - options.Margin);
    }
  }
  EXPECT_EQ(lines, 30u);
  const auto again = Render(paragraphs, options);
  ASSERT_EQ(again.size(), pages.size());
  for (size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(again[i].Page.Bits(), pages[i].Page.Bits());
}

TEST_F(PageRendererTest, WeightThickensOrThinsTheStrokes) {
  const auto inkOf = [this](double weight) {
    training::RenderOptions options = SongOptions();
    options.Weight = weight;
    const std::vector<training::RenderedPage> pages = Render({"中文字符识别"}, options);
    int64_t ink = 0;
    for (int32_t y = 0; y < pages.at(0).Page.Height(); ++y) {
      for (int32_t x = 0; x < pages[0].Page.Width(); ++x) ink += PixelIsInk(pages[0], x, y, true);
    }
    return ink;
  };
  const int64_t regular = inkOf(0);
  EXPECT_GT(inkOf(0.02), regular * 5 / 4);
  EXPECT_LT(inkOf(-0.01), regular * 9 / 10);
}

TEST_F(PageRendererTest, BadFontOrOptionsAreReported) {
  training::RenderOptions options = SongOptions();
  options.Font.Path = "/nonexistent/font.ttf";
  std::vector<training::RenderedPage> pages;
  std::string error;
  EXPECT_FALSE(training::RenderText({"字"}, options, pages, &error));
  EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos);
  options = SongOptions();
  options.PageWidth = 2 * options.Margin + 10;
  EXPECT_FALSE(training::RenderText({"字"}, options, pages, &error));
  EXPECT_TRUE(pages.empty());
}

TEST_F(PageRendererTest, GroundTruthHoldsFullWidthAsciiAndBoxesInFileOrder) {
  const auto pages = Render({"A字 b"}, SongOptions());
  ASSERT_EQ(pages.size(), 1u);
  const auto dir = std::filesystem::path(::testing::TempDir()) / ("renderer_gt_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "page.bmp.RED").string();
  ASSERT_TRUE(training::WriteGroundTruth(path, pages[0]));
  EXPECT_FALSE(std::filesystem::exists(testing_support::TemporaryNameOf(path)));
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(data.size(), 4u + 23u * 3u);
  EXPECT_EQ(data[0] & data[1] & data[2] & data[3], 0xFF);
  auto int32At = [&](size_t offset) {
    return static_cast<int32_t>(data[offset] | data[offset + 1] << 8 | data[offset + 2] << 16 |
                                static_cast<uint32_t>(data[offset + 3]) << 24);
  };
  const uint8_t expectedCodes[3][2] = {{0xA3, 0xC1}, {0xD7, 0xD6}, {0xA3, 0xE2}};  // Ａ 字 ｂ
  for (size_t i = 0; i < 3; ++i) {
    const size_t record = 4 + 23 * i;
    EXPECT_EQ(data[record], expectedCodes[i][0]);
    EXPECT_EQ(data[record + 1], expectedCodes[i][1]);
    const auto& c = pages[0].Chars[i];
    EXPECT_EQ(int32At(record + 2), c.Left);
    EXPECT_EQ(int32At(record + 6), c.Top);
    EXPECT_EQ(int32At(record + 10), c.Right);
    EXPECT_EQ(int32At(record + 14), c.Bottom);
    EXPECT_EQ(data[record + 18], 0);
    EXPECT_EQ(int32At(record + 19), 0);
  }
  EXPECT_FALSE(training::WriteGroundTruth((dir / "missing" / "x.RED").string(), pages[0]));
}

}  // namespace

namespace {

// The bundled sample page is what the renderer makes of its paragraphs with
// the settings in samples/README.md.
TEST(SamplePage, MatchesTheRenderer) {
  if (!std::filesystem::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  const std::filesystem::path samples = std::filesystem::path(PELLAR_SOURCE_DIR) / "samples";
  std::ifstream in(samples / "sample-page.paragraphs.txt");
  std::vector<std::string> paragraphs;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) paragraphs.push_back(line);
  training::RenderOptions options = SongOptions();
  options.PageWidth = 1600;
  options.PageHeight = 960;
  options.Margin = 100;
  std::vector<training::RenderedPage> pages;
  ASSERT_TRUE(training::RenderText(paragraphs, options, pages));
  ASSERT_EQ(pages.size(), 1u);

  platform::Bitmap sample;
  ASSERT_TRUE(formats::ReadBmpFile((samples / "sample-page.bmp").string(), sample));
  EXPECT_EQ(sample.BitCount(), 1);
  EXPECT_EQ(sample.Bits(), pages[0].Page.Bits());
  std::ifstream text(samples / "sample-page.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  EXPECT_EQ(lines, pages[0].Lines);
}

}  // namespace
