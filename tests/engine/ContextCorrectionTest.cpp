// Contextual correction of look-alike characters and of letter case, on
// small constructed lines.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "engine/ContextCorrection.h"
#include "engine/EngineState.h"
#include "library/WordPairs.h"
#include "support/CorrectionFixtures.h"

namespace {

using core::AsciiCode;
using core::AsciiPairCode;
using core::Box;
using core::CharCode;
using core::MakeCode;
using correction_test::TestLine;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);           // 中
constexpr CharCode kFullComma = MakeCode(0xA3, 0xAC);       // ，
constexpr CharCode kRightQuote = MakeCode(0xA1, 0xAF);      // ’
constexpr CharCode kFullPeriod = MakeCode(0xA3, 0xAE);      // ．
constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);       // ·
constexpr CharCode kBullet = MakeCode(0xA1, 0xF1);          // ●
constexpr CharCode kInfinity = MakeCode(0xA1, 0xDE);        // ∞
constexpr CharCode kChinesePeriod = MakeCode(0xA1, 0xA3);   // 。
constexpr CharCode kFullO = MakeCode(0xA3, 0xCF);           // Ｏ
constexpr CharCode kFullZero = MakeCode(0xA3, 0xB0);        // ０
constexpr CharCode kFullOne = MakeCode(0xA3, 0xB1);         // １
constexpr CharCode kFullTwo = MakeCode(0xA3, 0xB2);         // ２
constexpr CharCode kFullA = MakeCode(0xA3, 0xC1);           // Ａ
constexpr CharCode kFullC = MakeCode(0xA3, 0xC3);           // Ｃ
constexpr CharCode kFullSmallU = MakeCode(0xA3, 0xF5);      // ｕ
constexpr CharCode kFullUnderscore = MakeCode(0xA3, 0xDF);  // ＿
constexpr CharCode kEmDash = MakeCode(0xA1, 0xAA);          // —
constexpr CharCode kHanziOne = MakeCode(0xD2, 0xBB);        // 一
constexpr CharCode kLeftCorner = MakeCode(0xA1, 0xB8);      // 「
constexpr CharCode kRightCorner = MakeCode(0xA1, 0xB9);     // 」
constexpr int32_t kGood = 60;

// Line metrics of the constructed lines: characters from row 10 to row 30.
class ContextCorrectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::LineAvgTop = 10;
    engine::LineAvgBottom = 30;
    engine::LineHanziSize = 0;
  }
  void CorrectAll() {
    for (int32_t i = 0; i < static_cast<int32_t>(line.size()); ++i) engine::CorrectAmbiguous(i);
  }
  // A block of one character cell per 25 columns: cell k spans 25k .. 25k + 20.
  core::CharBlock* AddAt(int32_t cell, int32_t top, int32_t bottom, CharCode code, int32_t score = kGood) {
    return line.Add(Box{25 * cell, 25 * cell + 20, top, bottom}, code, score);
  }
  TestLine line;
};

int32_t ClassOf(CharCode code) {
  const CharCode codes[2] = {code, 0};
  return engine::GlyphClass(codes);
}

TEST(GlyphClassTest, TableAndCombinations) {
  EXPECT_EQ(ClassOf(AsciiCode('0')), 0x20);
  EXPECT_EQ(ClassOf(AsciiCode(',')), 0x20);
  EXPECT_EQ(ClassOf(AsciiCode('A')), 0x0A);
  EXPECT_EQ(ClassOf(AsciiCode('7')), 0x0A);
  EXPECT_EQ(ClassOf(AsciiCode('k')), 0x0A);
  EXPECT_EQ(ClassOf(AsciiCode('t')), 0x0C);
  EXPECT_EQ(ClassOf(AsciiCode('y')), 0x18);
  EXPECT_EQ(ClassOf(AsciiCode('{')), 0x1A);
  EXPECT_EQ(ClassOf(AsciiCode('x')), 0x08);
  EXPECT_EQ(ClassOf(AsciiPairCode('a', 'g')), 0x18);
  EXPECT_EQ(ClassOf(AsciiPairCode('a', '-')), 0);  // any other byte spoils the pair
  EXPECT_EQ(ClassOf(kChinesePeriod), 0x20);
  EXPECT_EQ(ClassOf(kHanzi), 0);
  EXPECT_EQ(ClassOf(0), 0);
}

TEST(CharacterCodesTest, LatinLettersAndDigitsAsciiAndFullWidth) {
  for (const char c : {'0', '9', 'A', 'Z', 'a', 'z'}) {
    EXPECT_TRUE(core::IsLatinLetterOrDigit(AsciiCode(c))) << c;
    EXPECT_TRUE(core::IsLatinLetterOrDigit(MakeCode(0xA3, static_cast<uint8_t>(c + 0x80)))) << "full-width " << c;
  }
  for (const char c : {'/', ':', '@', '[', '`', '{', ' ', '.'}) {
    EXPECT_FALSE(core::IsLatinLetterOrDigit(AsciiCode(c))) << c;
    EXPECT_FALSE(core::IsLatinLetterOrDigit(MakeCode(0xA3, static_cast<uint8_t>(c + 0x80)))) << "full-width " << c;
  }
  EXPECT_TRUE(core::IsLatinLetterOrDigit(AsciiPairCode('C', 't'))) << "a pair by its first letter";
  EXPECT_FALSE(core::IsLatinLetterOrDigit(kHanzi));
  EXPECT_FALSE(core::IsLatinLetterOrDigit(MakeCode(0xA1, 0xC1))) << "a symbol row, not row A3";
}

