// Training pages: the seeded generator, determinism of degraded pages (the
// same seed gives the same bytes), character boxes that stay tight around
// the ink after every degradation, and the ground-truth helpers of learning.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "formats/BmpCodec.h"
#include "training/PageRenderer.h"
#include "training/TrainDegrade.h"
#include "training/TrainLearn.h"

namespace {

const char* const kSongFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

bool Ink(const platform::Bitmap& page, int32_t x, int32_t y) {
  return (page.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

class TrainPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  }
  training::RenderedPage Render(int32_t dpi) {
    training::RenderOptions options;
    options.Font.Path = kSongFont;
    options.Dpi = dpi;
    options.PointSize = 12;
    options.PageWidth = 1200 * dpi / 300;
    options.PageHeight = 600 * dpi / 300;
    options.Margin = 100 * dpi / 300;
    std::vector<training::RenderedPage> pages;
    std::string error;
    EXPECT_TRUE(training::RenderText({"中文字符识别，训练页面。ABC 123", "一二三四五六七八九十"}, options,
                                     pages, &error))
        << error;
    EXPECT_FALSE(pages.empty());
    return pages.empty() ? training::RenderedPage{} : pages[0];
  }
  static training::Degradation Scan(uint64_t seed) {
    training::Degradation d;
    d.SkewDegrees = 1.5;
    d.BlurSigma = 1.0;
    d.InkSpread = 0.5;
    d.NoiseDeviation = 14;
    d.Threshold = 132;
    d.BlackSpecks = 40;
    d.WhiteSpecks = 40;
    d.Seed = seed;
    return d;
  }
};

TEST(TrainRandom, SameSeedSameSequenceAndValuesInRange) {
  training::Random a(42), b(42), c(43);
  double sum = 0, squares = 0;
  for (int i = 0; i < 20000; ++i) {
    const uint64_t x = a.Next();
    EXPECT_EQ(x, b.Next());
    if (i == 0) {
      EXPECT_NE(x, c.Next());
    }
    const double u = a.Uniform();
    b.Uniform();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    const int32_t k = a.Below(7);
    b.Below(7);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, 7);
    const double g = a.Gaussian();
    b.Gaussian();
    sum += g;
    squares += g * g;
  }
  EXPECT_NEAR(sum / 20000, 0.0, 0.05);
  EXPECT_NEAR(squares / 20000, 1.0, 0.05);
}

TEST_F(TrainPagesTest, SameSeedGivesTheSameBytes) {
  training::RenderedPage first = Render(300), second = Render(300), third = Render(300);
  training::DegradePage(first, Scan(7));
  training::DegradePage(second, Scan(7));
  training::DegradePage(third, Scan(8));
  EXPECT_EQ(formats::EncodeBmp(first.Page), formats::EncodeBmp(second.Page));
  ASSERT_EQ(first.Chars.size(), second.Chars.size());
  for (size_t i = 0; i < first.Chars.size(); ++i) {
    EXPECT_EQ(first.Chars[i].Left, second.Chars[i].Left);
    EXPECT_EQ(first.Chars[i].Bottom, second.Chars[i].Bottom);
  }
  EXPECT_NE(formats::EncodeBmp(first.Page), formats::EncodeBmp(third.Page));
}

TEST_F(TrainPagesTest, WithoutDegradationThePageStaysAsRendered) {
  training::RenderedPage page = Render(300);
  const training::RenderedPage original = page;
  training::DegradePage(page, training::Degradation{});
  EXPECT_EQ(page.Page.Bits(), original.Page.Bits());
  ASSERT_EQ(page.Chars.size(), original.Chars.size());
  EXPECT_EQ(page.Chars[0].Right, original.Chars[0].Right);
}

// Every box lies on the page and touches ink on each of its four sides.
void ExpectTightBoxes(const training::RenderedPage& page) {
  for (const training::RenderedChar& c : page.Chars) {
    ASSERT_GE(c.Left, 0);
    ASSERT_GE(c.Top, 0);
    ASSERT_LT(c.Right, page.Page.Width());
    ASSERT_LT(c.Bottom, page.Page.Height());
    bool left = false, right = false, top = false, bottom = false;
    for (int32_t y = c.Top; y <= c.Bottom; ++y) {
      left |= Ink(page.Page, c.Left, y);
      right |= Ink(page.Page, c.Right, y);
    }
    for (int32_t x = c.Left; x <= c.Right; ++x) {
      top |= Ink(page.Page, x, c.Top);
      bottom |= Ink(page.Page, x, c.Bottom);
    }
    EXPECT_TRUE(left && right && top && bottom) << c.Gbk << " at " << c.Left << "," << c.Top;
  }
}

