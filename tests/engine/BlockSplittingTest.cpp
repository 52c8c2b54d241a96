// Splitting of wide and badly recognised blocks, with a scripted classifier
// for the trial recognitions and small pages drawn from rectangles.
#include <gtest/gtest.h>

#include "engine/BlockSplitting.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "support/CorrectionFixtures.h"

namespace {

using core::Box;
using core::CharCode;
using core::MakeCode;
using correction_test::Any;
using correction_test::BoxIs;
using correction_test::FillRect;
using correction_test::LeftIs;
using correction_test::MakeBlankPage;
using correction_test::TestLine;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);       // 中
constexpr CharCode kFullB = MakeCode(0xA3, 0xC2);       // Ｂ
constexpr CharCode kFullV = MakeCode(0xA3, 0xD6);       // Ｖ
constexpr CharCode kFullW = MakeCode(0xA3, 0xD7);       // Ｗ
constexpr CharCode kFullSmallL = MakeCode(0xA3, 0xEC);  // ｌ
constexpr CharCode kFullSmallR = MakeCode(0xA3, 0xF2);  // ｒ
constexpr CharCode kFullSmallA = MakeCode(0xA3, 0xE1);  // ａ
constexpr CharCode kFullSmallN = MakeCode(0xA3, 0xEE);  // ｎ

void ExpectColumns(const core::CharBlock* b, int32_t left, int32_t right) {
  EXPECT_EQ(b->Left, left);
  EXPECT_EQ(b->Right, right);
}

TEST(FindCutColumnTest, DeepestValleyFirstInScanOrderElseMiddle) {
  MakeBlankPage(32, 10);
  FillRect(5, 4, 5, 9);  // t = 4, b = 0: value 8
  FillRect(6, 0, 6, 5);  // t = 0, b = 4: value 4
  FillRect(9, 0, 9, 9);  // columns 7 and 8 are white: value 30
  core::CharBlock b{};
  core::SetBox(b, Box{5, 9, 0, 9});
  EXPECT_EQ(engine::FindCutColumn(b, +1, 5, 6), 5);
  EXPECT_EQ(engine::FindCutColumn(b, +1, 5, 9), 7);
  EXPECT_EQ(engine::FindCutColumn(b, -1, 9, 5), 8);
  EXPECT_EQ(engine::FindCutColumn(b, -1, 9, 9), 9);  // full column: no value above 0
  FillRect(10, 0, 13, 9);
  EXPECT_EQ(engine::FindCutColumn(b, +1, 10, 13), 11);  // (10 + 13) div 2
  EXPECT_EQ(engine::FindCutColumn(b, -1, 5, 9), 7);     // a reversed range is not scanned
}

class SplitTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeBlankPage(96, 24); }
  // SplitBlockAt on the only block of the line.
  bool CutAt(int32_t ratio, int32_t column) {
    return engine::SplitBlockAt(engine::SplitContext{&line[0], ratio, &line.Blocks(), 0}, column);
  }
  TestLine line;
};

TEST_F(SplitTest, SplitBlockAtRefusesCutsNearTheSides) {
  line.Add(Box{0, 40, 0, 19}, kHanzi, 30);
  line.Script({{Any(), kHanzi, 50}});
  EXPECT_FALSE(CutAt(20, 2));
  EXPECT_FALSE(CutAt(20, 38));
  EXPECT_TRUE(line.Trials().empty());
  EXPECT_TRUE(CutAt(20, 37));
  ASSERT_EQ(line.size(), 2u);
  ExpectColumns(&line[0], 0, 36);
  ExpectColumns(&line[1], 38, 40);
  EXPECT_EQ(line.Trials()[0].RangeMode, engine::kRangeLatin);
}

TEST_F(SplitTest, SplitBlockAtKeepsWeakerPiecesOnlyForSurelyWideBlocks) {
  line.Add(Box{0, 40, 0, 19}, kHanzi, 45)->CutSides = core::kCutLeft | core::kCutRight;
  line.Script({{Any(), kHanzi, 44}});
  EXPECT_FALSE(CutAt(19, 20));
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(line.Trials().size(), 1u);  // the right piece fails first
  EXPECT_TRUE(CutAt(20, 20));
  ASSERT_EQ(line.size(), 2u);
  ExpectColumns(&line[0], 0, 19);
  ExpectColumns(&line[1], 21, 40);
  EXPECT_EQ(line[0].CutSides, core::kCutLeft);
  EXPECT_EQ(line[1].CutSides, core::kCutRight);
}