TEST(DigitLetterKindTest, PicksTheByteNearestTheBlock) {
  EXPECT_EQ(engine::DigitLetterKind(false, MakeCode(0xA3, 0xB5)), 1);  // ５
  EXPECT_EQ(engine::DigitLetterKind(false, AsciiPairCode('1', 'a')), 2);
  EXPECT_EQ(engine::DigitLetterKind(true, AsciiPairCode('1', 'a')), 0);
  EXPECT_EQ(engine::DigitLetterKind(true, AsciiCode('l')), 0);
  EXPECT_EQ(engine::DigitLetterKind(true, AsciiCode('O')), 0);
  EXPECT_EQ(engine::DigitLetterKind(true, AsciiCode('o')), 2);
  EXPECT_EQ(engine::DigitLetterKind(true, kHanzi), 0);
}

TEST_F(ContextCorrectionTest, DoubleZeroFollowsItsNeighbours) {
  AddAt(0, 10, 30, AsciiCode('3'));
  AddAt(1, 10, 30, AsciiPairCode('o', 'o'));
  AddAt(2, 10, 30, AsciiCode('4'));
  AddAt(4, 15, 30, AsciiCode('a'));
  AddAt(5, 15, 30, AsciiPairCode('0', '0'));
  line[4].Codes[1] = kHanzi;
  AddAt(6, 15, 30, AsciiCode('b'));
  AddAt(8, 10, 30, kInfinity);  // nearest letter or digit: b on the left
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiPairCode('0', '0'));
  EXPECT_EQ(line[4].Codes[0], AsciiPairCode('o', 'o'));
  EXPECT_EQ(line[4].Codes[1], kHanzi);  // overwritten, not replaced
  EXPECT_EQ(line[6].Codes[0], AsciiPairCode('o', 'o'));
}

TEST_F(ContextCorrectionTest, CommaLowQuoteHigh) {
  AddAt(0, 10, 30, kHanzi);
  line.Add(Box{22, 26, 24, 34}, kRightQuote, kGood, kFullComma, 50);  // top 24 below the middle 20
  AddAt(1, 10, 30, kHanzi);
  line.Add(Box{47, 51, 8, 14}, kFullComma, kGood, kRightQuote, 50);  // wholly above 20
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], kFullComma);
  EXPECT_EQ(line[1].Codes[1], 0);
  EXPECT_EQ(line[3].Codes[0], kRightQuote);
  EXPECT_EQ(line[3].Codes[1], 0);
}

TEST_F(ContextCorrectionTest, TiedCommaWithPeriodSecondBecomesPeriod) {
  AddAt(0, 10, 30, kHanzi);
  line.Add(Box{22, 25, 27, 30}, kFullComma, 50, kFullPeriod, 50);
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('.'));
}

TEST_F(ContextCorrectionTest, DotsByHeightAndSize) {
  line.Add(Box{0, 3, 20, 23}, kFullPeriod, kGood, kMiddleDot, 50);  // alone in the line
  CorrectAll();
  EXPECT_EQ(line[0].Codes[0], AsciiCode('.'));
  EXPECT_EQ(line[0].Codes[1], 0);

  TestLine dots;
  dots.Add(Box{0, 20, 10, 30}, kHanzi, kGood);
  dots.Add(Box{23, 26, 18, 21}, kBullet, kGood);  // small, at mid-height
  dots.Add(Box{40, 60, 10, 30}, kHanzi, kGood);
  dots.Add(Box{70, 79, 15, 24}, kMiddleDot, kGood);  // about half the line height
  dots.Add(Box{90, 110, 10, 30}, kHanzi, kGood);
  dots.Add(Box{112, 114, 27, 29}, kMiddleDot, kGood);  // low: a period
  for (int32_t i = 0; i < 6; ++i) engine::CorrectAmbiguous(i);
  EXPECT_EQ(dots[1].Codes[0], kMiddleDot);
  EXPECT_EQ(dots[3].Codes[0], kBullet);
  EXPECT_EQ(dots[5].Codes[0], AsciiCode('.'));
}

