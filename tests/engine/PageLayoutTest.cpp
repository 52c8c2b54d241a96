// Page layout: one-line bands, the line split with its thresholds, the
// closeness rule and stragglers, the size statistics of a line, and the
// character size and aspect measures.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "engine/PageLayout.h"
#include "support/EngineFixtures.h"

namespace {

using core::CharBlock;
using core::MakeCode;
using enginetest::NewTestBlock;

constexpr core::CharCode kHanzi = MakeCode(0xD6, 0xD0);  // 中
constexpr core::CharCode kOne = MakeCode(0xD2, 0xBB);    // 一

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::ResetEngineState(); }
  void TearDown() override { enginetest::ResetEngineState(); }

  CharBlock* Add(int32_t left, int32_t right, int32_t top, int32_t bottom) {
    CharBlock* block = NewTestBlock(left, right, top, bottom);
    engine::BandBlocks.push_back(block);
    return block;
  }
  // Ten blocks of size 20 on rows 0..20 at x = 30k: line 0 with centre 10.
  void AddFirstLine() {
    for (int32_t k = 0; k < 10; ++k) Add(30 * k, 30 * k + 20, 0, 20);
  }
  std::string LineNumbers() const {
    std::string numbers;
    for (const CharBlock* block : engine::BandBlocks) numbers += std::to_string(block->LineNo);
    return numbers;
  }
};

TEST_F(LayoutTest, OneLineBandJoinsStackedParts) {
  Add(50, 60, 10, 20);    // lower part of a character
  Add(0, 30, 0, 40);      // tall component
  Add(52, 58, 0, 6);      // upper part, above the lower one
  Add(100, 110, 30, 40);  // short component
  engine::LayoutBand();
  ASSERT_EQ(engine::BandBlocks.size(), 3u);
  EXPECT_EQ(LineNumbers(), "000");
  EXPECT_EQ(
      enginetest::DescribeBoxes({core::BoxOf(*engine::BandBlocks[0]), core::BoxOf(*engine::BandBlocks[1]),
                                 core::BoxOf(*engine::BandBlocks[2])}),
      "0-30/0-40 50-60/0-20 100-110/30-40");
  EXPECT_EQ(engine::BandBlocks[1]->PartCount, 2);
}

TEST_F(LayoutTest, BandOfThreeLinesIsSplitAndOrderedLineByLine) {
  for (int32_t line = 2; line >= 0; --line) {
    for (int32_t k = 4; k >= 0; --k) Add(30 * k, 30 * k + 20, 25 * line, 25 * line + 20);
  }
  engine::LayoutBand();
  ASSERT_EQ(engine::BandBlocks.size(), 15u);
  EXPECT_EQ(LineNumbers(), "000001111122222");
  for (size_t i = 1; i < 5; ++i) EXPECT_LT(engine::BandBlocks[i - 1]->Left, engine::BandBlocks[i]->Left);
  EXPECT_EQ(engine::BandBlocks[5]->Top, 25);
}

// Joining the stacked parts of a character in one line releases a block;
// the lines after it must not look at it again.
TEST_F(LayoutTest, StackedPartsJoinInEveryLineOfASplitBand) {
  for (int32_t line = 0; line < 3; ++line) {
    const int32_t top = 25 * line;
    Add(0, 20, top, top + 20);
    Add(30, 50, top, top + 8);        // upper part
    Add(35, 45, top + 12, top + 20);  // lower part, sharing its columns
    Add(60, 80, top, top + 20);
  }
  engine::LayoutBand();
  ASSERT_EQ(engine::BandBlocks.size(), 9u);
  EXPECT_EQ(LineNumbers(), "000111222");
  for (size_t i = 0; i < 9; i += 3) {
    EXPECT_EQ(engine::BandBlocks[i + 1]->PartCount, 2);
    EXPECT_EQ(engine::BandBlocks[i + 1]->Bottom - engine::BandBlocks[i + 1]->Top, 20);
  }
}

// After the first line, G = 20 and M = 10: NewLineLow = 19 and NewLineHigh =
// 23. A block whose Top lies between them starts a new line only when its Top
// is further from 19 than its Bottom is from 30.
TEST_F(LayoutTest, TopBetweenTheThresholdsIsJudgedByCloseness) {
  struct Case {
    int32_t Top, Bottom, LineNo;
  } cases[] = {
      {21, 31, 1},  // |21 - 19| = 2 > |31 - 30| = 1
      {21, 32, 0},  // 2 = 2: stays
      {21, 28, 0},  // 2 = 2: stays
      {19, 30, 0},  // at NewLineLow
      {23, 40, 1},  // at NewLineHigh
      {22, 33, 0},  // 3 = 3: stays
  };
  for (const Case& c : cases) {
    enginetest::ResetEngineState();
    AddFirstLine();
    CharBlock* x = Add(300, 320, c.Top, c.Bottom);
    for (int32_t k = 0; k < 3; ++k) Add(30 * k, 30 * k + 20, 60, 80);
    engine::LayoutBand();
    EXPECT_EQ(x->LineNo, c.LineNo) << c.Top << ".." << c.Bottom;
  }
}

