// Skew detection: the ray limits, the tie rule, blank and single-line pages,
// and pages of text-like boxes turned by a known angle.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ImagingFixtures.h"
#include "imaging/UIncline.h"
#include "platform/PageBits.h"

namespace imaging {
namespace {

using platform::Bitmap;

SkewPage PageOf(const Bitmap& bitmap) {
  return SkewPage{bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.RowBytes(), 1};
}

// A page of text lines made of character boxes 24 pixels square, each three
// horizontal strokes 4 pixels thick (gaps of 6 between boxes, 16 between
// lines), turned clockwise on the screen by `degrees` about the page centre.
Bitmap BoxPage(int32_t width, int32_t height, double degrees) {
  Bitmap page(width, height, 1);
  const double a = degrees * std::numbers::pi / 180;
  const double c = std::cos(a), s = std::sin(a);
  const double cx = width / 2.0, cy = height / 2.0;
  const double halfWidth = width * 0.38, halfHeight = height * 0.42;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double u = (x - cx) * c + (y - cy) * s;
      const double v = -(x - cx) * s + (y - cy) * c;
      if (std::abs(u) > halfWidth || std::abs(v) > halfHeight) continue;
      const double column = std::fmod(u + 3000, 30), row = std::fmod(v + 3000, 40);
      if (column < 24 && row < 24 && std::fmod(row, 10) < 4) testing::SetBit(page, x, y, 1);
    }
  }
  return page;
}

TEST(SkewTable, CorrectionTurnsAgainstTheSlope) {
  EXPECT_EQ(SkewTable[3].CorrectionAngle, -3);
  EXPECT_EQ(SkewTable[11].Slope, -SkewTable[3].Slope);
  EXPECT_EQ(SkewTable[11].CorrectionAngle, 3);
  for (int k = 1; k <= 8; ++k)
    EXPECT_NEAR(SkewTable[k].Slope, std::tan(k * std::numbers::pi / 180),
                2e-8);  // stored in single precision
}

TEST(SkewRays, LimitsFollowThePageSize) {
  EXPECT_EQ(MinHits(800, 1100), 1);
  EXPECT_EQ(MaxRayLength(800, 1100), 1100);
  EXPECT_EQ(MinHits(3000, 4000), 6);
  EXPECT_EQ(MinHits(1000, 1000), 2);
}

TEST(DetectSkew, BlankPageGivesTheLastEntry) {
  const Bitmap blank(300, 200, 1);
  EXPECT_EQ(DetectSkew(PageOf(blank)), 16);
  Bitmap turned = blank;
  EXPECT_TRUE(AutoDeskew(turned));
  EXPECT_EQ(turned.Bits(), blank.Bits());  // turned by +8 degrees, still white
}

TEST(DetectSkew, SingleLineTiesEverySlope) {
  Bitmap page(600, 400, 1);
  testing::Ink(page, 0, 200, 599, 200);
  SkewSums sums{};
  MeasureRays(PageOf(page), 100, 100, sums);
  for (int64_t sum : sums) EXPECT_EQ(sum, 601);  // 500 to the right edge, 101 to the left
  EXPECT_EQ(DetectSkew(PageOf(page)), 16);
  Bitmap turned = page;
  EXPECT_TRUE(AutoDeskew(turned));
  EXPECT_NE(turned.Bits(), page.Bits());
}

TEST(DetectSkew, RaysStopAtTheMinHitsInkPixel) {
  Bitmap page(1000, 1000, 1);  // minHits 2
  testing::Ink(page, 510, 500, 510, 500);
  testing::Ink(page, 530, 500, 530, 500);
  SkewSums sums{};
  MeasureRays(PageOf(page), 500, 500, sums);
  EXPECT_EQ(sums[0], 30 + 501);  // the right ray stops at its second ink pixel
}

