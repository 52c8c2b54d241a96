// The adaptive threshold on grey pages made here: strokes on paper whose
// light falls from white to dark across the page are all kept, where one
// threshold for the page blackens its dark side; a grainy page comes out
// without its grain.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/AdaptiveThreshold.h"
#include "imaging/ColourConvert.h"

namespace app {
namespace {

constexpr int32_t kWidth = 900, kHeight = 400;

bool IsStroke(int32_t x, int32_t y) {
  // Vertical strokes 4 pixels wide every 30 pixels, in bands of text lines.
  return (y / 50) % 2 == 1 && x % 30 < 4;
}

// Paper from 245 at the left to 70 at the right; strokes at 40 % of it.
platform::Bitmap LitPage(int noise) {
  platform::Bitmap page(kWidth, kHeight, 8);
  uint32_t seed = 12345;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const int paper = 245 - 175 * x / kWidth;
      int value = IsStroke(x, y) ? paper * 2 / 5 : paper;
      seed = seed * 1103515245u + 12345u;
      value += noise ? static_cast<int>((seed >> 16) % (2 * noise + 1)) - noise : 0;
      page.Row(y)[x] = static_cast<uint8_t>(std::clamp(value, 0, 255));
    }
  }
  return page;
}

struct Counts {
  double StrokesKept = 0;  // share of stroke pixels that are ink
  double PaperInked = 0;   // share of paper pixels that are ink
};

Counts Count(const platform::Bitmap& mono) {
  int64_t strokes = 0, kept = 0, paper = 0, inked = 0;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const bool ink = (mono.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
      // Pixels right beside a stroke belong to neither.
      if (IsStroke(x, y)) {
        ++strokes;
        kept += ink;
      } else if (!IsStroke(x - 2, y) && !IsStroke(x + 2, y)) {
        ++paper;
        inked += ink;
      }
    }
  }
  return {static_cast<double>(kept) / strokes, static_cast<double>(inked) / paper};
}

TEST(AdaptiveThreshold, UnevenLightKeepsEveryStrokeAndNoPaper) {
  const platform::Bitmap grey = LitPage(0);
  platform::Bitmap mono;
  ASSERT_TRUE(AdaptiveThreshold(grey, mono));
  ASSERT_EQ(mono.BitCount(), 1);
  ASSERT_EQ(mono.Width(), kWidth);
  EXPECT_EQ(mono.Palette()[0].Red, 255);  // entry 0 white, ink is bit 1
  const Counts adaptive = Count(mono);
  EXPECT_GT(adaptive.StrokesKept, 0.95);
  EXPECT_LT(adaptive.PaperInked, 0.01);
  // One threshold for the whole page loses the dark side to ink.
  ASSERT_TRUE(imaging::ThresholdToMono(grey, mono, 128));
  EXPECT_GT(Count(mono).PaperInked, 0.3);
}

TEST(AdaptiveThreshold, GrainIsSmoothedAway) {
  platform::Bitmap mono;
  // Unsmoothed, a fifth of this paper would come out as specks of ink.
  ASSERT_TRUE(AdaptiveThreshold(LitPage(30), mono));
  const Counts grainy = Count(mono);
  EXPECT_GT(grainy.StrokesKept, 0.95);
  EXPECT_LT(grainy.PaperInked, 0.01);
  EXPECT_FALSE(AdaptiveThreshold(platform::Bitmap(4, 4, 24), mono));
}

}  // namespace
}  // namespace app
