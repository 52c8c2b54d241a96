// Joining the pieces of a character by the pitch of the line, with a
// scripted classifier for the recognition of the joined cells.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "engine/PitchCells.h"
#include "support/CorrectionFixtures.h"

namespace {

using correction_test::Any;
using correction_test::BoxIs;
using correction_test::MakeBlankPage;
using correction_test::TestLine;
using engine::Box;
using engine::CharCode;
using engine::MakeCode;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);    // 中
constexpr CharCode kSay = MakeCode(0xCB, 0xB5);      // 说
constexpr CharCode kComma = MakeCode(0xA3, 0xAC);    // ，
constexpr CharCode kQuote = MakeCode(0xA1, 0xB1);    // ”
constexpr CharCode kSmallI = MakeCode(0xA3, 0xE9);   // ｉ
constexpr CharCode kSmallL = MakeCode(0xA3, 0xEC);   // ｌ
constexpr int32_t kGood = 60;
constexpr int32_t kSize = 40;  // Chinese character size of the line

class PitchCellsTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeBlankPage(800, 60); }
  // Cells 50 wide from 0; a whole hanzi fills 41 columns of its cell.
  engine::CharBlock* HanziInCell(int32_t cell) {
    return line.Add(Box{50 * cell, 50 * cell + 40, 5, 45}, kHanzi, kGood);
  }
  TestLine line;
};

TEST_F(PitchCellsTest, PiecesInOneCellBecomeTheCharacterTheyRead) {
  HanziInCell(0);
  HanziInCell(1);
  line.Add(Box{100, 111, 8, 42}, kSmallI, 55);  // 讠 and 兑 of 说, cell 2
  line.Add(Box{116, 140, 5, 45}, kHanzi, 58);
  HanziInCell(3);
  HanziInCell(4);
  line.Add(Box{250, 255, 10, 40}, kSmallL, 40);  // two doubtful slivers in cell 5 that read nothing
  line.Add(Box{280, 286, 10, 40}, kSmallL, 40);
  HanziInCell(6);
  line.Script({{BoxIs(100, 140), kSay, 44}, {Any(), 0, 0}});
  EXPECT_EQ(engine::JoinPiecesByPitch(line.Blocks(), kSize), 1);
  ASSERT_EQ(line.size(), 8u);
  EXPECT_EQ(line[2].Codes[0], kSay);
  EXPECT_EQ(line[2].Scores[0], 44);
  EXPECT_EQ(line[2].Left, 100);
  EXPECT_EQ(line[2].Right, 140);
  EXPECT_EQ(line[5].Codes[0], kSmallL) << "the union of cell 5 read nothing";
  EXPECT_EQ(line.Trials().size(), 2u);
}

TEST_F(PitchCellsTest, JoinedCellNeedsAChineseReadingAboveTheFloor) {
  HanziInCell(0);
  HanziInCell(1);
  line.Add(Box{100, 111, 8, 42}, kSmallI, 55);
  line.Add(Box{116, 140, 5, 45}, kHanzi, 58);
  HanziInCell(3);
  HanziInCell(4);
  line.Add(Box{250, 260, 5, 45}, kSmallL, 55);
  line.Add(Box{270, 285, 5, 45}, kSmallI, 30);
  HanziInCell(6);
  line.Script({{BoxIs(100, 140), kSay, engine::kCellFloor - 1}, {BoxIs(250, 285), engine::AsciiCode('A'), 60}});
  EXPECT_EQ(engine::JoinPiecesByPitch(line.Blocks(), kSize), 0);
  EXPECT_EQ(line.size(), 9u);
  EXPECT_EQ(line.Trials().size(), 2u);
}

