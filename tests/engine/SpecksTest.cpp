// Specks in a line of blocks and lines of nothing but marks: what is a speck
// and what is a mark of the text.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "engine/Specks.h"
#include "support/EngineFixtures.h"

namespace {

using engine::BlockList;
using engine::CharBlock;
using engine::MakeCode;
using enginetest::NewTestBlock;

constexpr engine::CharCode kHanzi = MakeCode(0xD6, 0xD0);      // 中
constexpr engine::CharCode kComma = MakeCode(0xA3, 0xAC);      // ，
constexpr engine::CharCode kDot = MakeCode(0xA3, 0xAE);        // ．
constexpr engine::CharCode kMiddleDot = MakeCode(0xA1, 0xA4);  // ·
constexpr engine::CharCode kOpenQuote = MakeCode(0xA1, 0xB0);  // “
constexpr engine::CharCode kPeriod = MakeCode(0xA1, 0xA3);     // 。
constexpr engine::CharCode kPause = MakeCode(0xA1, 0xA2);      // 、
constexpr engine::CharCode kQuestion = MakeCode(0xA3, 0xBF);   // ？
constexpr engine::CharCode kColon = MakeCode(0xA3, 0xBA);      // ：
constexpr engine::CharCode kEndQuote = MakeCode(0xA1, 0xB1);   // ”
constexpr int32_t kGood = 60;
constexpr int32_t kHanziSize = 40;

class SpecksTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::ResetEngineState(); }
  void TearDown() override {
    Clear();
    enginetest::ResetEngineState();
  }
  void Clear() {
    for (CharBlock* block : line_) engine::FreeBlock(block);
    line_.clear();
  }
  // A hanzi 41 columns wide from `left`.
  CharBlock* HanziAt(int32_t left) { return Add(left, left + 40, 0, 40, kHanzi); }
  CharBlock* Add(int32_t left, int32_t right, int32_t top, int32_t bottom, engine::CharCode code,
                 int32_t score = kGood) {
    line_.push_back(NewTestBlock(left, right, top, bottom, code, score));
    return line_.back();
  }
  std::string Codes() const {
    std::string text;
    for (const CharBlock* b : line_) text += b->Codes[0] == kHanzi ? "H" : b->Codes[0] == kPeriod ? "o" : "*";
    return text;
  }
  std::vector<int32_t> Lefts() const {
    std::vector<int32_t> lefts;
    for (const CharBlock* b : line_) lefts.push_back(b->Left);
    return lefts;
  }
  BlockList line_;
};

TEST_F(SpecksTest, MarkBetweenHanziAtNormalSpacingIsASpeck) {
  // Hanzi 7 columns apart leave no room for a cell between them.
  HanziAt(0);
  Add(42, 45, 20, 24, kDot);
  HanziAt(47);
  Add(89, 92, 30, 36, kComma, 30);  // doubtful
  HanziAt(94);
  Add(136, 139, 1, 9, kOpenQuote);  // a quote at the top of the line: kept
  HanziAt(141);
  Add(183, 186, 18, 22, kMiddleDot);  // a middle dot at the middle: kept
  HanziAt(188);
  Add(230, 233, 2, 6, kMiddleDot);  // a dot high up: a speck
  HanziAt(235);
  Add(277, 286, 30, 40, kComma);  // a comma with a cell of its own
  HanziAt(315);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "HHH*H*HH*H");
}

TEST_F(SpecksTest, SpeckBetweenAHanziAndTheMarkInTheNextCell) {
  HanziAt(0);
  Add(44, 46, 5, 7, kDot, 30);        // between 中 and the 。 that follows it at once
  Add(50, 61, 28, 39, kPeriod);
  Add(100, 104, 20, 24, kDot, 30);    // two marks: no hanzi beside it
  Add(110, 121, 28, 39, kPeriod);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "Ho*o");
}

TEST_F(SpecksTest, SmallMarkFarFromEveryNeighbourIsASpeck) {
  Add(0, 5, 10, 15, kMiddleDot);  // line start, 65 before the first hanzi: a speck
  HanziAt(70);
  Add(115, 126, 28, 39, kPeriod);  // right after it: the line's 。
  Add(300, 305, 10, 15, kDot);     // far out in the margin, with another speck near it
  Add(330, 334, 30, 34, kDot);
  engine::DropSpecks(line_, 0);    // no character size: nothing is judged
  EXPECT_EQ(line_.size(), 5u);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "Ho");
}

TEST_F(SpecksTest, TinyDotsEndingTheLineHalfACharacterAfterItsTextAreSpecks) {
  HanziAt(0);
  Add(60, 64, 18, 22, kMiddleDot);  // 20 columns after the text (half a character is 20 of 40)
  Add(90, 94, 30, 34, kDot);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "H");

  Clear();
  HanziAt(0);
  Add(45, 49, 34, 38, kDot);  // a comma's head close after the text: kept
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(line_.size(), 2u);

  Clear();
  HanziAt(0);
  Add(62, 68, 20, 26, kPeriod);  // a small 。 in the middle of its cell: kept
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "Ho");
}

