// UTF-8 as the program reads and writes it: strict validation, U+FFFD for
// every byte that starts no valid sequence, and GBK conversion at the edges.
#include <gtest/gtest.h>

#include "platform/Encoding.h"

namespace {

TEST(Encoding, Utf8IsCheckedStrictly) {
  EXPECT_TRUE(platform::IsValidUtf8("汉字 abc 𠀀"));
  EXPECT_FALSE(platform::IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(platform::IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(platform::IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(platform::IsValidUtf8("\xE6\xB1"));          // cut short
  EXPECT_FALSE(platform::IsValidUtf8("\xD6\xD0"));          // GBK, not UTF-8
}

TEST(Encoding, DecodingReplacesEachBadByteAndRoundTripsGoodText) {
  EXPECT_EQ(platform::DecodeUtf8("a\xE6\xB1"
                                 "b"),
            (std::u32string{U'a', 0xFFFD, 0xFFFD, U'b'}));
  EXPECT_EQ(platform::DecodeUtf8("字"), std::u32string{U'字'});
  for (const std::string text : {"", "ASCII", "汉字，标点。", "𠀀x"})
    EXPECT_EQ(platform::EncodeUtf8(platform::DecodeUtf8(text)), text) << text;
}

TEST(Encoding, GbkConversionStrictAndLenient) {
  EXPECT_EQ(platform::Utf8ToGbk("中"), "\xD6\xD0");
  EXPECT_EQ(platform::GbkToUtf8("\xD6\xD0"), "中");
  std::string out;
  EXPECT_FALSE(platform::Utf8ToGbk("😀", out));  // no GBK form
  EXPECT_EQ(platform::Utf8ToGbk("a😀b"), "a?b");
}

}  // namespace