TEST_F(ContextCorrectionTest, DashesByHeightAndScript) {
  // Rows above 26 are the lowest fifth of the line 10..30.
  AddAt(0, 15, 30, AsciiCode('a'));
  AddAt(1, 27, 30, kEmDash);  // low, 20 wide, 3 high
  AddAt(2, 15, 30, AsciiCode('b'));
  line.Add(Box{80, 100, 28, 29}, kHanziOne, kGood);  // more than 8 times as wide as high
  AddAt(5, 15, 30, AsciiCode('c'));
  AddAt(6, 19, 21, kFullUnderscore);  // mid-height next to Latin
  AddAt(7, 15, 30, AsciiCode('d'));
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('_'));
  EXPECT_EQ(line[3].Codes[0], AsciiPairCode('_', '_'));
  EXPECT_EQ(line[5].Codes[0], AsciiCode('-'));

  TestLine chinese;
  chinese.Add(Box{0, 20, 10, 30}, kHanzi, kGood);
  chinese.Add(Box{25, 45, 28, 29}, kEmDash, kGood, kHanzi, 40);
  chinese.Add(Box{60, 80, 10, 30}, kHanzi, kGood);
  chinese.Add(Box{85, 105, 19, 21}, kFullUnderscore, kGood, kHanzi, 40);
  chinese.Add(Box{120, 140, 10, 30}, kHanzi, kGood);
  for (int32_t i = 0; i < 5; ++i) engine::CorrectAmbiguous(i);
  EXPECT_EQ(chinese[1].Codes[0], kFullUnderscore);
  EXPECT_EQ(chinese[1].Codes[1], 0);
  EXPECT_EQ(chinese[3].Codes[0], kHanziOne);
  EXPECT_EQ(chinese[3].Codes[1], 0);
}

TEST_F(ContextCorrectionTest, RoundBlockAfterHigherHanziIsChinesePeriod) {
  AddAt(0, 10, 30, kHanzi);
  line.Add(Box{22, 28, 24, 30}, kFullO, kGood, kFullZero, 50);  // top 24 below the middle 20
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], kChinesePeriod);
  EXPECT_EQ(line[1].Codes[1], 0);
  EXPECT_EQ(line[1].GlyphClass, 0x20);
}

// Chinese characters 40 pixels high (LineHanziSize 40) in the lines below.
TEST_F(ContextCorrectionTest, CentredPeriodAfterHanziStaysChinesePeriod) {
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{60, 71, 15, 26}, kFullO, kGood, kChinesePeriod, 60);  // 12 high, top above the middle 20
  line.Add(Box{100, 140, 0, 40}, kHanzi, kGood);
  line.Add(Box{160, 179, 20, 40}, kFullO, kGood);  // 21 high: a letter
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], kChinesePeriod);
  EXPECT_EQ(line[3].Codes[0], AsciiCode('O'));
  engine::LineHanziSize = 0;  // without a Chinese size only the position decides
  TestLine unknown;
  unknown.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  unknown.Add(Box{60, 71, 15, 26}, kFullO, kGood, kChinesePeriod, 60);
  engine::CorrectAmbiguous(1);
  EXPECT_EQ(unknown[1].Codes[0], AsciiCode('O'));
}

TEST_F(ContextCorrectionTest, HyphenAndChineseDashBetweenChineseWords) {
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{55, 70, 19, 21}, kHanziOne, kGood);  // 15 wide: a hyphen
  line.Add(Box{85, 125, 0, 40}, kHanzi, kGood);
  line.Add(Box{130, 166, 19, 20}, kHanziOne, kGood);  // two long dashes 4 apart: ——
  line.Add(Box{171, 207, 19, 20}, kHanziOne, kGood);
  line.Add(Box{215, 255, 0, 40}, kHanzi, kGood);
  line.Add(Box{260, 298, 18, 21}, kHanziOne, kGood);  // alone: 一
  line.Add(Box{305, 345, 0, 40}, kHanzi, kGood);
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('-'));
  EXPECT_EQ(line[3].Codes[0], kEmDash);
  EXPECT_EQ(line[4].Codes[0], kEmDash);
  EXPECT_EQ(line[6].Codes[0], kHanziOne);
}

TEST_F(ContextCorrectionTest, CornerBracketReadAsALetterByAFewVotes) {
  constexpr CharCode kFullSmallL = MakeCode(0xA3, 0xEC);   // ｌ
  line.Add(Box{0, 14, 0, 44}, AsciiCode('r'), 63, kLeftCorner, 59);  // starts the line
  AddAt(1, 10, 30, kHanzi);
  line.Add(Box{50, 60, 0, 44}, kFullSmallL, 67, kRightCorner, 64);  // hanzi follows
  AddAt(3, 10, 30, kHanzi);
  line.Add(Box{100, 110, 0, 44}, kFullSmallL, 67, kRightCorner, 57);  // 10 votes behind
  AddAt(5, 10, 30, kHanzi);
  line.Add(Box{150, 160, 0, 44}, kFullSmallL, 67, kRightCorner, 64);  // a Latin letter follows
  line.Add(Box{165, 175, 20, 44}, AsciiCode('x'), kGood);
  CorrectAll();
  EXPECT_EQ(line[0].Codes[0], kLeftCorner);
  EXPECT_EQ(line[2].Codes[0], kRightCorner);
  EXPECT_EQ(line[4].Codes[0], AsciiCode('l'));
  EXPECT_EQ(line[6].Codes[0], AsciiCode('l'));
}

