// The parts of pellarocr-cli on their own: the region's order in the
// engine's box, the answers of the hooks, and the JSON text helpers.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/CliHooks.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "engine/EngineRecords.h"

namespace {

bool Parse(std::vector<const char*> args, cli::CliOptions& options, std::string& error) {
  args.insert(args.begin(), "pellarocr-cli");
  return cli::ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CliOptions, RegionIsGivenLeftTopRightBottomAndKeptInTheEngineOrder) {
  cli::CliOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--region=10,20,30,40", "page.bmp"}, options, error)) << error;
  ASSERT_TRUE(options.Region.has_value());
  EXPECT_EQ(options.Region->Left, 10);
  EXPECT_EQ(options.Region->Top, 20);
  EXPECT_EQ(options.Region->Right, 30);
  EXPECT_EQ(options.Region->Bottom, 40);
  EXPECT_FALSE(Parse({"--region", "10,20,30,40,50", "page.bmp"}, options, error));
  EXPECT_FALSE(Parse({"--region", "-1,0,5,5", "page.bmp"}, options, error));
}

TEST(CliOptions, ValuesFollowOrAreJoinedAndDoubleDashEndsTheOptions) {
  cli::CliOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"-f", "json", "--threshold=0", "--rotate", "270", "--no-correction", "--learn",
                     "--force-learn", "yes", "--", "--odd-name.bmp"},
                    options, error))
      << error;
  EXPECT_EQ(options.Format, cli::OutputFormat::Json);
  EXPECT_EQ(options.Threshold, 0);
  EXPECT_EQ(options.Rotation, 270);
  EXPECT_FALSE(options.LineCorrection);
  EXPECT_TRUE(options.Learn);
  EXPECT_TRUE(options.ForceLearn);
  EXPECT_EQ(options.Images, std::vector<std::string>{"--odd-name.bmp"});
  // --help needs no image.
  EXPECT_TRUE(Parse({"--help"}, options, error));
  EXPECT_TRUE(options.ShowHelp);
}

TEST(CliHooks, LearningQuestionsAreAnsweredFromTheOptionsAndEverythingIsPrinted) {
  std::FILE* errors = std::tmpfile();
  ASSERT_NE(errors, nullptr);
  const std::string forced = "\"°\"默认是不允许入库的，是否强制入库(Yes/No/AllNot)？";
  const std::string refusal = "error in:“ 0 0 1\n是否结束(Yes/No/AllNot)?";
  cli::CliHooks refusing(errors, false);
  EXPECT_EQ(refusing.ShowMessage(forced, platform::MessageIcon::Question, platform::MessageButtons::YesNoAll),
            platform::Answer::All);
  EXPECT_EQ(
      refusing.ShowMessage(refusal, platform::MessageIcon::Question, platform::MessageButtons::YesNoAll),
      platform::Answer::All);
  EXPECT_EQ(
      refusing.ShowMessage("位图文件错误！", platform::MessageIcon::Question, platform::MessageButtons::Ok),
      platform::Answer::Ok);
  EXPECT_EQ(
      refusing.ShowMessage("真的删除?", platform::MessageIcon::Question, platform::MessageButtons::YesNo),
      platform::Answer::No);
  cli::CliHooks forcing(errors, true);
  EXPECT_EQ(forcing.ShowMessage(forced, platform::MessageIcon::Question, platform::MessageButtons::YesNoAll),
            platform::Answer::Yes);
  EXPECT_EQ(refusing.TakeMessages().size(), 4u);
  EXPECT_TRUE(refusing.TakeMessages().empty());

  std::rewind(errors);
  std::string printed;
  for (int c = std::fgetc(errors); c != EOF; c = std::fgetc(errors)) printed.push_back(static_cast<char>(c));
  std::fclose(errors);
  EXPECT_NE(printed.find("pellarocr-cli: " + forced + " [answered All]\n"), std::string::npos);
  EXPECT_NE(printed.find("是否结束(Yes/No/AllNot)? [answered All]\n"), std::string::npos);
  EXPECT_NE(printed.find("pellarocr-cli: 位图文件错误！\n"), std::string::npos);
  EXPECT_NE(printed.find(forced + " [answered Yes]\n"), std::string::npos);
}

TEST(CliOutput, JsonStringsAreEscapedAndAlwaysValidUtf8) {
  EXPECT_EQ(cli::JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(cli::JsonString("1\n2\t3\x01"), "\"1\\n2\\t3\\u0001\"");
  EXPECT_EQ(cli::JsonString("汉字"), "\"汉字\"");
  // A lone GBK byte pair and a truncated sequence are not UTF-8.
  EXPECT_EQ(cli::JsonString("x\xD7\xD6y"), "\"x\xEF\xBF\xBD\xEF\xBF\xBDy\"");
  EXPECT_EQ(cli::JsonString("\xE6\xB1"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
  // An overlong encoding of '/' is refused too.
  EXPECT_EQ(cli::JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(CliOutput, CodesBecomeTheirCharacters) {
  EXPECT_EQ(cli::CodeToUtf8(engine::MakeCode(0xD7, 0xD6)), "字");
  EXPECT_EQ(cli::CodeToUtf8(engine::MakeCode(0xA3, 0xC1)), "Ａ");  // full-width A
  EXPECT_EQ(cli::CodeToUtf8(engine::AsciiCode('a')), "a");
  EXPECT_EQ(cli::CodeToUtf8(engine::AsciiPairCode('r', 'n')), "rn");
  EXPECT_EQ(cli::CodeToUtf8(0), "");
  EXPECT_EQ(cli::OutputPath("out", "/data/scans/page.01.png", ".txt"), "out/page.01.txt");
}

}  // namespace
