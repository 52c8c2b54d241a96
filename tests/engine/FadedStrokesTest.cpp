// The end of a 一 whose thin stroke vanished on light print, and the marks
// of the text that stand where it could.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "engine/FadedStrokes.h"
#include "engine/ResultList.h"
#include "support/EngineFixtures.h"

namespace {

using engine::CharBlock;
using engine::CharCode;
using engine::MakeCode;
using enginetest::NewTestBlock;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);      // 中
constexpr CharCode kOne = MakeCode(0xD2, 0xBB);        // 一
constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);  // ·
constexpr CharCode kComma = MakeCode(0xA3, 0xAC);      // ，
constexpr CharCode kQuote = MakeCode(0xA1, 0xAF);      // ’
constexpr int32_t kGood = 66;
constexpr int32_t kSize = 40;

class FadedStrokesTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::ResetEngineState(); }
  void TearDown() override {
    for (CharBlock* block : line_) engine::FreeBlock(block);
    enginetest::ResetEngineState();
  }
  // Hanzi 41 columns wide at rows 0 … 40; cells 48 wide.
  void HanziInCell(int32_t cell) { Add(48 * cell, 48 * cell + 40, 0, 40, kHanzi); }
  CharBlock& Add(int32_t left, int32_t right, int32_t top, int32_t bottom, CharCode code) {
    line_.push_back(NewTestBlock(left, right, top, bottom, code, kGood));
    return *line_.back();
  }
  engine::BlockList line_;
};

TEST_F(FadedStrokesTest, TheEndOfAVanishedStrokeReadsAsOne) {
  HanziInCell(0);
  CharBlock& end = Add(80, 87, 17, 21, kMiddleDot);  // right end of cell 1, middle height
  HanziInCell(2);
  CharBlock& narrow = Add(176, 184, 18, 22, kOne);   // read as a 一 of its own narrow width
  Add(192, 200, 2, 38, engine::AsciiCode('i'));      // what light print left of the next hanzi
  HanziInCell(5);
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line_, kSize), 2);
  EXPECT_EQ(end.Codes[0], kOne);
  EXPECT_EQ(end.Codes[1], 0u);
  EXPECT_FALSE(engine::IsConfident(end)) << "shown for checking";
  EXPECT_EQ(end.Left, 48) << "a character's width, ending where the mark ends";
  EXPECT_EQ(end.Right, 87);
  EXPECT_EQ(narrow.Left, 145);
}

TEST_F(FadedStrokesTest, MarksOfTheTextStayWhatTheyAre) {
  HanziInCell(0);
  Add(64, 71, 17, 21, kMiddleDot);  // in the middle of its cell
  HanziInCell(2);
  Add(128, 136, 30, 40, kComma);    // low, at the left of its cell
  HanziInCell(4);
  Add(224, 231, 0, 8, kQuote);      // at the top of the line
  HanziInCell(6);
  Add(321, 328, 17, 21, kMiddleDot);  // right after a hanzi: no empty cell before it
  HanziInCell(7);
  Add(416, 423, 17, 21, kMiddleDot);  // the last block of the line
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line_, kSize), 0);
  EXPECT_EQ(engine::ReadStrokeEndsAsOne(line_, 0), 0);
}

}  // namespace