TEST_F(ContextCorrectionTest, LetterOfTheOpenBracketsSizeBeforeChineseTextClosesIt) {
  engine::LineHanziSize = 40;
  // 「 14 × 34 at the top of the cell; the letters inside are lower or
  // narrower; the closing one (15 × 33, lower in its cell) is read J.
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{60, 74, 0, 34}, kLeftCorner, kGood);
  line.Add(Box{78, 92, 14, 40}, AsciiCode('l'), kGood);  // a letter of the word
  line.Add(Box{96, 111, 7, 40}, AsciiCode('J'), kGood);
  line.Add(Box{130, 170, 0, 40}, kHanzi, kGood);
  // Once closed, a letter of the same size before Chinese text stays.
  line.Add(Box{180, 194, 6, 40}, AsciiCode('l'), kGood);
  line.Add(Box{210, 250, 0, 40}, kHanzi, kGood);
  engine::CloseCornerBrackets();
  EXPECT_EQ(line[2].Codes[0], AsciiCode('l'));
  EXPECT_EQ(line[3].Codes[0], kRightCorner);
  EXPECT_EQ(line[5].Codes[0], AsciiCode('l'));
}

TEST_F(ContextCorrectionTest, SnoutRadicalOfTheOpenBracketsSizeClosesIt) {
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{60, 74, 0, 34}, kLeftCorner, kGood);
  line.Add(Box{78, 92, 14, 40}, AsciiCode('C'), kGood);
  line.Add(Box{96, 110, 6, 40}, MakeCode(0xE5, 0xE6), kGood);  // 彐
  line.Add(Box{130, 170, 0, 40}, kHanzi, kGood);
  engine::CloseCornerBrackets();
  EXPECT_EQ(line[3].Codes[0], kRightCorner);
}

TEST_F(ContextCorrectionTest, LetterOrCliffOfTheClosingBracketsSizeAfterChineseTextOpensIt) {
  engine::LineHanziSize = 40;
  // 」 15 × 34; the open bracket before it was read f (15 × 33) after a
  // hanzi; a letter of the word inside is narrower.
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{60, 75, 0, 33}, AsciiCode('f'), kGood);
  line.Add(Box{80, 90, 10, 40}, AsciiCode('a'), kGood);
  line.Add(Box{100, 115, 6, 40}, kRightCorner, kGood);
  line.Add(Box{130, 170, 0, 40}, kHanzi, kGood);
  line.Add(Box{180, 195, 0, 34}, MakeCode(0xB3, 0xA7), kGood);  // 厂 the size of the next 」
  line.Add(Box{200, 240, 0, 40}, kHanzi, kGood);
  line.Add(Box{250, 265, 6, 40}, kRightCorner, kGood);
  // A letter of that size inside Latin text opens nothing.
  line.Add(Box{280, 290, 10, 40}, AsciiCode('a'), kGood);
  line.Add(Box{300, 315, 0, 34}, AsciiCode('W'), kGood);
  line.Add(Box{320, 335, 6, 40}, kRightCorner, kGood);
  engine::CloseCornerBrackets();
  engine::OpenCornerBrackets();
  EXPECT_EQ(line[1].Codes[0], kLeftCorner);
  EXPECT_EQ(line[2].Codes[0], AsciiCode('a'));
  EXPECT_EQ(line[5].Codes[0], kLeftCorner);
  EXPECT_EQ(line[9].Codes[0], AsciiCode('W'));
}

TEST_F(ContextCorrectionTest, SmallRoundLetterNotGoingOnIntoLatinTextIsAPeriod) {
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{50, 70, 10, 40}, AsciiCode('B'), kGood);
  line.Add(Box{72, 86, 10, 40}, AsciiCode('4'), kGood);
  line.Add(Box{90, 102, 28, 40}, AsciiCode('o'), kGood);  // 13 high: 。
  line.Add(Box{130, 170, 0, 40}, kHanzi, kGood);
  line.Add(Box{180, 200, 10, 40}, AsciiCode('B'), kGood);
  line.Add(Box{204, 222, 22, 40}, AsciiCode('o'), kGood);  // 19 high: a letter o
  line.Add(Box{230, 270, 0, 40}, kHanzi, kGood);
  line.Add(Box{280, 300, 10, 40}, AsciiCode('B'), kGood);
  line.Add(Box{304, 316, 28, 40}, AsciiCode('o'), kGood);  // Latin text goes on
  line.Add(Box{320, 340, 10, 40}, AsciiCode('k'), kGood);
  line.Add(Box{350, 362, 28, 40}, kFullO, kGood);  // before a mark
  line.Add(Box{380, 386, 30, 44}, AsciiCode(','), kGood);
  line.Add(Box{400, 412, 28, 40}, AsciiCode('o'), kGood);  // after a mark
  line.Add(Box{440, 480, 0, 40}, kHanzi, kGood);
  engine::ReadSmallRoundsAsPeriods();
  EXPECT_EQ(line[3].Codes[0], kChinesePeriod);
  EXPECT_EQ(line[6].Codes[0], AsciiCode('o'));
  EXPECT_EQ(line[9].Codes[0], AsciiCode('o'));
  EXPECT_EQ(line[11].Codes[0], kChinesePeriod);
  EXPECT_EQ(line[13].Codes[0], kChinesePeriod);
}