// Two letters side by side: the right one is the only span, and is cut off.
TEST_F(SplitTest, WideBlockCutsBesideTheSpanNearestTheMiddle) {
  FillRect(10, 0, 19, 19);
  FillRect(30, 0, 39, 19);
  line.Add(Box{10, 39, 0, 19}, kHanzi, 30);
  line.Script({{BoxIs(30, 38), kFullB, 60}, {Any(), kFullB, 50}});
  EXPECT_TRUE(engine::SplitWideBlock(15, line.Blocks(), 0));
  ASSERT_EQ(line.size(), 2u);
  ExpectColumns(&line[0], 10, 28);
  ExpectColumns(&line[1], 30, 39);
  EXPECT_EQ(line.Trials()[0].RangeMode, engine::kRangeSingleLatin);
}

// The leftmost component of a box gives no span: a speck at the left edge,
// then one glyph in the middle with equal margins.
void DrawSpeckAndGlyph() {
  FillRect(1, 5, 3, 10);
  FillRect(15, 0, 25, 19);
}

// The tie between the margins cuts on the right.
TEST_F(SplitTest, MarginTieCutsOnTheRight) {
  DrawSpeckAndGlyph();
  line.Add(Box{0, 40, 0, 19}, kHanzi, 30);
  line.Script({{BoxIs(15, 25), kFullB, 60}, {Any(), kFullB, 50}});
  EXPECT_TRUE(engine::SplitWideBlock(20, line.Blocks(), 0));
  ASSERT_EQ(line.size(), 2u);
  ExpectColumns(&line[0], 0, 25);
  ExpectColumns(&line[1], 27, 40);
}

TEST_F(SplitTest, FirstCandidateReadAsSmallAIsWidenedByOneColumn) {
  DrawSpeckAndGlyph();
  line.Add(Box{0, 40, 0, 19}, kHanzi, 30);
  line.Script({{BoxIs(15, 25), kFullSmallA, 47}, {BoxIs(15, 26), kFullSmallA, 47}, {Any(), kFullB, 50}});
  EXPECT_TRUE(engine::SplitWideBlock(20, line.Blocks(), 0));
  ASSERT_GE(line.Trials().size(), 2u);
  EXPECT_EQ(line.Trials()[1].Box.Right, 26);
  ExpectColumns(&line[0], 0, 25);  // not better: back to its width, the tie cuts right
  ExpectColumns(&line[1], 27, 40);

  TestLine wider;
  wider.Add(Box{0, 40, 0, 19}, kHanzi, 30);
  wider.Script({{BoxIs(15, 25), kFullSmallA, 47}, {BoxIs(15, 26), kFullSmallA, 48}, {Any(), kFullB, 50}});
  EXPECT_TRUE(engine::SplitWideBlock(20, wider.Blocks(), 0));
  ExpectColumns(&wider[0], 0, 13);  // (15, 26): the left margin is now the wider one
  ExpectColumns(&wider[1], 15, 40);
}

TEST_F(SplitTest, WithoutSpansOnlyAScoreBelow46FallsBackOnTheTouchingPair) {
  line.Add(Box{0, 40, 0, 19}, kHanzi, 46);
  line.Script({});
  EXPECT_FALSE(engine::SplitWideBlock(20, line.Blocks(), 0));
  EXPECT_TRUE(line.Trials().empty());
  line[0].Scores[0] = 45;
  EXPECT_FALSE(engine::SplitWideBlock(20, line.Blocks(), 0));
  EXPECT_FALSE(line.Trials().empty());
  EXPECT_EQ(line.size(), 1u);
}

TEST_F(SplitTest, FallbackInsertsTheTouchingPairWithCutSides) {
  FillRect(0, 0, 40, 19);
  for (int32_t y = 0; y < 20; ++y) engine::MaskPagePixel(20, y);  // one white column
  line.Add(Box{0, 40, 0, 19}, kHanzi, 30)->LineNo = 2;
  line.Script({{BoxIs(0, 18), kFullSmallN, 50}, {BoxIs(22, 40), kFullSmallN, 50}});
  EXPECT_TRUE(engine::SplitWideBlock(20, line.Blocks(), 0));
  ASSERT_EQ(line.size(), 2u);
  ExpectColumns(&line[0], 0, 18);
  ExpectColumns(&line[1], 22, 40);
  EXPECT_EQ(line[0].CutSides, core::kCutRight);
  EXPECT_EQ(line[1].CutSides, core::kCutLeft);
  EXPECT_EQ(line[1].LineNo, 2);
}

