// Specks in a line of blocks and lines of nothing but marks: what is a speck
// and what is a mark of the text.
#include <gtest/gtest.h>

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
constexpr int32_t kGood = 60;
constexpr int32_t kHanziSize = 40;

class SpecksTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::ResetEngineState(); }
  void TearDown() override {
    for (CharBlock* block : line_) engine::FreeBlock(block);
    enginetest::ResetEngineState();
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
