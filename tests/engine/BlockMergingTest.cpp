// Merging of narrow blocks and even re-division of pairs, with a scripted
// classifier for the recognition of unions and slices.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/BlockMerging.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "support/CorrectionFixtures.h"

namespace {

using core::Box;
using core::CharCode;
using core::MakeCode;
using correction_test::Any;
using correction_test::BoxIs;
using correction_test::MakeBlankPage;
using correction_test::TestLine;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);        // 中
constexpr CharCode kBow = MakeCode(0xB9, 0xAD);          // 弓
constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);    // ·
constexpr CharCode kFullPeriod = MakeCode(0xA3, 0xAE);   // ．
constexpr CharCode kEllipsis = MakeCode(0xA1, 0xAD);     // …
constexpr CharCode kRightQuote = MakeCode(0xA1, 0xAF);   // ’
constexpr CharCode kLeftQuote = MakeCode(0xA1, 0xAE);    // ‘
constexpr CharCode kLeftDouble = MakeCode(0xA1, 0xB0);   // “
constexpr CharCode kRightDouble = MakeCode(0xA1, 0xB1);  // ”
constexpr CharCode kFullOne = MakeCode(0xA3, 0xB1);      // １
constexpr CharCode kFullSmallL = MakeCode(0xA3, 0xEC);   // ｌ
constexpr CharCode kFullSmallR = MakeCode(0xA3, 0xF2);   // ｒ
constexpr CharCode kBox = MakeCode(0xD8, 0xCE);          // 匚
constexpr int32_t kGood = 60;

TEST(PairMetricsTest, RatioAndGapInTenthsOfTheLargerSize) {
  int32_t gap = -1;
  EXPECT_EQ(engine::PairMetrics(Box{0, 10, 0, 4}, Box{15, 19, 0, 7}, gap), 14);  // 10 × 10 div 7
  EXPECT_EQ(gap, 5);                                                             // 5 × 10 div 10
  EXPECT_EQ(engine::PairMetrics(Box{0, 10, 0, 10}, Box{5, 15, 0, 10}, gap), 10);
  EXPECT_EQ(gap, 0);  // overlapping boxes
  // A single pixel counts as size 1: no division by zero.
  EXPECT_EQ(engine::PairMetrics(Box{0, 0, 0, 0}, Box{3, 3, 5, 5}, gap), 10);
  EXPECT_EQ(gap, 30);
  EXPECT_EQ(engine::PairMetrics(Box{0, 0, 0, 0}, Box{3, 9, 0, 4}, gap), 60);
}

class MergeTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeBlankPage(200, 40); }
  TestLine line;
};

