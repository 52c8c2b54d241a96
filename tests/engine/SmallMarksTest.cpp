// Dots and commas set aside by the page scan: which specks complete a mark
// or stand for one, with a scripted classifier for the trials.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineState.h"
#include "engine/SmallMarks.h"
#include "support/CorrectionFixtures.h"

namespace {

using correction_test::Any;
using correction_test::BoxIs;
using correction_test::FillRect;
using correction_test::MakeBlankPage;
using correction_test::TestLine;
using engine::Box;
using engine::CharCode;
using engine::MakeCode;

constexpr CharCode kHanzi = MakeCode(0xD6, 0xD0);        // 中
constexpr CharCode kSmallL = MakeCode(0xA3, 0xEC);       // ｌ
constexpr CharCode kSmallI = MakeCode(0xA3, 0xE9);       // ｉ
constexpr CharCode kComma = MakeCode(0xA3, 0xAC);        // ，
constexpr CharCode kSemicolon = MakeCode(0xA3, 0xBB);    // ；
constexpr CharCode kColon = MakeCode(0xA3, 0xBA);        // ：
constexpr CharCode kPeriod = MakeCode(0xA3, 0xAE);       // ．
constexpr CharCode kExclamation = MakeCode(0xA3, 0xA1);  // ！
constexpr int32_t kGood = 60;

class SmallMarksTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeBlankPage(400, 80); }
  TestLine line;
};

TEST_F(SmallMarksTest, DotAboveALetterMakesItAnIAtAnySize) {
  line.Add(Box{0, 39, 10, 49}, kHanzi, kGood);
  line.Add(Box{50, 53, 25, 49}, kSmallL, kGood);
  line.Add(Box{60, 63, 25, 49}, kSmallL, kGood);
  std::vector<Box> specks = {Box{50, 53, 18, 21}, Box{200, 202, 30, 32}};
  line.Script({{BoxIs(50, 53), kSmallI, 58}});
  engine::RestoreSmallMarks(line.Blocks(), specks, 40);
  EXPECT_EQ(line[1].Codes[0], kSmallI);
  EXPECT_EQ(line[1].Top, 18);
  EXPECT_EQ(line[2].Codes[0], kSmallL) << "no speck in its columns";
  EXPECT_EQ(specks.size(), 1u);
}

TEST_F(SmallMarksTest, DotOfAPunctuationMarkOnlyInSmallPrint) {
  line.Add(Box{0, 27, 10, 37}, kHanzi, kGood);
  line.Add(Box{32, 35, 28, 40}, kComma, kGood);
  line.Add(Box{60, 63, 10, 32}, kSmallL, kGood);  // a stroke whose dot was dropped: ！
  const std::vector<Box> dots = {Box{32, 35, 20, 23}, Box{60, 63, 34, 36}};
  line.Script({{BoxIs(32, 35), kSemicolon, 60}, {BoxIs(60, 63), kExclamation, 60}});
  std::vector<Box> specks = dots;
  engine::RestoreSmallMarks(line.Blocks(), specks, 40);
  EXPECT_EQ(line[1].Codes[0], kComma) << "at 40 pixels a speck is no dot of a comma";
  EXPECT_EQ(line[2].Codes[0], kSmallL) << "nor of a mark other than i and j";
  engine::RestoreSmallMarks(line.Blocks(), specks, 28);
  EXPECT_EQ(line[1].Codes[0], kSemicolon);
  EXPECT_EQ(line[2].Codes[0], kExclamation);
  EXPECT_TRUE(specks.empty());
}