// Whatever the outcome, neighbour strokes masked during the split are back.
TEST_F(SplitTest, PageBitsAreRestoredAfterEverySplitAttempt) {
  FillRect(0, 5, 12, 7);  // a stroke of the left neighbour entering the box
  FillRect(14, 0, 24, 19);
  FillRect(30, 0, 40, 19);
  FillRect(40, 10, 50, 11);  // a stroke of the right neighbour
  const std::vector<uint8_t> page = engine::PageBits;
  bool strokeMasked = false;
  // Never matches; notes whether the trials see the left stroke masked.
  const correction_test::TrialRule watch{[&](const core::CharBlock&, int32_t) {
                                           strokeMasked = strokeMasked || !engine::IsInk(11, 6);
                                           return false;
                                         },
                                         0, 0};
  const auto attempt = [&](std::vector<correction_test::TrialRule> rules, int32_t score) {
    TestLine l;
    l.Add(Box{10, 44, 0, 19}, kHanzi, score)->CutSides = core::kCutLeft | core::kCutRight;
    rules.insert(rules.begin(), watch);
    l.Script(std::move(rules));
    const bool split = engine::SplitWideBlock(20, l.Blocks(), 0);
    EXPECT_EQ(engine::PageBits, page);
    return split;
  };
  EXPECT_TRUE(attempt({{Any(), kFullB, 60}}, 30));
  EXPECT_FALSE(attempt({}, 30));
  EXPECT_FALSE(attempt({}, 46));
  EXPECT_TRUE(strokeMasked);
}

TEST_F(SplitTest, TouchingPairNeedsTwiceTheMinimumMargin) {
  core::CharBlock narrow{};
  core::SetBox(narrow, Box{0, 15, 0, 19});
  core::CharBlock* left = nullptr;
  core::CharBlock* right = nullptr;
  line.Script({{Any(), kFullSmallN, 60}});
  EXPECT_FALSE(engine::SplitTouchingPair(narrow, left, right));
  EXPECT_TRUE(line.Trials().empty());
  narrow.Right = 16;  // m = 8: only column 8 is scanned
  ASSERT_TRUE(engine::SplitTouchingPair(narrow, left, right));
  ExpectColumns(left, 0, 6);
  ExpectColumns(right, 10, 16);
  engine::FreeBlock(left);
  engine::FreeBlock(right);
}

TEST_F(SplitTest, TouchingPairNeverGivesAChineseCharacter) {
  core::CharBlock b{};
  core::SetBox(b, Box{0, 40, 0, 19});
  core::CharBlock* left = nullptr;
  core::CharBlock* right = nullptr;
  line.Script({{LeftIs(0), kFullSmallN, 60}, {Any(), kHanzi, 60}});
  EXPECT_FALSE(engine::SplitTouchingPair(b, left, right));
  // Attempts at c1 = 8 (the first white column) and c1 + m = 16; c1 − m is out.
  EXPECT_EQ(line.Trials().size(), 4u);
}

TEST_F(SplitTest, TouchingPairWidensAVIntoAW) {
  FillRect(0, 0, 40, 19);
  for (int32_t y = 0; y < 20; ++y) engine::MaskPagePixel(20, y);
  core::CharBlock b{};
  core::SetBox(b, Box{0, 40, 0, 19});
  core::CharBlock* left = nullptr;
  core::CharBlock* right = nullptr;
  // Left piece 0..18 (19 wide): widened to 18 + round(0.63 × 19) = 30.
  line.Script({{BoxIs(0, 18), kFullV, 50}, {BoxIs(0, 30), kFullW, 47}, {LeftIs(34), kFullSmallA, 50}});
  ASSERT_TRUE(engine::SplitTouchingPair(b, left, right));
  ExpectColumns(left, 0, 30);
  EXPECT_EQ(left->Codes[0], kFullW);
  ExpectColumns(right, 34, 40);
  engine::FreeBlock(left);
  engine::FreeBlock(right);

  // A widened piece that reads Ｗ only doubtfully moves nothing.
  line.Script({{BoxIs(0, 18), kFullV, 50}, {BoxIs(0, 30), kFullW, 46}, {LeftIs(22), kFullSmallA, 50}});
  ASSERT_TRUE(engine::SplitTouchingPair(b, left, right));
  ExpectColumns(left, 0, 18);
  EXPECT_EQ(left->Codes[0], kFullV);
  ExpectColumns(right, 22, 40);
  engine::FreeBlock(left);
  engine::FreeBlock(right);
}

