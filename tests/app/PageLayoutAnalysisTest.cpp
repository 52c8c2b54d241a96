// Layout analysis on pages drawn here, with solid squares for characters:
// a page in one column stays whole however its lines are set; columns are
// read left to right between the parts that span the page; specks cut
// nothing; ink stored either way round is found. And the paragraph starts
// of a region's lines.
#include <gtest/gtest.h>

#include "app/PageLayoutAnalysis.h"
#include "support/EngineFixtures.h"

namespace app {
namespace {

constexpr int32_t kChar = 40, kStep = 46, kPitch = 60;  // 300 dpi, about 10 pt

// Draws `lines` lines of `chars` characters from (left, top); returns the
// bottom of the last line.
int32_t DrawLines(platform::Bitmap& page, int32_t left, int32_t top, int32_t lines, int32_t chars,
                  int32_t indent = 0) {
  for (int32_t line = 0; line < lines; ++line) {
    const int32_t y = top + line * kPitch;
    const int32_t first = line == 0 ? indent : 0;
    for (int32_t c = first; c < chars; ++c) {
      const int32_t x = left + c * kStep;
      enginetest::DrawBox(page, x, x + kChar - 1, y, y + kChar - 1);
    }
  }
  return top + (lines - 1) * kPitch + kChar - 1;
}

bool Inside(const core::Box& box, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return box.Left <= left && box.Top <= top && box.Right >= right && box.Bottom >= bottom;
}

TEST(PageLayoutAnalysis, OneColumnStaysWhole) {
  for (const bool inkIsOne : {true, false}) {
    platform::Bitmap page = enginetest::MakePage(1400, 1600, inkIsOne);
    // A heading with a wide gap in it, paragraphs with indented first lines
    // and short last lines, a wider gap, a page number.
    DrawLines(page, 100, 100, 1, 4);
    DrawLines(page, 700, 100, 1, 3);
    int32_t bottom = DrawLines(page, 100, 220, 4, 26, 2);
    bottom = DrawLines(page, 100, bottom + 20, 1, 9);
    bottom = DrawLines(page, 100, bottom + 120, 5, 26, 2);
    DrawLines(page, 650, bottom + 200, 1, 1);
    // Specks in the margin beside the text.
    for (int32_t y = 300; y < 1000; y += 97) enginetest::DrawPixel(page, 30, y);
    EXPECT_TRUE(FindTextRegions(page).empty()) << inkIsOne;
  }
}

TEST(PageLayoutAnalysis, ColumnsAreReadLeftToRightBetweenPartsSpanningThePage) {
  platform::Bitmap page = enginetest::MakePage(2000, 2000);
  const int32_t titleBottom = DrawLines(page, 100, 100, 2, 38);
  const int32_t left = 100, middle = 100 + 13 * kStep + 100, right = middle + 13 * kStep + 100;
  const int32_t top = titleBottom + 80;
  const int32_t leftBottom = DrawLines(page, left, top, 18, 13, 2);
  DrawLines(page, middle, top, 15, 13, 2);
  DrawLines(page, right, top, 8, 13, 2);
  const int32_t footTop = leftBottom + 100;
  DrawLines(page, 100, footTop, 1, 30);
  const std::vector<core::Box> regions = FindTextRegions(page);
  ASSERT_EQ(regions.size(), 5u);
  EXPECT_TRUE(Inside(regions[0], 100, 100, 100 + 37 * kStep + kChar - 1, titleBottom));
  EXPECT_TRUE(Inside(regions[1], left, top, left + 12 * kStep + kChar - 1, leftBottom));
  EXPECT_LT(regions[1].Right, middle);
  EXPECT_TRUE(Inside(regions[2], middle, top, middle + 12 * kStep + kChar - 1, top + 14 * kPitch + kChar - 1));
  EXPECT_LT(regions[2].Right, right);
  EXPECT_GT(regions[3].Left, regions[2].Right);
  EXPECT_GE(regions[4].Top, leftBottom);
  EXPECT_TRUE(Inside(regions[4], 100, footTop, 100 + 29 * kStep + kChar - 1, footTop + kChar - 1));
}

TEST(PageLayoutAnalysis, EmptyAndSpeckledPagesHaveNoRegions) {
  platform::Bitmap page = enginetest::MakePage(600, 800);
  EXPECT_TRUE(FindTextRegions(page).empty());
  for (int32_t i = 0; i < 200; ++i) enginetest::DrawPixel(page, (i * 37) % 600, (i * 53) % 800);
  EXPECT_TRUE(FindTextRegions(page).empty());
  EXPECT_TRUE(FindTextRegions(platform::Bitmap(10, 10, 8)).empty());
}

TEST(PageLayoutAnalysis, ParagraphsBeginAtIndentsAndWiderGaps) {
  auto line = [](int32_t left, int32_t top) { return core::Box{left, 1800, top, top + 39}; };
  const std::vector<core::Box> lines = {
      line(180, 100),  // indented first line
      line(100, 160),  line(100, 220),
      line(180, 280),  // indented
      line(100, 340),
      line(100, 440),  // after a gap wider by more than half a line
      line(100, 500),  line(120, 560),  // a slight wobble is no indent
  };
  const std::vector<bool> expected = {true, false, false, true, false, true, false, false};
  EXPECT_EQ(ParagraphStarts(lines), expected);
  EXPECT_TRUE(ParagraphStarts({}).empty());
  EXPECT_EQ(ParagraphStarts({line(300, 10)}), std::vector<bool>{true});
}

}  // namespace
}  // namespace app