TEST_F(SmallMarksTest, CommaInTheCellAfterAHanziInSmallPrint) {
  line.Add(Box{0, 27, 10, 37}, kHanzi, kGood);
  line.Add(Box{60, 87, 10, 37}, kHanzi, kGood);  // 32 apart: room for a cell
  line.Add(Box{90, 117, 10, 37}, kHanzi, kGood);
  std::vector<Box> specks = {Box{31, 33, 33, 38},   // low in the gap: the comma
                             Box{45, 47, 12, 14},   // high in the gap: left
                             Box{88, 89, 30, 32}};  // between hanzi at normal spacing
  line.Script({{BoxIs(31, 33), kComma, 55}, {Any(), kComma, 55}});
  engine::RestoreSmallMarks(line.Blocks(), specks, 40);
  EXPECT_EQ(line.size(), 3u) << "not in print of 40 pixels";
  engine::RestoreSmallMarks(line.Blocks(), specks, 28);
  ASSERT_EQ(line.size(), 4u);
  EXPECT_EQ(line[1].Codes[0], kComma);
  EXPECT_EQ(line[1].Left, 31);
  EXPECT_EQ(line[1].Bottom, 38);
  EXPECT_EQ(specks.size(), 2u);
}

TEST_F(SmallMarksTest, CommaHeadTakesItsTailOfLoosePixelsAlong) {
  line.Add(Box{0, 27, 10, 37}, kHanzi, kGood);
  line.Add(Box{60, 87, 10, 37}, kHanzi, kGood);
  FillRect(31, 33, 33, 35);  // the head, a speck
  FillRect(32, 37, 32, 37);  // the tail, a blank row below it
  FillRect(31, 38, 31, 38);
  FillRect(31, 41, 31, 41);  // two blank rows further down: not the comma's
  std::vector<Box> specks = {Box{31, 33, 33, 35}};
  line.Script({{Any(), kComma, 55}});
  engine::RestoreSmallMarks(line.Blocks(), specks, 28);
  ASSERT_EQ(line.size(), 3u);
  EXPECT_EQ(line[1].Codes[0], kComma);
  EXPECT_EQ(line[1].Top, 33);
  EXPECT_EQ(line[1].Bottom, 38);
}

TEST_F(SmallMarksTest, TwoSpecksInTheCellAfterAHanziReadAsAColon) {
  line.Add(Box{0, 27, 10, 37}, kHanzi, kGood);
  line.Add(Box{60, 87, 10, 37}, kHanzi, kGood);
  line.Add(Box{120, 147, 10, 37}, kHanzi, kGood);
  // Both dots below the middle of the characters, as ： sits in some faces.
  std::vector<Box> specks = {Box{32, 34, 26, 28}, Box{32, 34, 33, 35}, Box{92, 94, 33, 35}};
  auto fromTop = [](int32_t top) {
    return [top](const engine::CharBlock& b, int32_t) { return b.Top == top; };
  };
  line.Script({{fromTop(26), kColon, 58}, {fromTop(33), kPeriod, 58}});
  engine::RestoreSmallMarks(line.Blocks(), specks, 28);
  ASSERT_EQ(line.size(), 5u);
  EXPECT_EQ(line[1].Codes[0], kColon);
  EXPECT_EQ(line[1].Top, 26);
  EXPECT_EQ(line[1].Bottom, 35);
  EXPECT_EQ(line[3].Codes[0], kPeriod) << "one speck alone is no colon";
  EXPECT_TRUE(specks.empty());
}

TEST_F(SmallMarksTest, CommaAfterAFlatCharacterOrAClosingQuoteTakesTheRowsOfTheNextCharacter) {
  constexpr CharCode kOne = MakeCode(0xD2, 0xBB);         // 一
  constexpr CharCode kRightQuote = MakeCode(0xA1, 0xB1);  // ”
  line.Add(Box{0, 27, 10, 37}, kHanzi, kGood);
  line.Add(Box{30, 57, 22, 24}, kOne, kGood);
  line.Add(Box{90, 117, 10, 37}, kHanzi, kGood);
  line.Add(Box{120, 130, 10, 15}, kRightQuote, kGood);
  line.Add(Box{165, 192, 10, 37}, kHanzi, kGood);
  std::vector<Box> specks = {Box{61, 63, 33, 38}, Box{134, 136, 33, 38}};
  line.Script({{Any(), kComma, 55}});
  engine::RestoreSmallMarks(line.Blocks(), specks, 28);
  ASSERT_EQ(line.size(), 7u);
  EXPECT_EQ(line[2].Codes[0], kComma);
  EXPECT_EQ(line[5].Codes[0], kComma);
  EXPECT_TRUE(specks.empty());
}

}  // namespace