TEST(DetectSkew, FindsTheAngleOfTurnedText) {
  EXPECT_EQ(DetectSkew(PageOf(BoxPage(1000, 1300, 0))), 0);
  EXPECT_EQ(DetectSkew(PageOf(BoxPage(1000, 1300, 3))), 3);
  EXPECT_EQ(DetectSkew(PageOf(BoxPage(1000, 1300, -5))), 13);
  EXPECT_EQ(DetectSkew(PageOf(BoxPage(1000, 1300, 0.6))), 1);
  EXPECT_EQ(DetectSkew(PageOf(BoxPage(1000, 1300, 12))), 8);  // beyond the table: at most 8
}

TEST(AutoDeskew, StraightensTurnedText) {
  Bitmap level = BoxPage(1000, 1300, 0);
  const Bitmap before = level;
  EXPECT_TRUE(AutoDeskew(level));
  EXPECT_EQ(level.Bits(), before.Bits());  // entry 0: nothing changes

  Bitmap skewed = BoxPage(1000, 1300, 3);
  EXPECT_TRUE(AutoDeskew(skewed));
  EXPECT_EQ(DetectSkew(PageOf(skewed)), 0);

  Bitmap grey(10, 10, 8);
  EXPECT_FALSE(AutoDeskew(grey));
  Bitmap empty;
  EXPECT_FALSE(AutoDeskew(empty));
}

TEST(StraightenIfSkewed, TurnsOnlyAClearSlope) {
  // A single rule ties every slope: AutoDeskew turns it by the last entry,
  // the careful straightening leaves it level.
  Bitmap rule(600, 400, 1);
  testing::Ink(rule, 0, 200, 599, 200);
  const Bitmap before = rule;
  EXPECT_TRUE(StraightenIfSkewed(rule));
  EXPECT_EQ(rule.Bits(), before.Bits());

  Bitmap level = BoxPage(1000, 1300, 0);
  const Bitmap levelBefore = level;
  EXPECT_TRUE(StraightenIfSkewed(level));
  EXPECT_EQ(level.Bits(), levelBefore.Bits());

  Bitmap skewed = BoxPage(1000, 1300, -5);
  Bitmap asAuto = skewed;
  EXPECT_TRUE(StraightenIfSkewed(skewed));
  EXPECT_TRUE(AutoDeskew(asAuto));
  EXPECT_EQ(skewed.Bits(), asAuto.Bits());
  EXPECT_EQ(DetectSkew(PageOf(skewed)), 0);
  Bitmap grey(10, 10, 8);
  EXPECT_FALSE(StraightenIfSkewed(grey));
}

// Measured: a skewed page of text sends 374 pairs of rays and its slope runs
// 42 % farther than level; level pages of one line send 5 to 8 pairs, and a
// slope wins by 0.1 % (the line reaches across the page) or 20 % (a short
// line, whose sloped rays pass its ends).
TEST(StraightenIfSkewed, AClearSlopeOfEnoughTextWinsByAMargin) {
  SkewSums sums{};
  sums[0] = 283623;
  sums[1] = 403928;
  EXPECT_TRUE(ClearlySkewed(sums, 1, 374));
  EXPECT_FALSE(ClearlySkewed(sums, 1, 5));
  sums[0] = 15765;
  sums[10] = 15781;
  EXPECT_FALSE(ClearlySkewed(sums, 10, kMinSkewRayPairs));
  sums[10] = 15765 + 15765 / kClearSkewDenominator + 1;
  EXPECT_TRUE(ClearlySkewed(sums, 10, kMinSkewRayPairs));
  EXPECT_FALSE(ClearlySkewed(sums, 0, kMinSkewRayPairs));
}

TEST(StraightenIfSkewed, CountsTheRayPairs) {
  // Ten boxes on the middle scan line of a page 600 wide give ten pairs.
  Bitmap page(600, 400, 1);
  for (int32_t i = 0; i < 10; ++i) testing::Ink(page, 295, 20 + 30 * i, 305, 30 + 30 * i);
  int32_t pairs = 0;
  MeasureSkew(PageOf(page), &pairs);
  EXPECT_EQ(pairs, 10);
}

}  // namespace
}  // namespace imaging