TEST_F(TrainPagesTest, DegradedBoxesStayTightAndFollowTheRotation) {
  const training::RenderedPage original = Render(300);
  training::RenderedPage page = original;
  training::Degradation d = Scan(3);
  d.BlackSpecks = d.WhiteSpecks = 0;
  training::DegradePage(page, d);
  ASSERT_EQ(page.Chars.size(), original.Chars.size());
  ExpectTightBoxes(page);
  // Centres move as the page turns counter-clockwise about its centre.
  const double angle = d.SkewDegrees * std::numbers::pi / 180;
  const double cx = (page.Page.Width() - 1) / 2.0, cy = (page.Page.Height() - 1) / 2.0;
  for (size_t i = 0; i < page.Chars.size(); ++i) {
    const auto& o = original.Chars[i];
    const double dx = (o.Left + o.Right) / 2.0 - cx, dy = (o.Top + o.Bottom) / 2.0 - cy;
    const double ex = cx + dx * std::cos(angle) + dy * std::sin(angle);
    const double ey = cy - dx * std::sin(angle) + dy * std::cos(angle);
    EXPECT_NEAR((page.Chars[i].Left + page.Chars[i].Right) / 2.0, ex, 3.0) << i;
    EXPECT_NEAR((page.Chars[i].Top + page.Chars[i].Bottom) / 2.0, ey, 3.0) << i;
  }
}

TEST_F(TrainPagesTest, ReducedPageHasScaledTightBoxes) {
  const training::RenderedPage original = Render(600);
  training::RenderedPage page = original;
  training::Degradation d;
  d.Reduce = 2;
  training::DegradePage(page, d);
  EXPECT_EQ(page.Page.Width(), original.Page.Width() / 2);
  EXPECT_EQ(page.Page.Height(), original.Page.Height() / 2);
  ASSERT_EQ(page.Chars.size(), original.Chars.size());
  ExpectTightBoxes(page);
  for (size_t i = 0; i < page.Chars.size(); ++i) {
    EXPECT_NEAR(page.Chars[i].Left, original.Chars[i].Left / 2.0, 1.5);
    EXPECT_NEAR(page.Chars[i].Bottom, original.Chars[i].Bottom / 2.0, 1.5);
  }
}

TEST_F(TrainPagesTest, SpecksNeverLeaveABoxWithoutInk) {
  training::RenderedPage page = Render(300);
  training::DegradePage(page, Scan(11));
  EXPECT_FALSE(page.Chars.empty());
  ExpectTightBoxes(page);
}

int64_t InkPixels(const platform::Bitmap& page) {
  int64_t count = 0;
  for (int32_t y = 0; y < page.Height(); ++y) {
    for (int32_t x = 0; x < page.Width(); ++x) count += Ink(page, x, y);
  }
  return count;
}

// A light scan: no print gain and a high threshold, so the thin strokes of
// the face break into specks; the page is thickened as the recognition run
// would thicken it, and the boxes are measured on the thickened ink.
TEST_F(TrainPagesTest, BrokenPageIsThickenedLikeTheRecognitionRunDoesIt) {
  training::RenderedPage page = Render(300);
  const int64_t rendered = InkPixels(page.Page);
  training::Degradation faint;
  faint.BlurSigma = 1.0;
  faint.NoiseDeviation = 12;
  faint.Threshold = 90;
  faint.Seed = 5;
  training::DegradePage(page, faint);
  EXPECT_GT(InkPixels(page.Page), rendered) << "thickened beyond the rendered ink";
  ExpectTightBoxes(page);

  training::RenderedPage sound = Render(300);
  training::Degradation light = faint;
  light.Threshold = 128;
  training::DegradePage(sound, light);
  EXPECT_LT(InkPixels(sound.Page), 2 * rendered) << "a sound page is not thickened";

  training::RenderedPage scanned = Render(300);
  training::Degradation asScanned = faint;
  asScanned.ThickenBroken = false;
  training::DegradePage(scanned, asScanned);
  EXPECT_LT(InkPixels(scanned.Page), rendered) << "a test page keeps its broken strokes";
}

TEST(TrainLearn, BoxOverlapAndCharacterComparison) {
  const core::Box a{0, 9, 0, 9}, b{5, 14, 0, 9}, c{20, 29, 0, 9};
  EXPECT_DOUBLE_EQ(training::BoxOverlap(a, a), 1.0);
  EXPECT_DOUBLE_EQ(training::BoxOverlap(a, b), 50.0 / 150.0);
  EXPECT_DOUBLE_EQ(training::BoxOverlap(a, c), 0.0);
  EXPECT_TRUE(training::SameCharacter(core::MakeCode(0xA3, 0xC1), core::AsciiCode('A')));
  EXPECT_FALSE(training::SameCharacter(core::MakeCode(0xA3, 0xC1), core::AsciiCode('a')));
  EXPECT_FALSE(training::SameCharacter(core::MakeCode(0xD6, 0xD0), core::MakeCode(0xB9, 0xFA)));
}

}  // namespace