TEST_F(MergeTest, ThreeDotsBecomeAnEllipsis) {
  line.Add(Box{0, 3, 20, 23}, kFullPeriod, kGood);
  line.Add(Box{8, 11, 20, 23}, kFullPeriod, kGood);
  line.Add(Box{16, 19, 20, 23}, kMiddleDot, kGood);
  line.Add(Box{30, 50, 5, 25}, kHanzi, kGood);
  line.Script({{BoxIs(0, 19), kEllipsis, 50}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 2);
  ASSERT_EQ(line.size(), 2u);
  EXPECT_EQ(line[0].Codes[0], kEllipsis);
  EXPECT_EQ(line[0].Scores[0], 50);
  EXPECT_EQ(line[0].Right, 19);
  EXPECT_EQ(line.Trials()[0].RangeMode, engine::kRangeAll);
}

TEST_F(MergeTest, RuleThatHoldsAnswersEvenWhenRefused) {
  line.Add(Box{0, 3, 20, 23}, kFullPeriod, kGood);
  line.Add(Box{8, 11, 20, 23}, kFullPeriod, kGood);
  line.Add(Box{16, 19, 20, 23}, kFullPeriod, kGood);
  // The union reads a single-byte character: refused, and the general merge
  // (which would accept the hanzi for 0..11) is not tried.
  line.Script({{BoxIs(0, 19), core::AsciiCode(':'), 60}, {Any(), kHanzi, 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 0);
  EXPECT_EQ(line.size(), 3u);
  EXPECT_EQ(line.Trials().size(), 1u);
  // Any double-byte reading is accepted.
  line.Script({{BoxIs(0, 19), kHanzi, 47}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 2);
}

TEST_F(MergeTest, OpeningQuoteNeedsTheDotToReachBelowTheQuoteTop) {
  line.Add(Box{0, 3, 10, 15}, kRightQuote, kGood);
  line.Add(Box{6, 9, 6, 10}, kMiddleDot, kGood);  // Bottom 10 is not below Top 10
  line.Script({{Any(), kLeftDouble, 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 4), 0);  // and the general merge stops at maxWidth
  EXPECT_TRUE(line.Trials().empty());
  line[1].Bottom = 11;
  EXPECT_EQ(engine::MergeNarrowBlock(0, 4), 1);
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(line[0].Codes[0], kLeftDouble);
}

TEST_F(MergeTest, TwoLeftQuotesBecomeAClosingDoubleQuote) {
  line.Add(Box{0, 3, 10, 15}, kLeftQuote, kGood);
  line.Add(Box{5, 8, 10, 15}, kLeftQuote, kGood);
  line.Script({{BoxIs(0, 8), kRightDouble, 55}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 4), 1);
  EXPECT_EQ(line[0].Codes[0], kRightDouble);
}

TEST_F(MergeTest, SetsPrevBlockToTheBlockBefore) {
  line.Add(Box{0, 20, 5, 25}, kHanzi, kGood);
  line.Add(Box{30, 50, 5, 25}, kHanzi, kGood);
  line.Script({});
  engine::MergeNarrowBlock(1, 24);
  EXPECT_EQ(engine::PrevBlock, &line[0]);
}

TEST_F(MergeTest, StrokeWithDotIsNotReadAsR) {
  line.Add(Box{0, 2, 5, 25}, kFullSmallL, 40);
  line.Add(Box{5, 8, 22, 25}, kFullPeriod, kGood);
  line.Script({{Any(), kFullSmallR, 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 0);
  EXPECT_EQ(line.Trials().size(), 1u);
  line.Script({{Any(), MakeCode(0xB2, 0xB7), 60}});  // 卜
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 0);
  line[1].Codes[0] = MakeCode(0xA3, 0xA7);  // ＇: not a dot
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 1);
}

TEST_F(MergeTest, GapAfterBowCountsHalf) {
  // Union 0..21 with maxWidth 30: w = 21, 21 div 5 = 4; gap 19 − 10 = 9.
  line.Add(Box{0, 10, 5, 25}, kBow, kGood);
  line.Add(Box{19, 21, 5, 25}, kFullOne, kGood);
  line.Script({{Any(), MakeCode(0xC7, 0xBF), 60}});  // 强
  EXPECT_EQ(engine::MergeNarrowBlock(0, 30), 1);     // gap counted as 4
  TestLine other;
  other.Add(Box{0, 10, 5, 25}, kHanzi, kGood);
  other.Add(Box{19, 21, 5, 25}, kFullOne, kGood);
  other.Script({{Any(), MakeCode(0xC7, 0xBF), 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 30), 0);
  EXPECT_TRUE(other.Trials().empty());
}

TEST_F(MergeTest, UnionNarrowerThanHalfMaxWidthIsJudgedAsHalf) {
  // maxWidth 24: an 11 wide union counts as 12, 12 div 5 = 2, so gaps up to 4.
  line.Add(Box{0, 3, 5, 25}, kFullSmallL, 40);
  line.Add(Box{7, 11, 5, 25}, kFullSmallL, 40);  // gap 4
  line.Script({{Any(), kHanzi, 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 1);
  TestLine far;
  far.Add(Box{0, 2, 5, 25}, kFullSmallL, 40);
  far.Add(Box{8, 11, 5, 25}, kFullSmallL, 40);   // gap 6, too far; 9 wide
  far.Add(Box{13, 23, 5, 25}, kFullSmallL, 40);  // union 0..23 = 23 wide, gap 2
  far.Script({{Any(), kHanzi, 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 2);
  ASSERT_EQ(far.Trials().size(), 1u);
  EXPECT_EQ(far.Trials()[0].Box.Right, 23);
}

TEST_F(MergeTest, GeneralMergeStopsAtMaxWidth) {
  line.Add(Box{0, 10, 5, 25}, kFullSmallL, 40);
  line.Add(Box{12, 24, 5, 25}, kFullSmallL, 40);  // union 24 wide
  line.Add(Box{25, 26, 5, 25}, kFullSmallL, 40);
  line.Script({{Any(), kHanzi, 60}});
  EXPECT_EQ(engine::MergeNarrowBlock(0, 24), 0);
  EXPECT_TRUE(line.Trials().empty());
  EXPECT_EQ(engine::MergeNarrowBlock(0, 25), 1);
}

TEST_F(MergeTest, SplitEvenlyMakesSlicesOfEqualPitch) {
  line.Add(Box{100, 140, 5, 25}, kHanzi, 40)->CutSides = core::kCutLeft | core::kCutRight;
  line.Add(Box{150, 170, 5, 25}, kHanzi, kGood);
  line.Script({{Any(), kHanzi, 50}});
  EXPECT_EQ(engine::SplitEvenly(0, 2), 1);
  ASSERT_EQ(line.size(), 3u);
  EXPECT_EQ(line[0].Left, 101);
  EXPECT_EQ(line[0].Right, 120);
  EXPECT_EQ(line[1].Left, 121);
  EXPECT_EQ(line[1].Right, 140);
  EXPECT_EQ(line[0].CutSides, core::kCutLeft);
  EXPECT_EQ(line[1].CutSides, core::kCutRight);
  EXPECT_EQ(line[2].Left, 150);

  // Pitch 20.5: round(20.5) = 20, the half goes to the even neighbour.
  TestLine half;
  half.Add(Box{100, 141, 5, 25}, kHanzi, 40);
  half.Script({{Any(), kHanzi, 50}});
  EXPECT_EQ(engine::SplitEvenly(0, 2), 1);
  EXPECT_EQ(half[0].Right, 120);
  EXPECT_EQ(half[1].Left, 121);
  EXPECT_EQ(half[1].Right, 141);
}

TEST_F(MergeTest, SplitEvenlyRefusalsLeaveTheLineAsItWas) {
  core::CharBlock* b = line.Add(Box{100, 140, 5, 25}, kHanzi, 45);
  line.Script({{BoxIs(121, 140), kHanzi, 50}, {Any(), kHanzi, 44}});  // below the block's 45
  EXPECT_EQ(engine::SplitEvenly(0, 2), 0);
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(&line[0], b);
  line.Script({{BoxIs(101, 120), kBox, 60}, {Any(), kHanzi, 50}});
  EXPECT_EQ(engine::SplitEvenly(0, 2), 0);
  line.Script({{Any(), kHanzi, 46}});
  EXPECT_EQ(engine::SplitEvenly(0, 3), 0);
  EXPECT_EQ(line.size(), 1u);
}

class ResplitTest : public MergeTest {
 protected:
  // A doubtful block 100..125 and its neighbour 127..140: the boundary lies 6
  // right of the pair's middle, the gap is 2.
  void SetUp() override {
    MergeTest::SetUp();
    line.Add(Box{100, 125, 5, 25}, kHanzi, 30, kBow, 20);
    line.Add(Box{127, 140, 5, 25}, kHanzi, 30);
    line.Script({{Any(), kHanzi, 50}});
    std::memcpy(saved_, &line[0], core::kResultPartBytes);
  }
  void ExpectUnchanged() {
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0].Left, 100);
    EXPECT_EQ(line[0].Right, 125);
    EXPECT_EQ(std::memcmp(saved_, &line[0], core::kResultPartBytes), 0);
  }
  unsigned char saved_[core::kResultPartBytes];
};

TEST_F(ResplitTest, PairAboutTwoCharactersWideIsCutInHalves) {
  EXPECT_EQ(engine::ResplitPair(0, 18), 0);  // ratio 400 div 18 = 22
  ASSERT_EQ(line.size(), 2u);
  EXPECT_EQ(line[0].Left, 101);
  EXPECT_EQ(line[0].Right, 120);
  EXPECT_EQ(line[1].Left, 121);
  EXPECT_EQ(line[1].Right, 140);
}

TEST_F(ResplitTest, RatiosOutsideEighteenToTwentyTwoDoNothing) {
  EXPECT_EQ(engine::ResplitPair(0, 23), 0);  // ratio 17
  ExpectUnchanged();
  EXPECT_EQ(engine::ResplitPair(0, 17), 0);  // ratio 23
  ExpectUnchanged();
  EXPECT_TRUE(line.Trials().empty());
  EXPECT_EQ(engine::ResplitPair(0, 0), 0);  // no average width: nothing to measure
  ExpectUnchanged();
  EXPECT_EQ(engine::ResplitPair(1, 20), 0);  // the last block
  ExpectUnchanged();
}

TEST_F(ResplitTest, RefusedSlicesRestoreBoxAndResult) {
  line.Script({{BoxIs(101, 120), kHanzi, 50}, {Any(), kHanzi, 29}});
  EXPECT_EQ(engine::ResplitPair(0, 20), 0);
  ExpectUnchanged();
  EXPECT_FALSE(line.Trials().empty());
}

}  // namespace
