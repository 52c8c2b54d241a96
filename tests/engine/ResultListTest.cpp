// The result lists: overlap and column merges with their parts, absorbing
// sub-blocks, releasing blocks, the character map, reference widths, and the
// spaces, indentation and character-map entries of an emitted line.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "support/EngineFixtures.h"

namespace {

using core::BlockList;
using core::CharBlock;
using core::MakeCode;
using enginetest::NewTestBlock;

constexpr core::CharCode kHanzi = MakeCode(0xD6, 0xD0);  // 中
constexpr int32_t kConfident = 60;

class ResultListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::ResetEngineState();
    engine::Job.CharMap = &map_;
  }
  void TearDown() override {
    for (CharBlock* block : list_) engine::FreeBlock(block);
    enginetest::ResetEngineState();
  }
  core::CharMapList map_;
  BlockList list_;
};

TEST_F(ResultListTest, OverlapModeNeedsRowsColumnModeDoesNot) {
  list_ = {NewTestBlock(0, 10, 0, 10), NewTestBlock(5, 15, 20, 30)};
  int32_t index = 0;
  engine::MergeOverlapping(list_, 0, index);
  ASSERT_EQ(list_.size(), 2u) << "only the columns overlap";
  engine::MergeOverlapping(list_, 1, index);
  ASSERT_EQ(list_.size(), 1u);
  const CharBlock& q = *list_[0];
  EXPECT_EQ(enginetest::DescribeBoxes({core::BoxOf(q)}), "0-15/0-30");
  ASSERT_EQ(q.PartCount, 2);
  EXPECT_EQ(q.Parts[0].Right, 10);
  EXPECT_EQ(q.Parts[1].Left, 5);
  EXPECT_EQ(q.Parts[1].MergeMode, 1);
}

TEST_F(ResultListTest, MergeKeepsIndexOnTheBlockAndRestartsFromTheFront) {
  // q at index 1 overlaps block 2; the grown q then overlaps block 0, which
  // stands before it, so the index moves down by one.
  list_ = {NewTestBlock(0, 12, 0, 10), NewTestBlock(10, 20, 12, 30), NewTestBlock(15, 25, 5, 14),
           NewTestBlock(100, 110, 0, 30)};
  CharBlock* q = list_[1];
  int32_t index = 1;
  engine::MergeOverlapping(list_, 0, index);
  ASSERT_EQ(list_.size(), 2u);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(list_[0], q);
  EXPECT_EQ(enginetest::DescribeBoxes({core::BoxOf(*q)}), "0-25/0-30");
  EXPECT_EQ(q->PartCount, 3);
}

TEST_F(ResultListTest, MergeEndsAtTheFirstBlockRightOfQ) {
  // The list is taken as ordered by Left: a block beyond q's right edge ends
  // the search even when a later one would touch.
  list_ = {NewTestBlock(0, 10, 0, 10), NewTestBlock(20, 30, 0, 10), NewTestBlock(5, 8, 0, 10)};
  int32_t index = 0;
  engine::MergeOverlapping(list_, 0, index);
  EXPECT_EQ(list_.size(), 3u);
}

TEST_F(ResultListTest, PartsAndSubBlocksStopAtTenButTheBoxGrows) {
  list_.push_back(NewTestBlock(0, 5, 0, 100));
  for (int32_t i = 0; i < 12; ++i) list_.push_back(NewTestBlock(1, 4, i * 8, i * 8 + 3));
  list_.push_back(NewTestBlock(2, 6, 101, 120));
  engine::MergeColumns(list_);
  ASSERT_EQ(list_.size(), 1u);
  EXPECT_EQ(list_[0]->PartCount, 10);
  EXPECT_EQ(list_[0]->Bottom, 120);
  EXPECT_EQ(list_[0]->Right, 6);

  for (int32_t i = 0; i < 12; ++i) list_.push_back(NewTestBlock(10 * i + 10, 10 * i + 15, 0, 200 + i));
  while (list_.size() > 1) engine::AbsorbBlock(list_, 0, 1);
  const CharBlock& keep = *list_[0];
  EXPECT_EQ(keep.SubBlockCount, 1) << "blocks without sub-blocks add none";
  EXPECT_EQ(keep.SubBlocks[0].PartCount, 10);
  EXPECT_EQ(keep.Right, 125);
  EXPECT_EQ(keep.Bottom, 211);

  CharBlock* other = NewTestBlock(300, 310, 0, 10);
  list_.push_back(other);
  other->SubBlockCount = 10;
  for (int32_t i = 0; i < 10; ++i) other->SubBlocks[i].Left = 300 + i;
  engine::AbsorbBlock(list_, 0, 1);
  EXPECT_EQ(list_[0]->SubBlockCount, 10);
  EXPECT_EQ(list_[0]->SubBlocks[9].Left, 308);
}

