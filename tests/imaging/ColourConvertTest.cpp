// Colour to grey, threshold and automatic threshold.
#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/ColourConvert.h"
#include "platform/UiHooks.h"

namespace imaging {
namespace {

using platform::Bitmap;
using platform::RgbQuad;
using testing::Bit;

struct Rgb {
  uint8_t Red, Green, Blue;
};
const Rgb kPure[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}};
const uint8_t kPureGrey[] = {76, 150, 27, 255, 0};

TEST(ColourToGrey, PureColoursAtEveryDepth) {
  Bitmap rgb24(5, 1, 24), rgb32(5, 1, 32), rgb16(5, 1, 16), indexed(5, 1, 8);
  for (int x = 0; x < 5; ++x) {
    const Rgb c = kPure[x];
    uint8_t* p24 = rgb24.Row(0) + 3 * x;
    p24[0] = c.Blue, p24[1] = c.Green, p24[2] = c.Red;
    uint8_t* p32 = rgb32.Row(0) + 4 * x;
    p32[0] = c.Blue, p32[1] = c.Green, p32[2] = c.Red;
    const auto five = [](uint8_t v) { return v >> 3; };
    const int v16 = (five(c.Red) << 10) | (five(c.Green) << 5) | five(c.Blue);
    rgb16.Row(0)[2 * x] = static_cast<uint8_t>(v16), rgb16.Row(0)[2 * x + 1] = static_cast<uint8_t>(v16 >> 8);
    indexed.Palette()[10 + x] = RgbQuad{c.Blue, c.Green, c.Red, 0};
    indexed.Row(0)[x] = static_cast<uint8_t>(10 + x);
  }
  for (const Bitmap* source : {&rgb24, &rgb32, &rgb16, &indexed}) {
    SCOPED_TRACE(source->BitCount());
    Bitmap grey;
    ASSERT_TRUE(ColourToGrey(*source, grey));
    ASSERT_EQ(grey.BitCount(), 8);
    ASSERT_EQ(grey.Width(), 5);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(grey.Row(0)[x], kPureGrey[x]) << x;
    ASSERT_EQ(grey.Palette().size(), 256u);
    EXPECT_EQ(grey.Palette()[76].Red, 76);
    EXPECT_EQ(grey.Palette()[76].Blue, 76);
  }
}

TEST(ColourToGrey, RowPaddingOfNarrowImages) {
  const int32_t rowBytes[] = {4, 8, 12, 12};
  for (int32_t width = 1; width <= 4; ++width) {
    EXPECT_EQ(platform::DibRowBytes(width, 24), 3 * width + width % 4);
    EXPECT_EQ(platform::DibRowBytes(width, 24), rowBytes[width - 1]);
    Bitmap rgb(width, 2, 24);
    std::fill(rgb.Row(1), rgb.Row(1) + 3 * width, 0xFF);  // bottom row white
    Bitmap grey;
    ASSERT_TRUE(ColourToGrey(rgb, grey));
    for (int32_t x = 0; x < width; ++x) {
      EXPECT_EQ(grey.Row(0)[x], 0);
      EXPECT_EQ(grey.Row(1)[x], 255);
    }
  }
}

TEST(ColourToGrey, MonochromePagesThroughTheirPalette) {
  Bitmap page(3, 1, 1);
  page.Palette() = {RgbQuad{0, 0, 0, 0}, RgbQuad{255, 255, 255, 0}};  // entry 0 black
  page.Row(0)[0] = 0x40;                                              // pixel 1 is entry 1
  Bitmap grey;
  ASSERT_TRUE(ColourToGrey(page, grey));
  EXPECT_EQ(grey.Row(0)[0], 0);
  EXPECT_EQ(grey.Row(0)[1], 255);
  EXPECT_EQ(grey.Row(0)[2], 0);

  Bitmap untouched(2, 2, 24);
  EXPECT_FALSE(ColourToGrey(Bitmap(), untouched));
  EXPECT_EQ(untouched.BitCount(), 24);
}

Bitmap GreyRow(std::initializer_list<uint8_t> values) {
  Bitmap grey(static_cast<int32_t>(values.size()), 1, 8);
  std::copy(values.begin(), values.end(), grey.Row(0));
  for (int i = 0; i < 256; ++i) grey.Palette()[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  return grey;
}

TEST(ThresholdToMono, BelowTheThresholdIsBlack) {
  const Bitmap grey = GreyRow({0, 79, 80, 254, 255});
  Bitmap mono;
  ASSERT_TRUE(ThresholdToMono(grey, mono, 80));
  ASSERT_EQ(mono.BitCount(), 1);
  ASSERT_EQ(mono.Width(), 5);
  EXPECT_EQ(mono.Palette()[0].Red, 255);
  EXPECT_EQ(mono.Palette()[1].Red, 0);
  const int expected80[] = {1, 1, 0, 0, 0};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Bit(mono, x, 0), expected80[x]) << x;

  ASSERT_TRUE(ThresholdToMono(grey, mono, 0));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Bit(mono, x, 0), 0) << x;
  ASSERT_TRUE(ThresholdToMono(grey, mono, 255));
  const int expected255[] = {1, 1, 1, 1, 0};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Bit(mono, x, 0), expected255[x]) << x;
}

TEST(ThresholdToMono, ReadsThePaletteGreyAndMayWorkInPlace) {
  Bitmap indexed(2, 1, 8);
  indexed.Palette()[0] = RgbQuad{255, 255, 255, 0};  // index 0 white
  indexed.Palette()[1] = RgbQuad{0, 0, 0, 0};        // index 1 black
  indexed.Row(0)[0] = 1;
  ASSERT_TRUE(ThresholdToMono(indexed, indexed, 80));
  EXPECT_EQ(indexed.BitCount(), 1);
  EXPECT_EQ(Bit(indexed, 0, 0), 1);
  EXPECT_EQ(Bit(indexed, 1, 0), 0);
}

}  // namespace
}  // namespace imaging
