// Broken strokes: counting tiny and whole components, thickening the ink,
// and a run that joins the slivers of a page before its scan.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineState.h"
#include "engine/StrokeRepair.h"
#include "platform/PageBits.h"
#include "support/EngineFixtures.h"

namespace {

using engine::Box;

// Page bits of a bitmap and the reverse, for the functions under test.
struct Bits {
  explicit Bits(const platform::Bitmap& page) {
    int32_t size = 0;
    platform::GetPageBits(page, size, Width, Data, RowBytes, Height);
    Ink = engine::InkValueOf(page);
  }
  bool IsInk(int32_t x, int32_t y) const {
    return ((Data[static_cast<size_t>(y) * RowBytes + (x >> 3)] >> (7 - (x & 7))) & 1) == Ink;
  }
  std::vector<uint8_t> Data;
  int32_t Width = 0, Height = 0, RowBytes = 0;
  uint8_t Ink = 1;
};

TEST(StrokeRepairTest, CountsTinyAndWholeComponents8Connected) {
  platform::Bitmap page = enginetest::MakePage(64, 40);
  enginetest::DrawBox(page, 2, 3, 2, 3);    // 4 pixels
  enginetest::DrawPixel(page, 10, 10);      // two pixels touching at a corner: one component
  enginetest::DrawPixel(page, 11, 11);
  enginetest::DrawBox(page, 20, 23, 14, 23);  // 40 pixels: whole
  enginetest::DrawBox(page, 40, 44, 2, 4);    // 15 pixels: neither
  enginetest::DrawBox(page, 50, 59, 30, 39);  // 100 pixels
  const Bits bits(page);
  engine::FragmentCount count = engine::CountFragments(bits.Data, bits.RowBytes, bits.Ink, Box{0, 63, 0, 39});
  EXPECT_EQ(count.Tiny, 2);
  EXPECT_EQ(count.Whole, 2);
  EXPECT_FALSE(engine::HasBrokenStrokes(count));
  count = engine::CountFragments(bits.Data, bits.RowBytes, bits.Ink, Box{0, 30, 0, 25});
  EXPECT_EQ(count.Tiny, 2);
  EXPECT_EQ(count.Whole, 1);
  EXPECT_TRUE(engine::HasBrokenStrokes(count));
}

// Specks and ragged edges around wide strokes are no broken strokes: the ink
// of the region lies mostly in runs wider than a thin stroke.
// Runs are found 64 pixels at a time: a run across the words stays one run,
// the region cuts it at its edges, also inside a byte, and a run that ends
// where a word ends is not joined to the ink of the next word, in either
// palette.
TEST(StrokeRepairTest, RunsAcrossWordsAndRegionEdges) {
  for (const bool inkIsOne : {true, false}) {
    platform::Bitmap page = enginetest::MakePage(200, 10, inkIsOne);
    enginetest::DrawBox(page, 5, 150, 2, 2);
    enginetest::DrawBox(page, 60, 63, 6, 6);
    enginetest::DrawBox(page, 65, 75, 6, 6);
    const Bits bits(page);
    auto width = [&](Box region) {
      return engine::CountFragments(bits.Data, bits.RowBytes, bits.Ink, region).StrokeWidth;
    };
    EXPECT_EQ(width(Box{0, 199, 0, 4}), 146);
    EXPECT_EQ(width(Box{7, 140, 0, 4}), 134);
    EXPECT_EQ(width(Box{64, 127, 0, 4}), 64);
    EXPECT_EQ(width(Box{150, 199, 0, 4}), 1);
    EXPECT_EQ(width(Box{151, 199, 0, 9}), 0);  // no ink
    EXPECT_EQ(width(Box{0, 199, 5, 9}), 11);   // runs of 4 and 11: the median pixel is in the 11
    const engine::FragmentCount count =
        engine::CountFragments(bits.Data, bits.RowBytes, bits.Ink, Box{61, 65, 5, 9});
    EXPECT_EQ(count.Tiny, 2);  // 61..63 and 65: apart
  }
}

TEST(StrokeRepairTest, WideStrokesWithSpecksAreNotBroken) {
  platform::Bitmap page = enginetest::MakePage(64, 40);
  for (int32_t x = 2; x <= 20; x += 3) enginetest::DrawPixel(page, x, 2);  // seven specks
  enginetest::DrawBox(page, 10, 19, 10, 39);                             // two strokes 10 wide
  enginetest::DrawBox(page, 40, 49, 10, 39);
  const Bits bits(page);
  engine::FragmentCount count = engine::CountFragments(bits.Data, bits.RowBytes, bits.Ink, Box{0, 63, 0, 39});
  EXPECT_EQ(count.Tiny, 7);
  EXPECT_EQ(count.Whole, 2);
  EXPECT_EQ(count.StrokeWidth, 10);
  EXPECT_FALSE(engine::HasBrokenStrokes(count));
  page = enginetest::MakePage(64, 40);
  for (int32_t x = 2; x <= 20; x += 3) enginetest::DrawPixel(page, x, 2);
  enginetest::DrawBox(page, 10, 12, 10, 39);  // the same strokes 3 wide
  enginetest::DrawBox(page, 40, 42, 10, 39);
  const Bits thin(page);
  count = engine::CountFragments(thin.Data, thin.RowBytes, thin.Ink, Box{0, 63, 0, 39});
  EXPECT_EQ(count.StrokeWidth, 3);
  EXPECT_TRUE(engine::HasBrokenStrokes(count));
}

TEST(StrokeRepairTest, ThickeningJoinsDottedRunsInEitherPalette) {
  for (const bool inkIsOne : {true, false}) {
    platform::Bitmap page = enginetest::MakePage(33, 10, inkIsOne);
    for (int32_t x = 4; x <= 32; x += 2) enginetest::DrawPixel(page, x, 5);  // dotted to the last column
    Bits bits(page);
    engine::RepairBrokenStrokes(bits.Data, bits.RowBytes, bits.Width, bits.Height, bits.Ink);
    for (int32_t x = 2; x <= 32; ++x) {
      for (int32_t y = 4; y <= 6; ++y) EXPECT_TRUE(bits.IsInk(x, y)) << x << "," << y;
    }
    EXPECT_FALSE(bits.IsInk(1, 5));
    EXPECT_FALSE(bits.IsInk(2, 3));
    EXPECT_FALSE(bits.IsInk(2, 7));
    // The padding past the last column stays paper.
    const uint8_t padding = bits.Data[static_cast<size_t>(5) * bits.RowBytes + 4] & 0x7F;
    EXPECT_EQ(padding, inkIsOne ? 0 : 0x7F);
  }
}

TEST(StrokeRepairTest, RunJoinsTheSliversOfABrokenPage) {
  // Two squares outlined in dots two pixels apart: every dot is far smaller
  // than a component the scan keeps, so unrepaired the page has no blocks.
  platform::Bitmap page = enginetest::MakePage(200, 80);
  for (const int32_t left : {20, 100}) {
    for (int32_t i = 0; i <= 40; i += 2) {
      enginetest::DrawPixel(page, left + i, 20);
      enginetest::DrawPixel(page, left + i, 60);
      enginetest::DrawPixel(page, left, 20 + i);
      enginetest::DrawPixel(page, left + 40, 20 + i);
    }
  }
  enginetest::RunFixture run;
  ASSERT_EQ(run.Recognise(page), engine::RunOutcome::Done);
  ASSERT_EQ(engine::PageLines.size(), 1u);
  EXPECT_EQ(enginetest::DescribePageLines(), "18-62/19-61 98-142/19-61\n");
}

}  // namespace