TEST_F(SpecksTest, TinyDotsThatOpenTheLineApartFromItsTextOrBeforeChineseAreSpecks) {
  Add(0, 4, 30, 34, engine::AsciiCode('.'));  // dirt in the indent, two of them
  Add(20, 25, 18, 23, kMiddleDot);
  HanziAt(40);                                // 15 columns on: apart
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "H");

  Clear();
  Add(0, 6, 30, 36, kPeriod);                 // a dot read as a tiny 。, far in the margin
  Add(40, 44, 18, 22, kMiddleDot);            // then one right before a Chinese character
  HanziAt(46);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "H");

  Clear();
  Add(0, 4, 36, 40, engine::AsciiCode('.'));  // ".packages": the dot touches its word
  Add(7, 20, 12, 40, engine::AsciiCode('p'));
  HanziAt(100);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(line_.size(), 3u);

  Clear();
  Add(0, 12, 28, 40, kComma);                 // a comma of full size at the start: kept
  HanziAt(40);
  engine::DropSpecks(line_, kHanziSize);
  EXPECT_EQ(Codes(), "*H");
}

TEST_F(SpecksTest, DotInTheCellOfAMarkThatEndsAClauseIsDropped) {
  HanziAt(0);
  Add(44, 55, 28, 39, kPeriod);
  Add(58, 62, 30, 34, kMiddleDot);  // a piece of the broken ring
  Add(70, 74, 2, 6, kDot);          // dirt high up, still in the cell of 。
  HanziAt(96);
  Add(140, 146, 30, 42, engine::AsciiCode(','));
  Add(160, 163, 20, 23, kMiddleDot);
  HanziAt(190);
  Add(234, 244, 5, 38, kQuestion);
  Add(250, 254, 30, 34, kDot);
  HanziAt(280);
  Add(324, 335, 28, 39, kPeriod);
  Add(372, 376, 30, 34, kMiddleDot);  // past the cell, but nothing follows it in the line
  engine::DropDotsInMarkCells(line_, kHanziSize);
  EXPECT_EQ(Lefts(), (std::vector<int32_t>{0, 44, 96, 140, 190, 234, 280, 324}));
}

TEST_F(SpecksTest, MarksOfTheTextAfterAClauseMarkAreKept) {
  HanziAt(0);
  Add(44, 50, 28, 40, kComma);
  Add(88, 96, 18, 22, kMiddleDot);  // in the next cell: a piece of the character there
  HanziAt(130);
  Add(174, 185, 28, 39, kPeriod);
  Add(188, 196, 0, 10, kEndQuote);    // a quote may share the cell of 。
  Add(200, 222, 12, 34, kPeriod);     // too large for 。: a Latin o
  Add(226, 231, 28, 38, kComma);
  Add(240, 250, 15, 40, engine::AsciiCode('a'));
  Add(254, 260, 10, 38, kColon);      // after a Latin letter: may be a letter misread
  Add(264, 268, 32, 40, engine::AsciiCode(','));
  HanziAt(300);
  Add(344, 348, 18, 22, kPause);      // the pieces of a broken …, all of one size
  Add(354, 358, 18, 22, kDot);
  HanziAt(380);
  Add(424, 435, 28, 39, kPeriod, 30);  // doubtful
  Add(438, 442, 30, 34, kDot);
  HanziAt(480);
  const std::vector<int32_t> before = Lefts();
  engine::DropDotsInMarkCells(line_, 0);  // no character size: nothing is judged
  EXPECT_EQ(Lefts(), before);
  engine::DropDotsInMarkCells(line_, kHanziSize);
  EXPECT_EQ(Lefts(), before);
}

TEST_F(SpecksTest, NoiseLinesHoldOnlyMarksOrOneDoubtfulBlock) {
  Add(0, 5, 10, 15, MakeCode(0xA1, 0xF1));  // ●
  Add(100, 105, 10, 15, kDot);
  Add(200, 205, 10, 15, kComma, 20);
  EXPECT_TRUE(engine::IsNoiseLine(line_));
  HanziAt(300)->Scores[0] = 20;
  EXPECT_FALSE(engine::IsNoiseLine(line_)) << "a character, even a doubtful one, keeps the line";

  BlockList unknown = {NewTestBlock(0, 40, 0, 40), NewTestBlock(50, 90, 0, 40)};
  EXPECT_FALSE(engine::IsNoiseLine(unknown)) << "blocks without a reading are not marks";
  BlockList one = {unknown[0]};
  EXPECT_TRUE(engine::IsNoiseLine(one));
  for (CharBlock* b : unknown) engine::FreeBlock(b);
}

}  // namespace