TEST_F(ResultListTest, FreeBlockClearsPrevBlockAndFreePageLinesEmptiesTheLists) {
  engine::FreePageLines();
  EXPECT_TRUE(engine::PageLines.empty());
  CharBlock* block = NewTestBlock(0, 1, 0, 1);
  engine::PrevBlock = block;
  engine::PageLines.push_back(new BlockList{block, NewTestBlock(2, 3, 0, 1)});
  engine::LineIndents.push_back(4);
  engine::FreePageLines();
  EXPECT_EQ(engine::PrevBlock, nullptr);
  EXPECT_TRUE(engine::PageLines.empty());
  EXPECT_TRUE(engine::LineIndents.empty());
}

TEST_F(ResultListTest, CharMapInsertPadsWithNil) {
  CharBlock a{}, b{};
  map_ = {&a, &a, &a};
  engine::CharMapInsert(5, 2, &b);
  EXPECT_EQ(map_, (core::CharMapList{&a, &a, &a, nullptr, nullptr, &b, &b}));
  engine::CharMapInsert(1, 1, nullptr);
  EXPECT_EQ(map_.size(), 8u);
  EXPECT_EQ(map_[1], nullptr);
  engine::Job.CharMap = nullptr;
  engine::CharMapInsert(0, 1, &a);  // no map: nothing happens
}

TEST(RefWidthTest, WidthsRoundHalvesToEven) {
  auto ref = [](core::CharCode code, int32_t width) {
    core::CharCode codes[16] = {code};
    return engine::RefWidth(codes, width);
  };
  EXPECT_EQ(ref(core::AsciiCode('l'), 1), 2);   // 2.5
  EXPECT_EQ(ref(core::AsciiCode('l'), 3), 8);   // 7.5
  EXPECT_EQ(ref(core::AsciiCode('1'), 3), 10);  // narrow digit 30
  EXPECT_EQ(ref(core::AsciiCode('7'), 7), 10);  // narrow digits 70
  EXPECT_EQ(ref(MakeCode(0xA3, 0xC1), 9), 5);   // Ａ as A: 180
  EXPECT_EQ(ref(MakeCode(0xA1, 0xAF), 7), 20);  // ’ as the comma: 35
  EXPECT_EQ(ref(kHanzi, 37), 37);
  EXPECT_EQ(ref(core::AsciiPairCode('a', 'b'), 3), 2);  // 1.5
  EXPECT_EQ(ref(core::AsciiPairCode('a', 'b'), 5), 2);  // 2.5
  EXPECT_EQ(ref(core::AsciiPairCode('M', 'j'), 121), 50);
  EXPECT_EQ(ref(0, 13), 13);
}

// Emits a line of blocks and keeps it as a page line, as the run does.
std::string EmitAndKeep(BlockList blocks, int32_t* indent = nullptr) {
  engine::LineBlocks = new BlockList(std::move(blocks));
  const engine::EmittedLine line = engine::EmitLine();
  engine::PageLines.push_back(engine::LineBlocks);
  engine::LineIndents.push_back(line.Indent);
  engine::LineBlocks = nullptr;
  if (indent) *indent = line.Indent;
  return line.Text;
}

std::string Hanzi(int32_t count) {
  std::string text;
  for (int32_t i = 0; i < count; ++i) text += "\xD6\xD0";
  return text;
}

