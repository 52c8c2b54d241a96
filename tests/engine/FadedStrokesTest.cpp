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
  CharBlock& narrow = *line.Add(Box{176, 184, 18, 22}, kOne, kGood);   // read as a 一 of its own narrow width
  line.Add(Box{192, 200, 2, 38}, core::AsciiCode('i'), kGood);         // what light print left of the next hanzi
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
  line.Add(Box{128, 136, 30, 40}, kComma, kGood);    // low, at the left of its cell
  HanziInCell(line, 4);
  line.Add(Box{224, 231, 0, 8}, kQuote, kGood);      // at the top of the line
  HanziInCell(line, 6);
  line.Add(Box{321, 328, 17, 21}, kMiddleDot, kGood);  // right after a hanzi: no empty cell before it
  HanziInCell(line, 7);
  line.Add(Box{416, 423, 17, 21}, kMiddleDot, kGood);  // the last block of the line
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line.Blocks(), kSize), 0);
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line.Blocks(), 0), 0);
}

}  // namespace