TEST_F(LayoutTest, StragglerOfThePreviousLineMovesToTheNewOne) {
  AddFirstLine();
  // A low component counted to the first line, and a tall block of the next
  // line beside it that spans its middle row (24).
  CharBlock* y = Add(305, 325, 14, 34);
  Add(30, 50, 30, 50);
  Add(60, 80, 30, 50);
  CharBlock* tall = Add(330, 345, 20, 70);
  for (int32_t k = 0; k < 3; ++k) Add(30 * k, 30 * k + 20, 70, 90);
  engine::LayoutBand();
  EXPECT_EQ(tall->LineNo, 1);
  EXPECT_EQ(y->LineNo, 1);
  EXPECT_EQ(LineNumbers(), "00000000001111222");

  // Without the tall block beside it the low component stays in line 0.
  enginetest::ResetEngineState();
  AddFirstLine();
  y = Add(305, 325, 14, 34);
  Add(30, 50, 30, 50);
  Add(60, 80, 30, 50);
  Add(400, 415, 20, 70);
  for (int32_t k = 0; k < 3; ++k) Add(30 * k, 30 * k + 20, 70, 90);
  engine::LayoutBand();
  EXPECT_EQ(y->LineNo, 0);
}

TEST_F(LayoutTest, SmallBandsBorrowThePageSize) {
  // Components of size 10: three lines 25 rows apart would be 6 sizes high,
  // but with the page size 40 the band is one line of merged columns.
  for (int32_t line = 0; line < 3; ++line) Add(0, 10, 25 * line, 25 * line + 10);
  engine::SizeSum = 400;
  engine::SizeCount = 10;
  engine::LayoutBand();
  ASSERT_EQ(engine::BandBlocks.size(), 1u);
  EXPECT_EQ(engine::BandBlocks[0]->Bottom, 60);
}

TEST_F(LayoutTest, SizeStatisticsNeedThreeBlocks) {
  engine::LineCorrectionEnabled = false;
  engine::LineBlocks =
      new core::BlockList{NewTestBlock(0, 30, 0, 40, kHanzi, 60), NewTestBlock(40, 70, 0, 30, kHanzi, 60)};
  engine::LayoutLine();
  EXPECT_EQ(engine::SizeCount, 0);
  engine::LineBlocks->push_back(NewTestBlock(80, 110, 0, 30, kOne, 60));
  engine::LineBlocks->push_back(NewTestBlock(120, 150, 0, 30, kHanzi, 20));
  engine::LayoutLine();
  EXPECT_EQ(engine::SizeCount, 2) << "not 一, not doubtful";
  EXPECT_EQ(engine::SizeSum, 70);
  engine::PageLines.push_back(engine::LineBlocks);
  engine::LineIndents.push_back(0);
}

TEST_F(LayoutTest, LineOfBlocksWithoutWidthIsLeftAsItIs) {
  CharBlock* a = NewTestBlock(10, 10, 0, 40);
  CharBlock* b = NewTestBlock(20, 20, 0, 40);
  engine::LineBlocks = new core::BlockList{a, b};
  engine::PrevBlock = b;
  engine::LayoutLine();
  EXPECT_EQ(*engine::LineBlocks, (core::BlockList{a, b}));
  EXPECT_EQ(engine::PrevBlock, b);
  engine::PageLines.push_back(engine::LineBlocks);
  engine::LineIndents.push_back(0);
}

TEST(AsciiPairAspectTest, FlatLetterPairsAreNarrowed) {
  CharBlock block{};
  core::SetBox(block, core::Box{0, 45, 0, 20});
  block.Codes[0] = core::AsciiPairCode('o', 'n');
  EXPECT_EQ(engine::AsciiPairAspect(block), 12);  // 22 - 10
  block.Codes[0] = core::AsciiPairCode('a', 'w');
  EXPECT_EQ(engine::AsciiPairAspect(block), 10);  // 22 - 12
  block.Codes[0] = core::AsciiPairCode('o', 'k');
  EXPECT_EQ(engine::AsciiPairAspect(block), 22);
  core::SetBox(block, core::Box{0, 1, 0, 20});
  block.Codes[0] = core::AsciiPairCode('m', 'm');
  EXPECT_EQ(engine::AsciiPairAspect(block), 0) << "below 2: unchanged";
}

}  // namespace
