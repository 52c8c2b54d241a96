// The page output: JSON strings, XML text, character codes, confidences and
// the JSON of a page.
#include <gtest/gtest.h>

#include "app/PageOutput.h"
#include "support/OutputFixtures.h"

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

namespace {

TEST(PageOutput, XmlTextEscapesMarkupAndReplacesWhatXmlCannotHold) {
  EXPECT_EQ(app::XmlText("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(app::XmlText("字\x01x\x7F"), "字\xEF\xBF\xBDx\xEF\xBF\xBD");
  EXPECT_EQ(app::XmlText("x\xD7\xD6"), "x\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(app::XmlText("tab\tline\n"), "tab\tline\n");
}

TEST(PageOutput, ConfidenceIsTheAccuracyInPerCentOfACertainCharacter) {
  app::BlockResult block;
  EXPECT_EQ(app::BlockConfidence(block), 0);  // nothing read
  block.Candidates = {{core::AsciiCode('a'), core::CertainScore}};
  EXPECT_EQ(app::BlockConfidence(block), 100);
  block.Candidates[0].Score = 77;  // raised by context beyond certain
  EXPECT_EQ(app::BlockConfidence(block), 100);
  block.Candidates[0].Score = 32;
  EXPECT_EQ(app::BlockConfidence(block), 50);
  block.Candidates[0].Score = -5;  // lowered below zero by a penalty
  EXPECT_EQ(app::BlockConfidence(block), 0);
}

TEST(PageOutput, JsonHasThePageLineBoxesAndMeanAccuracyAndFeaturesOnlyWhenAsked) {
  const app::PageResult page = outputtest::TwoLinePage();
  // The mean of the blocks that show a character: (64 + 32 + 47) / 3.
  ASSERT_TRUE(app::MeanAccuracy(page).has_value());
  EXPECT_NEAR(*app::MeanAccuracy(page), 47.67, 0.01);
  const std::string json = app::PageJson(page);
  EXPECT_EQ(json.rfind("{\"image\":\"scan.png\",\"page\":3,\"width\":200,\"height\":100,\"seconds\":0.000000,"
                       "\"accuracy\":47.7,\"regions\":[],\"lines\":[{\"text\":\"今天 A\",\"indent\":0,"
                       "\"region\":0,\"paragraph\":0,\"box\":[10,5,99,30],"
                       "\"blocks\":[{\"box\":[10,5,29,30],\"cut_sides\":0,\"candidates\":[{\"char\":\"今\","
                       "\"score\":64},{\"char\":\"令\",\"score\":50}]},",
                       0),
            0u)
      << json;
  EXPECT_EQ(json.find("features"), std::string::npos);
  // The unread block is there, without candidates.
  EXPECT_NE(json.find("{\"box\":[55,6,60,30],\"cut_sides\":0,\"candidates\":[]}"), std::string::npos);
  const std::string withFeatures = app::PageJson(page, app::JsonFeatures::Include);
  EXPECT_NE(withFeatures.find("\"candidates\":[],\"features\":[123,123,"), std::string::npos);
  EXPECT_EQ(withFeatures.back(), '\n');

  app::PageResult blank = page;
  blank.Lines.clear();
  EXPECT_FALSE(app::MeanAccuracy(blank).has_value());
  EXPECT_NE(app::PageJson(blank).find("\"accuracy\":null,\"regions\":[],\"lines\":[]}"), std::string::npos);
}

TEST(PageOutput, RegionsAndParagraphsPartTheTextAndAreNamedInTheJson) {
  app::PageResult page = outputtest::TwoRegionPage();
  // A blank line before each paragraph but the first, across regions too.
  EXPECT_EQ(app::PageText(page, app::TextEncoding::Utf8), "今天 A\n今天 A\n\n今天 A\n\n今天 A\n");
  const std::string json = app::PageJson(page);
  EXPECT_NE(json.find("\"regions\":[{\"box\":[10,5,99,150]},{\"box\":[200,5,289,30]}],\"lines\":["),
            std::string::npos)
      << json;
  size_t at = 0;
  for (const char* place : {"\"region\":0,\"paragraph\":0,\"box\":[10,5,", "\"region\":0,\"paragraph\":0,\"box\":[10,45,",
                            "\"region\":0,\"paragraph\":1,\"box\":[10,125,", "\"region\":1,\"paragraph\":2,\"box\":[200,5,"}) {
    at = json.find(place, at);
    EXPECT_NE(at, std::string::npos) << place;
  }
  // In learning mode rulers sit between the pane's lines: no paragraphs then.
  page.PaneLines.push_back("0123");
  EXPECT_EQ(app::PageText(page, app::TextEncoding::Utf8), "今天 A\n今天 A\n今天 A\n今天 A\n0123\n");
}

}  // namespace
