// The flood fill of the page scan: the component box, the join of separate
// strokes inside the inner two thirds, the speck, rule and frame filters,
// the region, and the point stack limits.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "engine/RecognitionRun.h"
#include "support/EngineFixtures.h"

namespace {

using engine::BandBlocks;
using enginetest::DrawBox;

class RunComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::ResetEngineState(); }
  void TearDown() override {
    enginetest::ResetEngineState();
    engine::ScanBits.clear();
  }

  // Installs the page as ScanBits with the whole page as the region.
  void Load(const platform::Bitmap& page) {
    engine::ScanBits = page.Bits();
    engine::PageWidth = page.Width();
    engine::PageHeight = page.Height();
    engine::RowBytes = page.RowBytes();
    engine::InkValue = engine::InkValueOf(page);
    engine::Job.Left = engine::Job.Top = 0;
    engine::Job.Right = page.Width() - 1;
    engine::Job.Bottom = page.Height() - 1;
  }
  bool ScanInk(int32_t x, int32_t y) const { return engine::ScanPixel(x, y) == engine::InkValue; }
  std::string Collected() const {
    std::vector<core::Box> boxes;
    for (const core::CharBlock* block : BandBlocks) boxes.push_back(core::BoxOf(*block));
    return enginetest::DescribeBoxes(boxes);
  }
};

TEST_F(RunComponentTest, StrokesInsideTheInnerTwoThirdsJoinTheComponent) {
  platform::Bitmap page = enginetest::MakePage(400, 400);
  DrawBox(page, 100, 160, 100, 103);  // top bar: the seed
  DrawBox(page, 100, 103, 100, 160);  // left bar
  DrawBox(page, 125, 135, 125, 135);  // inside 110..150 (dx = dy = 10)
  DrawBox(page, 152, 158, 152, 158);  // beyond the inner two thirds
  Load(page);
  engine::CollectComponent(100, 100);
  EXPECT_EQ(Collected(), "100-160/100-160");
  EXPECT_EQ(engine::BandBottom, 160);
  EXPECT_FALSE(ScanInk(130, 130)) << "the inner stroke was collected";
  EXPECT_TRUE(ScanInk(155, 155)) << "the outer stroke is left for the scan";
  EXPECT_EQ(engine::LogTop, 61 * 4 + 57 * 4 + 121 - 0) << "every collected pixel is logged";
}

// The inner part is the box less (width div 6) on the left and right and
// (height div 6) at the top and bottom, both edges included.
TEST_F(RunComponentTest, InnerPartEndsExactlyAtOneSixthOfTheBox) {
  platform::Bitmap page = enginetest::MakePage(400, 400);
  DrawBox(page, 100, 160, 100, 103);  // width and height 60: the inner part is 110..150
  DrawBox(page, 100, 103, 100, 160);
  const int32_t inside[][2] = {{110, 130}, {150, 120}, {130, 110}, {140, 150}};
  const int32_t outside[][2] = {{109, 140}, {151, 125}, {120, 109}, {135, 151}};
  for (const auto& p : inside) enginetest::DrawPixel(page, p[0], p[1]);
  for (const auto& p : outside) enginetest::DrawPixel(page, p[0], p[1]);
  Load(page);
  engine::CollectComponent(100, 100);
  for (const auto& p : inside) EXPECT_FALSE(ScanInk(p[0], p[1])) << p[0] << "," << p[1] << " is joined";
  for (const auto& p : outside) EXPECT_TRUE(ScanInk(p[0], p[1])) << p[0] << "," << p[1] << " is left";
}

TEST_F(RunComponentTest, SpecksRulesAndFramesAreDropped) {
  struct Case {
    const char* What;
    int32_t Left, Right, Top, Bottom;
    bool Kept;
  } cases[] = {
      // W = Right − Left + 3 and H = Bottom − Top + 3.
      {"9 pixels", 10, 12, 10, 12, false},
      {"10 pixels", 10, 14, 10, 11, true},
      {"rule W = 90 = 30 H", 10, 97, 10, 10, true},
      {"rule W = 91 > 30 H", 10, 98, 10, 10, false},
      {"vertical rule H = 124 > 30 W", 10, 10, 10, 130, false},
      {"wide bar W = 300 = half page", 10, 307, 500, 520, false},
  };
  for (const Case& c : cases) {
    enginetest::ResetEngineState();
    platform::Bitmap page = enginetest::MakePage(600, 700);
    DrawBox(page, c.Left, c.Right, c.Top, c.Bottom);
    Load(page);
    engine::CollectComponent(c.Left, c.Top);
    EXPECT_EQ(BandBlocks.size(), c.Kept ? 1u : 0u) << c.What;
    EXPECT_FALSE(ScanInk(c.Left, c.Top)) << "dropped pixels stay erased: " << c.What;
  }
}

