// Quarter, half and free turns of 1-bit and 8-bit bitmaps.
#include <gtest/gtest.h>

#include <random>

#include "ImagingFixtures.h"
#include "imaging/Rotation.h"
#include "platform/UiHooks.h"

namespace imaging {
namespace {

using platform::Bitmap;
using testing::Bit;
using testing::SetBit;

class RotationTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetUi(&ui_); }
  void TearDown() override { platform::SetUi(nullptr); }
  platform::HeadlessUi ui_;
};

Bitmap RandomBitmap(int32_t width, int32_t height, uint16_t bits, uint32_t seed) {
  Bitmap bitmap(width, height, bits);
  std::mt19937 random(seed);
  for (auto& b : bitmap.Bits()) b = static_cast<uint8_t>(random());
  return bitmap;
}

TEST_F(RotationTest, QuarterTurnOfThreeByTwo) {
  // a b c        90: d a     270: c f
  // d e f            e b          b e
  //                  f c          a d
  Bitmap grey(3, 2, 8);
  const uint8_t values[2][3] = {{'a', 'b', 'c'}, {'d', 'e', 'f'}};
  for (int y = 0; y < 2; ++y) std::copy_n(values[y], 3, grey.Row(y));
  Bitmap clockwise = grey;
  ASSERT_TRUE(RotateBitmap(clockwise, 90));
  ASSERT_EQ(clockwise.Width(), 2);
  ASSERT_EQ(clockwise.Height(), 3);
  const char* expected90[] = {"da", "eb", "fc"};
  for (int y = 0; y < 3; ++y) EXPECT_EQ(std::string(clockwise.Row(y), clockwise.Row(y) + 2), expected90[y]);
  Bitmap counter = grey;
  ASSERT_TRUE(RotateBitmap(counter, 270));
  const char* expected270[] = {"cf", "be", "ad"};
  for (int y = 0; y < 3; ++y) EXPECT_EQ(std::string(counter.Row(y), counter.Row(y) + 2), expected270[y]);

  Bitmap mono(3, 2, 1);
  SetBit(mono, 0, 0, 1);
  ASSERT_TRUE(RotateBitmap(mono, 90));
  EXPECT_EQ(mono.Width(), 2);
  EXPECT_EQ(Bit(mono, 1, 0), 1);  // the former top-left is now top-right
  EXPECT_EQ(Bit(mono, 0, 0) + Bit(mono, 0, 1) + Bit(mono, 1, 1) + Bit(mono, 0, 2) + Bit(mono, 1, 2), 0);
  EXPECT_TRUE(ui_.Messages.empty());
  EXPECT_FALSE(ui_.Busy);
}

TEST_F(RotationTest, TurnsUndoEachOther) {
  // Widths whose rows carry no padding, so that whole rows compare.
  for (auto [width, bits] : {std::pair<int32_t, uint16_t>{32, 1}, {8, 4}, {12, 8}, {4, 24}}) {
    SCOPED_TRACE(bits);
    const Bitmap original = RandomBitmap(width, 7, bits, bits);
    Bitmap page = original;
    ASSERT_TRUE(RotateBitmap(page, 90));
    EXPECT_EQ(page.Width(), 7);
    ASSERT_TRUE(RotateBitmap(page, 270));
    EXPECT_EQ(page.Bits(), original.Bits());
    ASSERT_TRUE(RotateBitmap(page, 180));
    ASSERT_TRUE(RotateBitmap(page, 180));
    EXPECT_EQ(page.Bits(), original.Bits());
  }
}

TEST_F(RotationTest, FreeAngleKeepsSizeAndFillsWhite) {
  for (bool blackFirst : {false, true}) {
    SCOPED_TRACE(blackFirst);
    Bitmap page(40, 30, 1);
    if (blackFirst) page.Palette() = {platform::RgbQuad{0, 0, 0, 0}, platform::RgbQuad{255, 255, 255, 0}};
    const int black = blackFirst ? 0 : 1;
    std::fill(page.Bits().begin(), page.Bits().end(), black ? 0xFF : 0x00);
    ASSERT_TRUE(RotateBitmap(page, 45));
    EXPECT_EQ(page.Width(), 40);
    EXPECT_EQ(page.Height(), 30);
    for (auto [x, y] : {std::pair{0, 0}, {39, 0}, {0, 29}, {39, 29}}) EXPECT_EQ(Bit(page, x, y), black ^ 1);
    EXPECT_EQ(Bit(page, 20, 15), black);
  }
}

TEST_F(RotationTest, FreeAngleMapsOnePixelRightAndDown) {
  Bitmap page(16, 12, 1);
  SetBit(page, 5, 4, 1);
  ASSERT_TRUE(RotateBitmap(page, 0));
  int count = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) count += Bit(page, x, y);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Bit(page, 6, 5), 1);
}

TEST_F(RotationTest, KernelNearestPixelAboutTheCentre) {
  // θ = −90° about (4, 4) for an angle of 90.25 is close to the quarter turn:
  // target (6, 4) has dx = 2, dy = 0 and takes the source 2 above the centre,
  // moved one left and up: (3, 1).
  Bitmap source(9, 9, 8), target(9, 9, 8);
  source.Row(1)[3] = 77;
  ASSERT_TRUE(RotateBits8(source.Bits(), target.Bits(), 255, 90.25, 4, 4, target.Header()));
  EXPECT_EQ(target.Row(4)[6], 77);
  EXPECT_EQ(target.Row(0)[0], 255);
  EXPECT_FALSE(
      RotateBits8(source.Bits(), std::span<uint8_t>(target.Bits()).first(10), 0, 10, 4, 4, target.Header()));
  EXPECT_FALSE(RotateBits1(source.Bits(), target.Bits(), 0, 90, 4, 4, target.Header()));  // row size 0
}

TEST_F(RotationTest, FailureLeavesTheBitmapAndRestoresTheCursor) {
  Bitmap empty;
  EXPECT_FALSE(RotateBitmap(empty, 90));
  ASSERT_EQ(ui_.Messages.size(), 1u);
  EXPECT_EQ(ui_.Messages[0].Text, "取位图数据错误");
  EXPECT_EQ(ui_.Messages[0].Icon, platform::MessageIcon::Question);
  EXPECT_FALSE(ui_.Busy);
  EXPECT_EQ(ui_.BusyChanges, 2);

  Bitmap damaged(10, 20, 1);
  damaged.Bits().resize(4);  // storage for one row of twenty
  EXPECT_FALSE(RotateBitmap(damaged, 270));
  EXPECT_EQ(damaged.Width(), 10);
  EXPECT_EQ(damaged.Height(), 20);
}

TEST(FillValue, WhiteIndex) {
  Bitmap mono(1, 1, 1);
  EXPECT_EQ(FillValue(mono), 0u);
  mono.Palette()[0] = platform::RgbQuad{0, 0, 0, 0};
  EXPECT_EQ(FillValue(mono), 1u);
  EXPECT_EQ(FillValue(Bitmap(1, 1, 8)), 255u);  // lightest entry of the grey ramp
}

}  // namespace
}  // namespace imaging