TEST_F(ResultListTest, SpacesNeedAGapWiderThanThreeTenthsOfTheReferenceWidths) {
  // Widths 40 and 45: threshold rnd(0.3 × 85) = rnd(25.5) = 26; the space
  // unit is the mean size 41 (sizes 39 and 44).
  auto line = [](int32_t gap) {
    return EmitAndKeep({NewTestBlock(0, 39, 0, 30, kHanzi, kConfident),
                        NewTestBlock(39 + gap, 39 + gap + 44, 0, 30, kHanzi, kConfident)});
  };
  EXPECT_EQ(line(25), Hanzi(2)) << "gap 26";
  EXPECT_EQ(line(26), "\xD6\xD0 \xD6\xD0") << "gap 27";
  EXPECT_EQ(line(80), "\xD6\xD0 \xD6\xD0") << "gap 81 div 41 = 1";
  EXPECT_EQ(line(81), "\xD6\xD0  \xD6\xD0") << "gap 82 div 41 = 2";
}

TEST_F(ResultListTest, GapsBetweenHanziAndAsciiAreMeasuredAgainstTheHanziSize) {
  // Hanzi 40 wide, "Ctrl" as two letter pairs 21 wide each: against their
  // reference widths a gap of 13 would be no space; against the Chinese
  // character size (rnd(0.28 × 40) = 11) it is one, and a Latin word set
  // close (gap 9) stays joined.
  const auto line = [](int32_t gapBefore, int32_t gapAfter) {
    const int32_t latin = 39 + gapBefore;
    const int32_t hanzi = latin + 41 + gapAfter;
    return EmitAndKeep({NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                        NewTestBlock(latin, latin + 20, 8, 39, engine::AsciiPairCode('C', 't'), kConfident),
                        NewTestBlock(latin + 21, latin + 41, 8, 39, engine::AsciiPairCode('r', 'l'), kConfident),
                        NewTestBlock(hanzi, hanzi + 39, 0, 39, kHanzi, kConfident)});
  };
  engine::LineHanziSize = 40;
  EXPECT_EQ(line(12, 12), "\xD6\xD0 Ctrl \xD6\xD0");
  engine::FreePageLines();
  EXPECT_EQ(line(8, 8), "\xD6\xD0" "Ctrl\xD6\xD0");
  engine::FreePageLines();
  engine::LineHanziSize = 0;  // no Chinese character size: the reference widths decide
  EXPECT_EQ(line(12, 12), "\xD6\xD0" "Ctrl\xD6\xD0");

  // An ASCII sign too: "个 (其" with the ( 18 columns after the hanzi.
  engine::FreePageLines();
  engine::LineHanziSize = 40;
  EXPECT_EQ(EmitAndKeep({NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                         NewTestBlock(57, 67, 0, 44, engine::AsciiCode('('), kConfident),
                         NewTestBlock(71, 110, 0, 39, kHanzi, kConfident)}),
            "\xD6\xD0 (\xD6\xD0");
}

TEST_F(ResultListTest, GapsBetweenLatinLettersAreMeasuredAgainstTheHanziSize) {
  // "Wr" and "iter" of a bold face: the narrow i and t have small reference
  // widths, so a letter gap of 9 would pass for a space; against the Chinese
  // character size (rnd(0.3 × 40) = 12) only a wider gap is one.
  const auto line = [](int32_t gap) {
    const int32_t it = 43 + 20 + gap;
    return EmitAndKeep({NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                        NewTestBlock(43, 63, 8, 39, engine::AsciiPairCode('W', 'r'), kConfident),
                        NewTestBlock(it, it + 9, 8, 39, engine::AsciiPairCode('i', 't'), kConfident),
                        NewTestBlock(it + 12, it + 32, 8, 39, engine::AsciiPairCode('e', 'r'), kConfident)});
  };
  EXPECT_EQ(line(8), "\xD6\xD0Wr it" "er") << "without the Chinese character size";
  engine::FreePageLines();
  engine::LineHanziSize = 40;
  EXPECT_EQ(line(8), "\xD6\xD0Writer");
  engine::FreePageLines();
  EXPECT_EQ(line(14), "\xD6\xD0Wr iter");
}