TEST_F(ContextCorrectionTest, QuotesTurnTowardsTheTextOnTheirNarrowSide) {
  constexpr CharCode kLeftDouble = MakeCode(0xA1, 0xB0);    // “
  constexpr CharCode kRightDouble = MakeCode(0xA1, 0xB1);   // ”
  constexpr CharCode kLeftSingle = MakeCode(0xA1, 0xAE);    // ‘
  constexpr CharCode kFullStraight = MakeCode(0xA3, 0xA2);  // ＂
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{70, 80, 0, 12}, kRightDouble, kGood);  // 29 white before, 4 after: opens
  line.Add(Box{84, 124, 0, 40}, kHanzi, kGood);
  line.Add(Box{128, 138, 0, 12}, kLeftSingle, kGood);  // 3 before, 26 after: closes
  line.Add(Box{164, 204, 0, 40}, kHanzi, kGood);
  line.Add(Box{214, 224, 0, 12}, kRightDouble, kGood);  // 9 before, 4 after: left alone
  line.Add(Box{228, 268, 0, 40}, kHanzi, kGood);
  line.Add(Box{298, 308, 0, 12}, kFullStraight, kGood);  // a straight quote stays straight
  line.Add(Box{312, 352, 0, 40}, kHanzi, kGood);
  line.Add(Box{382, 392, 0, 12}, kRightDouble, kGood);  // the line's end: one side unknown
  engine::OrientQuotes();
  EXPECT_EQ(line[1].Codes[0], kLeftDouble);
  EXPECT_EQ(line[3].Codes[0], kRightQuote);
  EXPECT_EQ(line[5].Codes[0], kRightDouble);
  EXPECT_EQ(line[7].Codes[0], kFullStraight);
  EXPECT_EQ(line[9].Codes[0], kRightDouble);
}

TEST_F(ContextCorrectionTest, WhatLightPrintLeftOfAQuoteAtTheTopOfTheLineIsTheQuote) {
  constexpr CharCode kLeftDouble = MakeCode(0xA1, 0xB0);   // “
  constexpr CharCode kRightDouble = MakeCode(0xA1, 0xB1);  // ”
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{44, 60, 7, 11}, AsciiCode('-'), kGood);  // at the top, right after the hanzi: closes
  line.Add(Box{90, 130, 0, 40}, kHanzi, kGood);
  line.Add(Box{160, 168, 7, 11}, kMiddleDot, kGood);  // at the top, right before the hanzi: opens
  line.Add(Box{172, 212, 0, 40}, kHanzi, kGood);
  line.Add(Box{222, 238, 18, 22}, AsciiCode('-'), kGood);  // at the middle: a hyphen
  line.Add(Box{248, 258, 0, 20}, kHanzi, kGood);
  line.Add(Box{262, 270, 7, 11}, kMiddleDot, kGood);  // beside pieces of characters, not whole ones
  line.Add(Box{300, 310, 0, 20}, kHanzi, kGood);
  engine::OrientQuotes();
  EXPECT_EQ(line[1].Codes[0], kRightDouble);
  EXPECT_EQ(line[3].Codes[0], kLeftDouble);
  EXPECT_EQ(line[5].Codes[0], AsciiCode('-'));
  EXPECT_EQ(line[7].Codes[0], kMiddleDot);
}

TEST_F(ContextCorrectionTest, AHanziCloseBehindTheFirstThatFitsItsNeighboursIsTaken) {
  constexpr CharCode kZhe = MakeCode(0xD5, 0xE2);    // 这
  constexpr CharCode kYang = MakeCode(0xD1, 0xF9);   // 样, after 这 in the context file
  constexpr CharCode kXiang = MakeCode(0xCF, 0xE9);  // 祥
  constexpr CharCode kSheng = MakeCode(0xC9, 0xFA);  // 生
  // Word.Dat with one record, for 样: 这 before it, nothing after it.
  std::vector<uint8_t> data(library::kWordPairIndexBytes, 0);
  const uint32_t entry = static_cast<uint32_t>(data.size() + kYang);
  for (int b = 0; b < 4; ++b) data[kYang * 4u + b] = static_cast<uint8_t>(entry >> (8 * b));
  for (const uint16_t w : {uint16_t{2}, library::EncodePredecessor(kZhe), uint16_t{1}}) {
    data.insert(data.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)});
  }
  ASSERT_TRUE(library::SetWordPairData(data));
  const auto read = [](core::CharBlock& b, std::initializer_list<std::pair<CharCode, int16_t>> candidates) {
    size_t k = 0;
    for (const auto& [code, score] : candidates) {
      b.Codes[k] = code;
      b.Scores[k++] = score;
    }
  };
  line.Add(Box{0, 40, 0, 40}, kZhe, kGood);
  read(*line.Add(Box{50, 90, 0, 40}, kXiang, kGood), {{kXiang, 50}, {kSheng, 50}, {kYang, 46}});
  line.Add(Box{100, 140, 0, 40}, kZhe, kGood);
  read(*line.Add(Box{150, 190, 0, 40}, kXiang, kGood), {{kXiang, 50}, {kYang, 45}});  // five votes behind
  engine::PreferKnownPairs();
  EXPECT_EQ(line[1].Codes[0], kYang);
  EXPECT_EQ(line[1].Codes[2], kXiang);
  EXPECT_EQ(line[1].Scores[0], 50) << "each place keeps its score";
  EXPECT_EQ(line[3].Codes[0], kXiang);
  library::SetWordPairData({});
}

