// Character and feature indices: the edges of the three ranges, codes
// without an index, and the round trip over every index.
#include <gtest/gtest.h>

#include "library/CharIndex.h"

using core::AsciiPairCode;
using core::MakeCode;
using library::CodeToIndex;

TEST(CharIndex, RangeEdgesAndRoundTrip) {
  EXPECT_EQ(CodeToIndex(MakeCode(0xA1, 0xA2)), 2);     // 、
  EXPECT_EQ(CodeToIndex(MakeCode(0xA3, 0xC1)), 221);   // Ａ
  EXPECT_EQ(CodeToIndex(MakeCode(0xA3, 0xFE)), 282);   // ￣
  EXPECT_EQ(CodeToIndex(MakeCode(0xB0, 0xA1)), 283);   // 啊
  EXPECT_EQ(CodeToIndex(MakeCode(0xF7, 0xFE)), 7050);  // 齄
  EXPECT_EQ(CodeToIndex(AsciiPairCode('!', '!')), 7051);
  EXPECT_EQ(CodeToIndex(AsciiPairCode('a', 'b')), 13132);
  EXPECT_EQ(CodeToIndex(AsciiPairCode('~', '~')), 15886);
  for (int32_t index = 1; index <= library::kMaxCharIndex; ++index) {
    ASSERT_EQ(CodeToIndex(library::IndexToCode(static_cast<library::CharIndex>(index))), index);
  }
}

TEST(CharIndex, CodesWithoutIndexRaiseError) {
  // A single ASCII character, a space pair, a control character, the rows
  // A4 … AF, trail bytes A0 and FF, lead bytes past F7 and GBK outside GB2312.
  for (core::CharCode code : {core::AsciiCode('a'), AsciiPairCode(' ', ' '), AsciiPairCode('a', 0x7F),
                              MakeCode(0xA4, 0xA1), MakeCode(0xAF, 0xFE), MakeCode(0xB0, 0xA0),
                              MakeCode(0xB0, 0xFF), MakeCode(0xF8, 0xA1), MakeCode(0x81, 0x40)}) {
    try {
      CodeToIndex(code);
      ADD_FAILURE() << "no error for " << std::hex << code;
    } catch (const library::CodeError& error) {
      EXPECT_STREQ(error.what(), "error!");
    }
  }
}

TEST(CharIndex, FeatureWordIsReadInBaseFive) {
  EXPECT_EQ(library::FeatureWordToIndex(0), 0);
  EXPECT_EQ(library::FeatureWordToIndex(10), 5);
  EXPECT_EQ(library::FeatureWordToIndex(100000), 3125);
  EXPECT_EQ(library::FeatureWordToIndex(444444), 15624);
  EXPECT_EQ(library::FeatureWordToIndex(21403), 2 * 625 + 125 + 4 * 25 + 3);
}