TEST_F(PitchCellsTest, CommasOfABrokenCharacterAreTried) {
  // A light print leaves slivers that read as commas; without a quote or a
  // bracket among them they are tried as one cell.
  HanziInCell(0);
  HanziInCell(1);
  line.Add(Box{100, 108, 10, 40}, kComma, kGood);
  line.Add(Box{118, 130, 10, 40}, kComma, kGood);
  HanziInCell(3);
  HanziInCell(4);
  line.Script({{BoxIs(100, 130), kSay, engine::kCellFloor}});
  EXPECT_EQ(engine::JoinPiecesByPitch(line.Blocks(), kSize), 1);
  EXPECT_EQ(line[2].Codes[0], kSay);
}

TEST_F(PitchCellsTest, MarksWholeCharactersAndLinesWithoutAGridStayApart) {
  // A comma and a closing quote share the cell after a hanzi: both confident
  // marks, never tried.
  // Two confident letters set apart by spaces: a Latin word, which puts the
  // hanzi around it further apart than two cells.
  HanziInCell(0);
  HanziInCell(1);
  line.Add(Box{100, 108, 35, 45}, kComma, kGood);
  line.Add(Box{118, 130, 5, 15}, kQuote, kGood);
  HanziInCell(3);
  HanziInCell(4);
  line.Add(Box{250, 258, 15, 45}, kSmallL, kGood);
  line.Add(Box{262, 285, 25, 45}, engine::AsciiPairCode('r', 'e'), kGood);
  line.Add(Box{330, 370, 5, 45}, kHanzi, kGood);
  line.Script({{Any(), kSay, 60}});
  EXPECT_EQ(engine::JoinPiecesByPitch(line.Blocks(), kSize), 0);
  EXPECT_TRUE(line.Trials().empty());

  // Two anchors give one distance only: no pitch.
  TestLine two;
  two.Add(Box{0, 40, 5, 45}, kHanzi, kGood);
  two.Add(Box{50, 90, 5, 45}, kHanzi, kGood);
  two.Add(Box{100, 111, 8, 42}, kSmallI, 55);
  two.Add(Box{116, 140, 5, 45}, kHanzi, 58);
  EXPECT_EQ(engine::JoinPiecesByPitch(two.Blocks(), kSize), 0);
  EXPECT_EQ(engine::JoinPiecesByPitch(two.Blocks(), 0), 0);
}

TEST_F(PitchCellsTest, CharactersRunTogetherAreCutIntoTheirCells) {
  // Heavy print joins two characters into one block of two cells that reads
  // nothing; cut in the middle, each cell reads a hanzi.
  HanziInCell(0);
  HanziInCell(1);
  HanziInCell(2);
  line.Add(Box{150, 240, 5, 45}, 0, 0);
  HanziInCell(5);
  line.Add(Box{300, 390, 6, 44}, kHanzi, 40);  // doubtful; its second cell reads a comma
  HanziInCell(8);
  line.Add(Box{450, 540, 24, 27}, kHanzi, 30);  // a rule, not as tall as a character
  line.Add(Box{600, 690, 5, 45}, kHanzi, kGood);  // confident
  line.Script({{BoxIs(150, 195), kSay, 50},
               {BoxIs(196, 240), kHanzi, 45},
               {BoxIs(300, 345), kHanzi, 52},
               {BoxIs(346, 390), kComma, 60}});
  EXPECT_EQ(engine::SplitRunTogetherCells(line.Blocks(), kSize), 1);
  ASSERT_EQ(line.size(), 10u);
  EXPECT_EQ(line[3].Codes[0], kSay);
  EXPECT_EQ(line[3].Right, 195);
  EXPECT_EQ(line[4].Codes[0], kHanzi);
  EXPECT_EQ(line[4].Left, 196);
  EXPECT_EQ(line[4].Scores[0], 45);
  EXPECT_EQ(line[6].Left, 300) << "a cell that reads a comma keeps the block whole";
  EXPECT_EQ(line[6].Right, 390);
  EXPECT_EQ(line.Trials().size(), 4u) << "neither the rule nor the confident block is tried";
}

}  // namespace