TEST_F(RunComponentTest, FrameMustBeHalfThePageAndThreeHundredPixels) {
  // A hollow frame 298 wide on a 400 page: half the page but under 300,
  // so it is kept; the same frame on a page of 1200 is not half the page.
  for (int32_t width : {400, 1200}) {
    enginetest::ResetEngineState();
    platform::Bitmap page = enginetest::MakePage(width, 1200);
    DrawBox(page, 10, 305, 10, 13);
    DrawBox(page, 10, 305, 200, 203);
    DrawBox(page, 10, 13, 10, 203);
    DrawBox(page, 302, 305, 10, 203);
    Load(page);
    engine::CollectComponent(10, 10);
    EXPECT_EQ(Collected(), "10-305/10-203") << width;
  }
  // Right − Left = 300, half the page: the fill stops without searching the
  // inside, and the frame is dropped.
  enginetest::ResetEngineState();
  platform::Bitmap page = enginetest::MakePage(600, 1200);
  DrawBox(page, 10, 310, 10, 13);
  DrawBox(page, 10, 310, 200, 203);
  DrawBox(page, 10, 13, 10, 203);
  DrawBox(page, 307, 310, 10, 203);
  DrawBox(page, 150, 170, 100, 120);
  Load(page);
  engine::CollectComponent(10, 10);
  EXPECT_TRUE(BandBlocks.empty());
  EXPECT_TRUE(ScanInk(160, 110));
}

TEST_F(RunComponentTest, FillStaysInsideTheRegion) {
  platform::Bitmap page = enginetest::MakePage(300, 300);
  DrawBox(page, 50, 150, 50, 60);
  Load(page);
  engine::Job.Right = 99;
  engine::CollectComponent(50, 50);
  EXPECT_EQ(Collected(), "50-99/50-60");
  EXPECT_TRUE(ScanInk(100, 55));
}

// Neighbours touching only at a corner join, in either palette, wherever the
// three pixels around one fall in the bytes (inside a byte, across two).
TEST_F(RunComponentTest, CornersJoinAcrossBytesInEitherPalette) {
  for (const bool inkIsOne : {true, false}) {
    platform::Bitmap page = enginetest::MakePage(64, 64, inkIsOne);
    for (int32_t k = 0; k < 20; ++k) DrawBox(page, 5 + k, 5 + k, 10 + k % 2, 10 + k % 2);  // a zigzag
    DrawBox(page, 24, 24, 12, 30);  // a bar down from its end: 19 pixels
    DrawBox(page, 25, 25, 31, 31);  // a corner below it
    Load(page);
    engine::CollectComponent(5, 10);
    EXPECT_EQ(engine::LogTop, 20 + 19 + 1) << inkIsOne;
    EXPECT_EQ(Collected(), "5-25/10-31") << inkIsOne;
    for (int32_t y = 0; y < 64; ++y) {
      for (int32_t x = 0; x < 64; ++x) ASSERT_FALSE(ScanInk(x, y)) << x << "," << y;
    }
    enginetest::ResetEngineState();
  }
}

TEST_F(RunComponentTest, LargeBlobsRestartTheLogAndStopWhenTheStackIsNearlyFull) {
  // A solid 1000 x 1000 blob: the log passes the stack (and is restarted) and
  // the stack later nearly fills, so the fill stops before the blob is done;
  // every pixel it took is erased and the rest stays for the scan.
  platform::Bitmap page = enginetest::MakePage(2400, 2400);
  DrawBox(page, 100, 1099, 100, 1099);
  Load(page);
  engine::CollectComponent(100, 100);
  int64_t left = 0;
  for (int32_t y = 100; y <= 1099; ++y) {
    for (int32_t x = 100; x <= 1099; ++x) left += ScanInk(x, y);
  }
  const int64_t taken = 1000000 - left;
  EXPECT_GT(left, 0);
  EXPECT_GT(taken, engine::kPointStackSize) << "more pixels than the arrays hold";
  EXPECT_GE(engine::LogTop, engine::StackTop - 10);
  EXPECT_LE(engine::LogTop, 52428);
}

}  // namespace
