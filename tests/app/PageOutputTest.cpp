// The text helpers of the page output: JSON strings and character codes.
#include <gtest/gtest.h>

#include "app/PageOutput.h"

namespace {

TEST(PageOutput, JsonStringsAreEscapedAndAlwaysValidUtf8) {
  EXPECT_EQ(app::JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(app::JsonString("1\n2\t3\x01"), "\"1\\n2\\t3\\u0001\"");
  EXPECT_EQ(app::JsonString("汉字"), "\"汉字\"");
  // A lone GBK byte pair and a truncated sequence are not UTF-8.
  EXPECT_EQ(app::JsonString("x\xD7\xD6y"), "\"x\xEF\xBF\xBD\xEF\xBF\xBDy\"");
  EXPECT_EQ(app::JsonString("\xE6\xB1"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
  // An overlong encoding of '/' is refused too.
  EXPECT_EQ(app::JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(PageOutput, CodesBecomeTheirCharacters) {
  EXPECT_EQ(app::CodeToUtf8(core::MakeCode(0xD7, 0xD6)), "字");
  EXPECT_EQ(app::CodeToUtf8(core::MakeCode(0xA3, 0xC1)), "Ａ");  // full-width A
  EXPECT_EQ(app::CodeToUtf8(core::AsciiCode('a')), "a");
  EXPECT_EQ(app::CodeToUtf8(core::AsciiPairCode('r', 'n')), "rn");
  EXPECT_EQ(app::CodeToUtf8(0), "");
  EXPECT_EQ(app::OutputPath("out", "/data/scans/page.01.png", ".txt"), "out/page.01.txt");
}

}  // namespace