TEST(PreferCommonHanziTest, ARareHanziGivesWayToACommonOneCloseBehindIt) {
  constexpr CharCode kRareYao = MakeCode(0xD8, 0xB2);   // 夭, second level
  constexpr CharCode kTian = MakeCode(0xCC, 0xEC);      // 天, first level
  constexpr CharCode kRareCe = MakeCode(0xE2, 0xFC);    // 恻, second level
  constexpr CharCode kGe = MakeCode(0xB8, 0xF1);        // 格, first level
  core::CharBlock block{};
  const auto set = [&block](std::initializer_list<std::pair<CharCode, int32_t>> candidates) {
    block = core::CharBlock{};
    size_t k = 0;
    for (const auto& [code, score] : candidates) {
      block.Codes[k] = code;
      block.Scores[k++] = score;
    }
  };
  set({{kRareYao, 60}, {kTian, 53}});
  engine::PreferCommonHanzi(block);
  EXPECT_EQ(block.Codes[0], kTian);
  EXPECT_EQ(block.Scores[0], 60) << "each place keeps its score";
  EXPECT_EQ(block.Codes[1], kRareYao);
  EXPECT_EQ(block.Scores[1], 53);

  set({{kRareYao, 60}, {kTian, 52}});  // eight votes behind: too far
  engine::PreferCommonHanzi(block);
  EXPECT_EQ(block.Codes[0], kRareYao);

  set({{kRareYao, 60}, {kRareCe, 59}, {kHanzi, 57}, {kGe, 56}});  // rare ones are passed over
  engine::PreferCommonHanzi(block);
  EXPECT_EQ(block.Codes[0], kHanzi);
  EXPECT_EQ(block.Codes[2], kRareYao);

  set({{kTian, 60}, {kRareYao, 59}});  // a common hanzi first stays
  engine::PreferCommonHanzi(block);
  EXPECT_EQ(block.Codes[0], kTian);
  set({{kRareYao, 60}, {AsciiCode('x'), 59}});  // no hanzi to give way to
  engine::PreferCommonHanzi(block);
  EXPECT_EQ(block.Codes[0], kRareYao);
}

TEST_F(ContextCorrectionTest, OpenBracketStaysOpenWithoutALetterOfItsSizeBeforeChineseText) {
  engine::LineHanziSize = 40;
  line.Add(Box{0, 14, 0, 34}, kLeftCorner, kGood);
  line.Add(Box{18, 32, 6, 40}, AsciiCode('l'), kGood);  // a letter follows: inside the word
  line.Add(Box{36, 50, 6, 40}, AsciiCode('l'), kGood);  // a comma follows
  line.Add(Box{52, 56, 34, 44}, AsciiCode(','), kGood);
  line.Add(Box{60, 74, 12, 40}, AsciiCode('l'), kGood);  // 6 lower than the bracket, hanzi follows
  line.Add(Box{80, 120, 0, 40}, kHanzi, kGood);
  line.Add(Box{130, 144, 0, 34}, kLeftCorner, kGood);
  line.Add(Box{150, 182, 6, 40}, AsciiCode('L'), kGood);  // 32 wide: a letter and the bracket together
  line.Add(Box{190, 230, 0, 40}, kHanzi, kGood);
  line.Add(Box{240, 254, 0, 34}, kLeftCorner, kGood);
  line.Add(Box{258, 272, 6, 40}, AsciiCode('2'), kGood);  // the closing bracket follows
  line.Add(Box{276, 290, 6, 40}, kRightCorner, kGood);
  engine::CloseCornerBrackets();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('l'));
  EXPECT_EQ(line[2].Codes[0], AsciiCode('l'));
  EXPECT_EQ(line[4].Codes[0], AsciiCode('l'));
  EXPECT_EQ(line[7].Codes[0], AsciiCode('L'));
  EXPECT_EQ(line[10].Codes[0], AsciiCode('2'));
}

