// The options of pellarocr-cli: the region's order in the engine's box, how
// values are given, and when a page is straightened.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

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
  EXPECT_EQ(options.Formats, std::vector{app::OutputFormat::Json});
  EXPECT_EQ(options.Prepare.Threshold, 0);
  EXPECT_EQ(options.Prepare.Rotation, 270);
  EXPECT_FALSE(options.LineCorrection);
  EXPECT_TRUE(options.Learn);
  EXPECT_TRUE(options.ForceLearn);
  EXPECT_EQ(options.Images, std::vector<std::string>{"--odd-name.bmp"});
  ASSERT_TRUE(
      Parse({"-f", "txt,pdf,txt", "-o", "out", "-j", "3", "--json-features", "a.png"}, options, error))
      << error;
  EXPECT_EQ(options.Formats, (std::vector{app::OutputFormat::Text, app::OutputFormat::Pdf}));
  EXPECT_EQ(options.Jobs, 3);
  EXPECT_TRUE(options.JsonFeatures);
  // --help needs no image.
  EXPECT_TRUE(Parse({"--help"}, options, error));
  EXPECT_TRUE(options.ShowHelp);
}

TEST(CliOptions, SkewedPagesAreStraightenedUnlessAskedNotToOrLearning) {
  cli::CliOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"page.bmp"}, options, error)) << error;
  EXPECT_TRUE(options.Prepare.Deskew);
  ASSERT_TRUE(Parse({"--no-deskew", "page.bmp"}, options, error)) << error;
  EXPECT_FALSE(options.Prepare.Deskew);
  ASSERT_TRUE(Parse({"--learn", "page.bmp"}, options, error)) << error;
  EXPECT_FALSE(options.Prepare.Deskew) << "ground-truth boxes describe the page as it is";
  ASSERT_TRUE(Parse({"--learn", "--deskew", "page.bmp"}, options, error)) << error;
  EXPECT_TRUE(options.Prepare.Deskew);
}

}  // namespace
