// The end of a 一 whose thin stroke vanished on light print, and the marks
// of the text that stand where it could.
#include <gtest/gtest.h>

#include "engine/FadedStrokes.h"
#include "support/CorrectionFixtures.h"

namespace {

using core::Box;
using core::CharBlock;
using core::CharCode;
using core::MakeCode;
using correction_test::TestLine;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);      // 中
constexpr CharCode kOne = MakeCode(0xD2, 0xBB);        // 一
constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);  // ·
constexpr CharCode kComma = MakeCode(0xA3, 0xAC);      // ，
constexpr CharCode kQuote = MakeCode(0xA1, 0xAF);      // ’
constexpr int32_t kGood = 66;
constexpr int32_t kSize = 40;

// Hanzi 41 columns wide at rows 0 … 40; cells 48 wide.
void HanziInCell(TestLine& line, int32_t cell) {
  line.Add(Box{48 * cell, 48 * cell + 40, 0, 40}, kHanzi, kGood);
}

TEST(FadedStrokesTest, TheEndOfAVanishedStrokeReadsAsOne) {
  TestLine line;
  HanziInCell(line, 0);
  CharBlock& end = *line.Add(Box{80, 87, 17, 21}, kMiddleDot, kGood);  // right end of cell 1, middle height
  HanziInCell(line, 2);
  CharBlock& narrow = *line.Add(Box{176, 184, 18, 22}, kOne, kGood);  // read as a 一 of its own narrow width
  line.Add(Box{192, 200, 2, 38}, core::AsciiCode('i'), kGood);  // what light print left of the next hanzi
  HanziInCell(line, 5);
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line.Blocks(), kSize), 2);
  EXPECT_EQ(end.Codes[0], kOne);
  EXPECT_EQ(end.Codes[1], 0u);
  EXPECT_FALSE(core::IsConfident(end)) << "shown for checking";
  EXPECT_EQ(end.Left, 48) << "a character's width, ending where the mark ends";
  EXPECT_EQ(end.Right, 87);
  EXPECT_EQ(narrow.Left, 145);
}

TEST(FadedStrokesTest, MarksOfTheTextStayWhatTheyAre) {
  TestLine line;
  HanziInCell(line, 0);
  line.Add(Box{64, 71, 17, 21}, kMiddleDot, kGood);  // in the middle of its cell
  HanziInCell(line, 2);
  line.Add(Box{128, 136, 30, 40}, kComma, kGood);  // low, at the left of its cell
  HanziInCell(line, 4);
  line.Add(Box{224, 231, 0, 8}, kQuote, kGood);  // at the top of the line
  HanziInCell(line, 6);
  line.Add(Box{321, 328, 17, 21}, kMiddleDot, kGood);  // right after a hanzi: no empty cell before it
  HanziInCell(line, 7);
  line.Add(Box{416, 423, 17, 21}, kMiddleDot, kGood);  // the last block of the line
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line.Blocks(), kSize), 0);
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line.Blocks(), 0), 0);
}

TEST(FadedPeriodsTest, WhereASmallMarkStartsTellsACommasHeadFromWhatIsLeftOfAPeriod) {
  constexpr CharCode kPeriod = MakeCode(0xA1, 0xA3);  // 。
  engine::ForgetCommaHeights();
  TestLine line;
  // Five comma heads: 8 wide, rows 32 … 36 (0.2 of a character above the
  // baseline at row 40).
  const auto hanziAndCommaHead = [](TestLine& to, int32_t k) {
    to.Add(Box{96 * k, 96 * k + 40, 0, 40}, kHanzi, kGood);
    to.Add(Box{96 * k + 44, 96 * k + 51, 32, 36}, kComma, kGood);
  };
  for (int32_t k = 0; k < 5; ++k) hanziAndCommaHead(line, k);
  line.Add(Box{480, 520, 0, 40}, kHanzi, kGood);
  CharBlock& arc = *line.Add(Box{524, 528, 26, 28}, kComma, kGood);  // ends above the commas' top
  line.Add(Box{576, 616, 0, 40}, kHanzi, kGood);
  CharBlock& head = *line.Add(Box{620, 627, 32, 36}, kPeriod, kGood);  // a comma's head read as 。
  line.Add(Box{672, 712, 0, 40}, kHanzi, kGood);
  CharBlock& ring = *line.Add(Box{716, 731, 26, 40}, kPeriod, kGood);  // a whole 。
  line.Add(Box{768, 808, 0, 40}, kHanzi, kGood);
  CharBlock& low = *line.Add(Box{812, 819, 33, 39}, kComma, kGood);  // a comma a row lower
  line.Add(Box{864, 904, 0, 40}, kHanzi, kGood);
  engine::SettleFadedPeriods(line.Blocks(), kSize);
  EXPECT_EQ(arc.Codes[0], kPeriod);
  EXPECT_EQ(head.Codes[0], kComma);
  EXPECT_EQ(ring.Codes[0], kPeriod);
  EXPECT_EQ(low.Codes[0], kComma);
  EXPECT_EQ(line[1].Codes[0], kComma);

  // On a new page nothing is known of the commas until five are read (the
  // arc, read as a comma, is the fourth).
  engine::ForgetCommaHeights();
  TestLine few;
  for (int32_t k = 0; k < 3; ++k) hanziAndCommaHead(few, k);
  few.Add(Box{288, 328, 0, 40}, kHanzi, kGood);
  CharBlock& early = *few.Add(Box{332, 336, 26, 28}, kComma, kGood);
  few.Add(Box{384, 424, 0, 40}, kHanzi, kGood);
  engine::SettleFadedPeriods(few.Blocks(), kSize);
  EXPECT_EQ(early.Codes[0], kComma);
}

TEST(VanishedPeriodsTest, ACellLeftEmptyInRunningTextIsMarkedAsADoubtfulPeriod) {
  constexpr CharCode kPeriod = MakeCode(0xA1, 0xA3);  // 。
  // Ten hanzi on a pitch of 44; after the third a cell is left empty (a gap
  // of 47, 1.2 characters), after the sixth one and a half cells (1.6, a
  // printed space or a column gap), and the eighth stands half a cell apart.
  TestLine line;
  const int32_t lefts[] = {0, 44, 88, 176, 220, 264, 374, 418, 480, 524};
  for (const int32_t left : lefts) line.Add(Box{left, left + 40, 0, 40}, kHanzi, kGood);
  EXPECT_EQ(engine::MarkVanishedPeriods(line.Blocks(), kSize), 1);
  ASSERT_EQ(line.size(), 11u);
  const CharBlock& mark = line[3];
  EXPECT_EQ(mark.Codes[0], kPeriod);
  EXPECT_FALSE(core::IsConfident(mark)) << "shown for checking";
  EXPECT_GT(mark.Left, 129);
  EXPECT_LT(mark.Right, 176);
  EXPECT_EQ(mark.Bottom, 40) << "on the baseline";

  TestLine shortLine;  // a heading or a line of a table, not running text
  for (const int32_t left : {0, 44, 88, 176, 220}) shortLine.Add(Box{left, left + 40, 0, 40}, kHanzi, kGood);
  EXPECT_EQ(engine::MarkVanishedPeriods(shortLine.Blocks(), kSize), 0);
}

}  // namespace