TEST_F(SplitTest, TouchingPairWidensAStemIntoAnR) {
  FillRect(0, 0, 40, 19);
  for (int32_t y = 0; y < 20; ++y) engine::MaskPagePixel(20, y);
  core::CharBlock b{};
  core::SetBox(b, Box{0, 40, 0, 19});
  core::CharBlock* left = nullptr;
  core::CharBlock* right = nullptr;
  // The stem 0..18 is 20 high: the ｒ is tried as 0 .. round(0.68 × 20) = 14.
  line.Script(
      {{BoxIs(0, 18), kFullSmallL, 50}, {BoxIs(0, 14), kFullSmallR, 50}, {LeftIs(18), kFullSmallN, 50}});
  ASSERT_TRUE(engine::SplitTouchingPair(b, left, right));
  ExpectColumns(left, 0, 14);
  ExpectColumns(right, 18, 40);
  engine::FreeBlock(left);
  engine::FreeBlock(right);
}

core::BlockPart Part(int32_t left, int32_t right, int32_t top = 0, int32_t bottom = 19) {
  return core::BlockPart{left, right, top, bottom, 0};
}

TEST_F(SplitTest, MultiPartBlockSplitsAtTheWidestGap) {
  core::CharBlock* b = line.Add(Box{0, 40, 0, 19}, kHanzi, 30);
  b->CutSides = core::kCutLeft;
  b->LineNo = 1;
  b->PartCount = 4;
  b->Parts[0] = Part(30, 40);  // out of order: sorted by Left first
  b->Parts[1] = Part(0, 10);
  b->Parts[2] = Part(2, 8, 0, 5);  // within the first part's extent: same group
  b->Parts[3] = Part(9, 28);
  line.Script({{Any(), kHanzi, 50}});
  EXPECT_EQ(engine::SplitMultiPartBlock(0), 1);
  ASSERT_EQ(line.size(), 2u);
  // Overlaps: 10 − 9 = 1 between the first two groups, 28 − 30 = −2 before the last.
  ExpectColumns(&line[0], 0, 28);
  EXPECT_EQ(line[0].PartCount, 2);
  EXPECT_EQ(line[0].Parts[1].Left, 9);
  ExpectColumns(&line[1], 30, 40);
  EXPECT_EQ(line[1].PartCount, 0);
  EXPECT_EQ(line[0].CutSides, core::kCutLeft | core::kCutRight);
  EXPECT_EQ(line[1].CutSides, core::kCutLeft);
  EXPECT_EQ(line[1].LineNo, 1);
  EXPECT_EQ(line.Trials()[0].RangeMode, engine::kRangeAll);
}

TEST_F(SplitTest, MultiPartBlockKeepsOnePartOneGroupAndDeepOverlaps) {
  core::CharBlock* b = line.Add(Box{0, 25, 0, 19}, kHanzi, 30);
  line.Script({{Any(), kHanzi, 50}});
  b->PartCount = 1;
  b->Parts[0] = Part(0, 25);
  EXPECT_EQ(engine::SplitMultiPartBlock(0), 0);
  b->PartCount = 2;
  b->Parts[1] = Part(5, 25, 0, 5);  // within the extent of the first
  EXPECT_EQ(engine::SplitMultiPartBlock(0), 0);
  // Overlap 15 against round(0.75 × 20) = 15 for the left piece 0..19.
  b->Parts[0] = Part(0, 19);
  b->Parts[1] = Part(4, 25);
  EXPECT_EQ(engine::SplitMultiPartBlock(0), 0);
  b->Parts[1] = Part(5, 25);  // overlap 14
  EXPECT_EQ(engine::SplitMultiPartBlock(0), 1);
  EXPECT_EQ(line.size(), 2u);
}

}  // namespace