TEST_F(ContextCorrectionTest, AsciiSignsHaveNoFullWidthCell) {
  constexpr CharCode kFullLeftParen = MakeCode(0xA3, 0xA8);  // （
  constexpr CharCode kFullColon = MakeCode(0xA3, 0xBA);      // ：
  engine::LineHanziSize = 40;
  // White on both sides of the mark: 17 + 6 = 23 and 30 + 5 = 35 (under
  // 0.72 × 40 = 28.8, and over it); a mark at the end of the line stays.
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{57, 66, 0, 44}, kFullLeftParen, kGood);
  line.Add(Box{72, 112, 0, 40}, kHanzi, kGood);
  line.Add(Box{142, 147, 10, 30}, kFullColon, kGood);
  line.Add(Box{152, 192, 0, 40}, kHanzi, kGood);
  line.Add(Box{196, 201, 10, 30}, kFullColon, kGood);
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('('));
  EXPECT_EQ(line[3].Codes[0], kFullColon);
  EXPECT_EQ(line[5].Codes[0], kFullColon);
}

TEST_F(ContextCorrectionTest, LowDotInAChineseCellIsACommaWhoseTailWasLost) {
  engine::LineHanziSize = 40;
  line.Add(Box{0, 40, 0, 40}, kHanzi, kGood);
  line.Add(Box{46, 50, 34, 38}, kFullPeriod, kGood);  // white 6 + 39 = 45 ≥ 28.8: a cell of its own
  line.Add(Box{90, 130, 0, 40}, kHanzi, kGood);
  line.Add(Box{133, 137, 34, 38}, kFullPeriod, kGood);  // white 3 + 3: no cell
  line.Add(Box{141, 160, 10, 40}, AsciiCode('a'), kGood);
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], kFullComma);
  EXPECT_EQ(line[3].Codes[0], AsciiCode('.'));
}

TEST_F(ContextCorrectionTest, RoundBlockByShapeAndNeighbours) {
  AddAt(0, 10, 30, AsciiCode('7'));
  AddAt(1, 10, 30, kFullO);  // 20 wide, 20 high: round, so the letter
  AddAt(3, 10, 30, AsciiCode('5'));
  line.Add(Box{100, 110, 10, 30}, kFullO, kGood);  // narrow, after a digit
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('O'));
  EXPECT_EQ(line[1].GlyphClass, engine::kCaseUndecided);
  EXPECT_EQ(line[3].Codes[0], AsciiCode('0'));

  // At the start of a line the full-width characters to the right decide.
  TestLine digits;
  digits.Add(Box{0, 10, 10, 30}, kFullO, kGood);
  digits.Add(Box{15, 25, 10, 30}, kFullOne, kGood);
  digits.Add(Box{30, 40, 10, 30}, kFullTwo, kGood);
  engine::CorrectAmbiguous(0);
  EXPECT_EQ(digits[0].Codes[0], AsciiCode('0'));
  TestLine letters;
  letters.Add(Box{0, 10, 10, 30}, kFullZero, kGood);
  letters.Add(Box{15, 25, 10, 30}, kFullA, kGood);
  engine::CorrectAmbiguous(0);
  EXPECT_EQ(letters[0].Codes[0], AsciiCode('O'));
}

TEST_F(ContextCorrectionTest, FullWidthOneByNeighbours) {
  AddAt(0, 10, 30, AsciiCode('2'));
  AddAt(1, 10, 30, kFullOne);
  AddAt(3, 15, 30, AsciiCode('a'));
  AddAt(4, 10, 30, kFullOne);
  AddAt(5, 15, 30, AsciiCode('e'));
  AddAt(7, 10, 30, kHanzi);
  AddAt(8, 10, 30, MakeCode(0xA3, 0xEC));  // ｌ between hanzi: stays the letter
  AddAt(9, 10, 30, kHanzi);
  CorrectAll();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('1'));
  EXPECT_EQ(line[3].Codes[0], AsciiCode('l'));
  EXPECT_EQ(line[6].Codes[0], AsciiCode('l'));
}

TEST_F(ContextCorrectionTest, LetterCaseFromNeighbourOfSameHeight) {
  AddAt(0, 20, 30, AsciiCode('a'));
  AddAt(1, 20, 30, kFullC);
  AddAt(2, 20, 30, AsciiCode('e'));
  AddAt(4, 10, 30, AsciiCode('b'));
  AddAt(5, 10, 30, kFullC);
  AddAt(7, 20, 30, kFullSmallU);
  CorrectAll();
  EXPECT_EQ(line[1].GlyphClass, engine::kCaseUndecided);
  EXPECT_EQ(line[4].Codes[0], AsciiCode('C'));
  EXPECT_EQ(line[5].Codes[0], AsciiCode('u'));
  EXPECT_EQ(line[5].GlyphClass, 0x08);
  engine::ResolveLetterCase();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('c'));
  EXPECT_EQ(line[4].Codes[0], AsciiCode('C'));  // tall b beside it, same height
  EXPECT_EQ(line[5].Codes[0], AsciiCode('u'));
}