TEST_F(ResultListTest, SpaceUnitLeavesOutOutlyingSizes) {
  // Sizes 30, 30, 30 and 300: mean 97, so 300 (> 291) is left out and the
  // unit is 30; the gap of 91 is then 3 units.
  EXPECT_EQ(EmitAndKeep({NewTestBlock(0, 30, 0, 30, kHanzi, kConfident),
                         NewTestBlock(121, 151, 0, 30, kHanzi, kConfident),
                         NewTestBlock(152, 182, 0, 30, kHanzi, kConfident),
                         NewTestBlock(183, 483, 0, 30, kHanzi, kConfident)}),
            "\xD6\xD0   " + Hanzi(3));
  // Doubtful blocks do not count: without confident blocks the unit is 0 and
  // the threshold alone divides (gap 91 div rnd(0.3 × 62) = 91 div 19 = 4).
  engine::FreePageLines();
  EXPECT_EQ(EmitAndKeep({NewTestBlock(1000, 1030, 200, 230, kHanzi, 10),
                         NewTestBlock(1120, 1150, 200, 230, kHanzi, 10)}),
            "\xD6\xD0    \xD6\xD0");
}

TEST_F(ResultListTest, EmptyPartOfAFullWidthMarksCellIsNoGap) {
  // Hanzi 40 wide; a comma's ink fills the left quarter of its cell, so 30
  // pixels of white follow it before the next hanzi; a centred period stands
  // 22 pixels after a hanzi. Both gaps are wider than the threshold of their
  // reference widths, but lie inside the marks' cells.
  constexpr engine::CharCode kComma = MakeCode(0xA3, 0xAC);   // ，
  constexpr engine::CharCode kPeriod = MakeCode(0xA1, 0xA3);  // 。
  const auto line = [] {
    return EmitAndKeep({NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                        NewTestBlock(44, 53, 30, 45, kComma, kConfident),
                        NewTestBlock(84, 123, 0, 39, kHanzi, kConfident),
                        NewTestBlock(146, 157, 14, 25, kPeriod, kConfident)});
  };
  EXPECT_EQ(line(), "\xD6\xD0\xA3\xAC \xD6\xD0 \xA1\xA3") << "the cell width is unknown: ink widths only";
  engine::FreePageLines();
  engine::LineHanziSize = 39;
  EXPECT_EQ(line(), "\xD6\xD0\xA3\xAC\xD6\xD0\xA1\xA3");

  // A printed space between a hanzi and a Latin letter or digit stays.
  engine::FreePageLines();
  EXPECT_EQ(EmitAndKeep({NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                         NewTestBlock(61, 82, 8, 39, engine::AsciiCode('D'), kConfident),
                         NewTestBlock(104, 143, 0, 39, kHanzi, kConfident)}),
            "\xD6\xD0 D \xD6\xD0");
}

TEST_F(ResultListTest, NarrowHanziIsCentredInItsCell) {
  // A hanzi 12 wide centred in a cell of 40: 14 columns of its cell lie on
  // each side of its ink. Beside a Latin letter with a printed space the
  // space stays.
  engine::LineHanziSize = 39;
  const auto line = [] {
    return EmitAndKeep({NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                        NewTestBlock(56, 67, 0, 39, kHanzi, kConfident),
                        NewTestBlock(95, 110, 8, 39, engine::AsciiCode('C'), kConfident)});
  };
  EXPECT_EQ(line(), "\xD6\xD0\xD6\xD0 C");
  engine::FreePageLines();
  engine::LineHanziSize = 0;
  EXPECT_EQ(line(), "\xD6\xD0 \xD6\xD0 C") << "without a character size the ink widths decide";
}

TEST_F(ResultListTest, IndentFollowsTheBestAlignedEarlierLine) {
  int32_t indent = -1;
  EmitAndKeep(
      {NewTestBlock(100, 139, 0, 39, kHanzi, kConfident), NewTestBlock(140, 179, 0, 39, kHanzi, kConfident)},
      &indent);
  EXPECT_EQ(indent, 0) << "the first line";
  // Further right by a gap of 100 (> 24): 100 div 39 = 2 spaces.
  EXPECT_EQ(EmitAndKeep({NewTestBlock(239, 278, 50, 89, kHanzi, kConfident),
                         NewTestBlock(279, 318, 50, 89, kHanzi, kConfident)},
                        &indent),
            "  " + Hanzi(2));
  EXPECT_EQ(indent, 2);
  // Nearest to the second line (Left 239): its indent 2 plus a gap of 81 = 2.
  EmitAndKeep({NewTestBlock(359, 398, 100, 139, kHanzi, kConfident),
               NewTestBlock(399, 438, 100, 139, kHanzi, kConfident)},
              &indent);
  EXPECT_EQ(indent, 4);
  // Left of the first line: 2 fewer than its 0, but never below zero.
  EmitAndKeep(
      {NewTestBlock(0, 39, 150, 189, kHanzi, kConfident), NewTestBlock(40, 79, 150, 189, kHanzi, kConfident)},
      &indent);
  EXPECT_EQ(indent, 0);
  // Equally near to the first (Left 100) and fourth (Left 0) line: the first.
  // Its gap of 11 is under the threshold, so it keeps the first line's 0.
  EmitAndKeep({NewTestBlock(50, 89, 200, 239, kHanzi, kConfident),
               NewTestBlock(90, 129, 200, 239, kHanzi, kConfident)},
              &indent);
  EXPECT_EQ(indent, 0);
  // Between the second (Left 239, indent 2) and third (Left 359, indent 4)
  // at equal distance 60: the second wins and adds one space for the gap 21
  // (threshold 24: none) — so 2.
  EmitAndKeep({NewTestBlock(299, 338, 250, 289, kHanzi, kConfident),
               NewTestBlock(339, 378, 250, 289, kHanzi, kConfident)},
              &indent);
  EXPECT_EQ(indent, 2);
}

TEST_F(ResultListTest, CharMapHasOneEntryPerCharacter) {
  CharBlock* hanzi = NewTestBlock(0, 39, 0, 39, kHanzi, kConfident);
  CharBlock* letter = NewTestBlock(100, 119, 0, 39, core::AsciiCode('A'), kConfident);
  CharBlock* empty = NewTestBlock(200, 239, 0, 39, 0, 0);
  CharBlock* pair = NewTestBlock(240, 279, 0, 39, core::AsciiPairCode('f', 'i'), kConfident);
  const std::string text = EmitAndKeep({hanzi, letter, empty, pair});
  ASSERT_EQ(text, "\xD6\xD0 A  fi");
  EXPECT_EQ(map_, (core::CharMapList{hanzi, nullptr, letter, nullptr, nullptr, pair, pair}))
      << "no entry for the block without candidates, nil for its spaces";
  EXPECT_EQ(hanzi->RefWidth, 40);
}

TEST_F(ResultListTest, LearningModeBuildsARulerAsWideAsTheText) {
  library::LearningMode = true;
  engine::LineBlocks = new BlockList{NewTestBlock(0, 39, 0, 39, kHanzi, kConfident),
                                     NewTestBlock(100, 139, 0, 39, kHanzi, kConfident)};
  const engine::EmittedLine line = engine::EmitLine();
  engine::PageLines.push_back(engine::LineBlocks);
  engine::LineIndents.push_back(line.Indent);
  ASSERT_EQ(line.Text, "\xD6\xD0 \xD6\xD0");
  ASSERT_EQ(line.Ruler.size(), line.Text.size());
  const std::string first = engine::RulerLabel(0, 2);
  const std::string second = engine::RulerLabel(1, 3);
  EXPECT_EQ(line.Ruler.substr(2 - first.size(), first.size()), first);
  EXPECT_EQ(line.Ruler.substr(5 - second.size(), second.size()), second);
}

TEST(RulerLabel, DigitOrLetterAndDigitRightAligned) {
  EXPECT_EQ(engine::RulerLabel(13, 1), "3");
  EXPECT_EQ(engine::RulerLabel(5, 2), "@5");
  EXPECT_EQ(engine::RulerLabel(13, 2), "A3");
  EXPECT_EQ(engine::RulerLabel(27, 4), "  B7");
}

}  // namespace