// The rules' fractions of the reference height compare exactly.
TEST_F(ContextCorrectionTest, LetterCaseThresholdsAreExact) {
  // Reference '[' (tall with descender), top 10, height 20: lower from
  // top 12 = 10 + 0.1 × 20 on.
  line.Add(Box{0, 10, 10, 29}, AsciiCode('['), kGood);
  line.Add(Box{15, 25, 12, 29}, AsciiCode('S'), kGood)->GlyphClass = engine::kCaseUndecided;
  line.Add(Box{30, 40, 11, 29}, AsciiCode('s'), kGood)->GlyphClass = engine::kCaseUndecided;
  line[0].GlyphClass = 0x1A;
  engine::ResolveLetterCase();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('s'));
  EXPECT_EQ(line[2].Codes[0], AsciiCode('S'));

  // Reference 'a' (body only), height 20: lower while pH < 1.15 × 20 = 23.
  TestLine body;
  body.Add(Box{0, 10, 10, 29}, AsciiCode('a'), kGood)->GlyphClass = 0x08;
  body.Add(Box{15, 25, 10, 31}, AsciiCode('V'), kGood)->GlyphClass = engine::kCaseUndecided;  // 22 high
  body.Add(Box{30, 40, 10, 32}, AsciiCode('v'), kGood)->GlyphClass = engine::kCaseUndecided;  // 23 high
  engine::ResolveLetterCase();
  EXPECT_EQ(body[1].Codes[0], AsciiCode('v'));
  EXPECT_EQ(body[2].Codes[0], AsciiCode('V'));
}

TEST_F(ContextCorrectionTest, LetterCaseWithoutReferenceUsesLineHeight) {
  AddAt(0, 10, 30, kHanzi);
  AddAt(1, 10, 30, AsciiCode('w'))->GlyphClass = engine::kCaseUndecided;  // 20 > 10: upper
  AddAt(2, 24, 30, AsciiCode('X'))->GlyphClass = engine::kCaseUndecided;  // 6: unchanged
  engine::ResolveLetterCase();
  EXPECT_EQ(line[1].Codes[0], AsciiCode('W'));
  EXPECT_EQ(line[2].Codes[0], AsciiCode('X'));
}

TEST_F(ContextCorrectionTest, CaseReferenceCrossesChineseOnlyWhenNeitherSideFindsOne) {
  AddAt(0, 10, 30, AsciiCode('b'))->GlyphClass = 0x0A;
  AddAt(1, 10, 30, kHanzi);
  AddAt(2, 10, 30, AsciiCode('S'))->GlyphClass = engine::kCaseUndecided;
  AddAt(3, 10, 30, AsciiCode('x'))->GlyphClass = 0x08;
  EXPECT_EQ(engine::CaseReference(0x08, 2), 3);  // the first search on the left stops at the hanzi
  EXPECT_EQ(engine::CaseReference(0x02, 2), 0);  // nothing on either side: the second search crosses it
  line[3].Scores[0] = 46;                        // no longer confident
  EXPECT_EQ(engine::CaseReference(0x08, 2), 0);
  EXPECT_EQ(engine::CaseReference(0x04, 2), -1);
}

TEST_F(ContextCorrectionTest, NearestNonDashSkipsDashesAndPrefersTheLeftOnlyWhenCloser) {
  line.Add(Box{0, 10, 10, 30}, kHanzi, kGood);
  line.Add(Box{12, 20, 20, 21}, kHanziOne, kGood);
  line.Add(Box{22, 30, 10, 30}, AsciiCode('a'), kGood);  // index 2
  line.Add(Box{32, 40, 10, 30}, AsciiCode('b'), kGood);
  EXPECT_EQ(engine::NearestNonDash(2), 3);  // gaps 22 − 20 = 2 and 32 − 30 = 2: a tie goes right
  line[3].Left = 33;
  line[3].Right = 41;
  EXPECT_EQ(engine::NearestNonDash(2), 0);
  EXPECT_EQ(engine::NearestNonDash(3), 2);
  TestLine alone;
  alone.Add(Box{0, 10, 10, 30}, kHanzi, kGood);
  EXPECT_EQ(engine::NearestNonDash(0), -1);
}

TEST_F(ContextCorrectionTest, NearestLetterOrDigitWalksOutwardOnBothSides) {
  AddAt(0, 10, 30, AsciiCode('a'))->GlyphClass = 0x08;
  AddAt(1, 10, 30, AsciiCode('b'), 40)->GlyphClass = 0x0A;  // not confident: skipped
  AddAt(2, 10, 30, AsciiCode('c'));                         // the block searched from
  AddAt(3, 10, 30, MakeCode(0xA3, 0xE4));                   // ｄ
  AddAt(4, 10, 30, kHanzi);
  AddAt(5, 10, 30, AsciiCode('e'));
  engine::NeighbourCursors cursors = engine::StartNeighbourSearch(2);
  EXPECT_EQ(engine::NearestLetterOrDigit(cursors), 3);
  EXPECT_EQ(line[3].GlyphClass, 0x0A);  // computed from the ASCII equivalent
  EXPECT_EQ(engine::NearestLetterOrDigit(cursors), 0);
  EXPECT_EQ(engine::NearestLetterOrDigit(cursors), -1);  // the hanzi ends the right side
}

}  // namespace
