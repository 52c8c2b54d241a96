// pellarocr-cli as a user runs it: usage errors and exit codes, bad images
// among good ones, text and JSON output on the sample page, output files,
// page preparation, and a rendered page taught through --learn and read back.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/BmpCodec.h"
#include "platform/Bitmap.h"
#include "platform/Encoding.h"
#include "support/CliFixtures.h"
#include "training/PageRenderer.h"

namespace {

using clitest::Count;
using clitest::EditDistance;
using clitest::ReadFile;
using clitest::RunResult;
using clitest::SplitLines;
using clitest::WriteFile;
namespace fs = std::filesystem;

const char* const kSongFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

class PellarCliTest : public clitest::CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    sample_ = (dir_ / "sample-page.bmp").string();
    fs::copy_file(fs::path(PELLAR_SOURCE_DIR) / "samples" / "sample-page.bmp", sample_);
  }

  std::string sample_;
};

TEST_F(PellarCliTest, HelpAndVersionGoToStandardOutput) {
  RunResult help = Run({"--help"}, false);
  EXPECT_EQ(help.Status, 0);
  EXPECT_EQ(help.Out.rfind("Usage: pellarocr-cli [options] IMAGE...", 0), 0u);
  EXPECT_TRUE(help.Err.empty());
  RunResult version = Run({"-V"}, false);
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out.rfind("pellarocr-cli ", 0), 0u);
}

TEST_F(PellarCliTest, BadUsageExitsWithOneBeforeReadingAnything) {
  const std::vector<std::vector<std::string>> calls = {
      {},                                                     // no image
      {"--bogus", sample_},                                   // unknown option
      {"--format", "xml", sample_},                           // bad value
      {"--threshold", "256", sample_},                        // out of range
      {"--threshold=-1", sample_},                            // out of range, '=' form
      {"--rotate", "45", sample_},                            // only quarter turns
      {"--region", "10,10,5,20", sample_},                    // left beyond right
      {"--region", "1,2,3", sample_},                         // too few numbers
      {"--encoding", "big5", sample_},                        // unknown encoding
      {"--force-learn", "maybe", sample_},                    // yes or no
      {"--deskew=1", sample_},                                // flag with a value
      {sample_, "--output"},                                  // missing value
      {"--save-page", Path("page.bmp"), sample_, sample_},    // one image only
      {"--save-page", Path("page.png"), sample_},             // no writer for PNG
      {"--format", "txt,pdf", sample_},                       // several formats need --output
      {"--format", "txt,,json", "-o", Path("out"), sample_},  // empty format name
      {"--jobs", "0", sample_},                               // at least one job
  };
  for (const auto& args : calls) {
    RunResult result = Run(args);
    EXPECT_EQ(result.Status, 1) << testing::PrintToString(args);
    EXPECT_TRUE(result.Out.empty()) << testing::PrintToString(args);
    EXPECT_NE(result.Err.find("pellarocr-cli: "), std::string::npos) << testing::PrintToString(args);
  }
  EXPECT_FALSE(fs::exists(Path("page.bmp")));
  EXPECT_FALSE(fs::exists(Path("page.png")));
}

TEST_F(PellarCliTest, MissingWordPairsOrLibraryFolderIsAnEnvironmentError) {
  fs::remove(dir_ / "library" / "Word.Dat");
  RunResult result = Run({sample_});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("打开Word.Dat文件错误!"), std::string::npos);
  EXPECT_TRUE(result.Out.empty());

  result = Run({"--library", Path("no-such-folder"), sample_}, false);
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("no-such-folder"), std::string::npos);
}

TEST_F(PellarCliTest, UnreadableImagesGiveTwoAndTheOthersAreStillRecognised) {
  WriteFile(Path("corrupt.bmp"), "BM this is not a picture");
  const std::string sampleCopy = Path("second.bmp");
  fs::copy_file(sample_, sampleCopy);
  RunResult result = Run({"--format", "json", Path("missing.bmp"), sample_, Path("corrupt.bmp"), sampleCopy});
  EXPECT_EQ(result.Status, 2);
  EXPECT_NE(result.Err.find("missing.bmp"), std::string::npos);
  EXPECT_NE(result.Err.find("corrupt.bmp"), std::string::npos);
  const auto lines = SplitLines(result.Out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\"image\":\"" + sample_ + "\""), std::string::npos);
  EXPECT_NE(lines[1].find("\"image\":\"" + sampleCopy + "\""), std::string::npos);
}

TEST_F(PellarCliTest, SamplePageLinesAreFoundAndTheEmptyLibraryReadsNothing) {
  RunResult text = Run({sample_});
  EXPECT_EQ(text.Status, 0) << text.Err;
  for (const auto& line : SplitLines(text.Out))
    EXPECT_EQ(line.find_first_not_of(' '), std::string::npos) << line;

  RunResult json = Run({"--format", "json", sample_});
  EXPECT_EQ(json.Status, 0) << json.Err;
  ASSERT_EQ(SplitLines(json.Out).size(), 1u);
  EXPECT_EQ(json.Out.rfind("{\"image\":", 0), 0u);
  EXPECT_NE(json.Out.find("\"page\":1,\"width\":1600,\"height\":960,\"seconds\":"), std::string::npos);
  // Nothing read: no mean accuracy.
  EXPECT_NE(json.Out.find("\"accuracy\":null,"), std::string::npos);
  // Nine printed lines, each with its box and its blocks; feature words
  // only when asked for.
  const auto printedLines = SplitLines(ReadFile(fs::path(PELLAR_SOURCE_DIR) / "samples" / "sample-page.txt"));
  EXPECT_EQ(Count(json.Out, "{\"text\":"), printedLines.size());
  EXPECT_EQ(Count(json.Out, "\"box\":["), Count(json.Out, "{\"box\":[") + printedLines.size());
  EXPECT_GT(Count(json.Out, "{\"box\":["), printedLines.size() * 10);
  EXPECT_EQ(Count(json.Out, "\"features\":["), 0u);
  // One region: the page is a single column.
  EXPECT_NE(json.Out.find("\"regions\":[{\"box\":["), std::string::npos);
  EXPECT_EQ(Count(json.Out, "\"region\":0,"), printedLines.size());
  EXPECT_EQ(json.Out.back(), '\n');
  RunResult features = Run({"--format", "json", "--json-features", sample_});
  EXPECT_EQ(Count(features.Out, "\"features\":["), Count(features.Out, "\"cut_sides\":"));
}

TEST_F(PellarCliTest, OutputFolderGetsOneFilePerImageAndKeepsOldFilesOfFailedImages) {
  const fs::path out = dir_ / "out";
  fs::create_directories(out);
  WriteFile(Path("broken.bmp"), "BM?");
  WriteFile(out / "broken.json", "old result");
  RunResult result = Run({"-o", out.string(), "--format=json", sample_, Path("broken.bmp")});
  EXPECT_EQ(result.Status, 2);
  EXPECT_TRUE(result.Out.empty());
  EXPECT_EQ(ReadFile(out / "broken.json"), "old result");
  const std::string json = ReadFile(out / "sample-page.json");
  EXPECT_EQ(json.rfind("{\"image\":", 0), 0u);
  EXPECT_FALSE(fs::exists(out / "sample-page.json.tmp"));

  result = Run({"-o", (dir_ / "new" / "folder").string(), sample_});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_TRUE(fs::exists(dir_ / "new" / "folder" / "sample-page.txt"));

  // Two images of the same name would overwrite each other's result.
  fs::create_directories(dir_ / "other");
  fs::copy_file(sample_, dir_ / "other" / "sample-page.bmp");
  result = Run({"-o", out.string(), sample_, (dir_ / "other" / "sample-page.bmp").string()});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(ReadFile(out / "sample-page.json"), json);
}

TEST_F(PellarCliTest, WriteErrorsOnStandardOutputFailTheRun) {
  for (const char* redirection : {">/dev/full", ">&-"}) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{sample_}, {"--help"}}) {
      RunResult result = Run(args, args.size() == 1, "", redirection);
      EXPECT_EQ(result.Status, 1) << redirection << " " << args[0];
      EXPECT_NE(result.Err.find("pellarocr-cli: cannot write to standard output: "), std::string::npos)
          << redirection << " " << args[0] << ": " << result.Err;
    }
  }
}

TEST_F(PellarCliTest, ABatchOfSeveralFormatsWritesEachImagesFilesAndSummarisesThePages) {
  const fs::path out = dir_ / "out";
  const std::string second = Path("second.bmp");
  fs::copy_file(sample_, second);
  RunResult result = Run({"-j", "2", "-f", "txt,json,pdf,hocr,alto,tsv", "-o", out.string(), sample_,
                          Path("missing.bmp"), second});
  EXPECT_EQ(result.Status, 2) << result.Err;
  for (const char* stem : {"sample-page", "second"})
    for (const char* extension : {".txt", ".json", ".pdf", ".hocr", ".xml", ".tsv"})
      EXPECT_TRUE(fs::exists(out / (std::string(stem) + extension))) << stem << extension;
  EXPECT_FALSE(fs::exists(out / "missing.txt"));
  const auto lines = SplitLines(result.Err);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("pellarocr-cli: 3 pages in ", 0), 0u) << result.Err;
  EXPECT_NE(lines.back().find("; status 0: 2 pages; status 2: 1 page (" + Path("missing.bmp") + ")"),
            std::string::npos)
      << result.Err;

  // A file that cannot be replaced fails its image with status 1.
  fs::remove(out / "second.tsv");
  fs::create_directories(out / "second.tsv" / "in-the-way");
  result = Run({"-f", "tsv", "-o", out.string(), sample_, second});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("cannot write " + (out / "second.tsv").string()), std::string::npos)
      << result.Err;
  EXPECT_NE(result.Err.find("; status 0: 1 page; status 1: 1 page (" + second + ")"), std::string::npos)
      << result.Err;
}

TEST_F(PellarCliTest, RegionLimitsTheRunAndMustTouchThePage) {
  // The first two printed lines lie within the top 240 rows.
  RunResult result = Run({"--format", "json", "--region", "0,0,1599,240", sample_});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Count(result.Out, "{\"text\":"), 2u);
  // A region reaching past the page is cut to it.
  result = Run({"--format", "json", "--region", "0,0,99999,99999", sample_});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Count(result.Out, "{\"text\":"), 9u);
  result = Run({"--region", "5000,0,6000,10", sample_});
  EXPECT_EQ(result.Status, 2);
  EXPECT_NE(result.Err.find("region"), std::string::npos);
}

TEST_F(PellarCliTest, GreyPagesAreThresholdedTurnedAndSaved) {
  platform::Bitmap mono;
  ASSERT_TRUE(formats::ReadBmpFile(sample_, mono));
  // The same page as 8-bit grey: ink 40, paper 220.
  platform::Bitmap grey(mono.Width(), mono.Height(), 8);
  for (int32_t y = 0; y < mono.Height(); ++y)
    for (int32_t x = 0; x < mono.Width(); ++x) {
      const bool ink = (mono.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
      grey.Row(y)[x] = ink ? 40 : 220;
    }
  ASSERT_TRUE(formats::WriteBmpFile(Path("grey.bmp"), grey));

  RunResult fromHistogram = Run({"--format", "json", Path("grey.bmp")});
  EXPECT_EQ(fromHistogram.Status, 0) << fromHistogram.Err;
  EXPECT_EQ(Count(fromHistogram.Out, "{\"text\":"), 9u);
  // Below the ink level nothing is ink: no lines.
  RunResult allWhite = Run({"--format", "json", "--threshold", "30", Path("grey.bmp")});
  EXPECT_EQ(allWhite.Status, 0) << allWhite.Err;
  EXPECT_NE(allWhite.Out.find("\"lines\":[]"), std::string::npos);

  const std::string saved = Path("turned.bmp");
  RunResult turned = Run(
      {"--format", "json", "--threshold", "128", "--rotate", "90", "--save-page", saved, Path("grey.bmp")});
  EXPECT_EQ(turned.Status, 0) << turned.Err;
  EXPECT_NE(turned.Out.find("\"width\":960,\"height\":1600"), std::string::npos);
  platform::Bitmap page;
  ASSERT_TRUE(formats::ReadBmpFile(saved, page));
  EXPECT_EQ(page.BitCount(), 1);
  EXPECT_EQ(page.Width(), 960);
  EXPECT_EQ(page.Height(), 1600);
}

// A page rendered here, taught to an empty library through its ground truth
// (--learn), and then read back with that library.
TEST_F(PellarCliTest, RenderedPageIsLearnedAndReadBack) {
  if (!fs::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  training::RenderOptions options;
  options.Font.Path = kSongFont;
  options.PageWidth = 1600;
  options.PageHeight = 700;
  options.Margin = 100;
  std::vector<training::RenderedPage> pages;
  ASSERT_TRUE(training::RenderText(
      {"今天下午三点在会议室开会，请大家准时参加。", "会议讨论明年的工作计划和预算。"}, options, pages));
  ASSERT_EQ(pages.size(), 1u);
  const std::string page = Path("taught.bmp");
  ASSERT_TRUE(formats::WriteBmpFile(page, pages[0].Page));
  ASSERT_TRUE(training::WriteGroundTruth(page + ".RED", pages[0]));

  RunResult learn = Run({"--learn", page});
  EXPECT_EQ(learn.Status, 0) << learn.Err;
  EXPECT_TRUE(fs::exists(dir_ / "library" / "ZEZID.D00"));
  std::string taught;
  for (const auto& line : pages[0].Lines) taught += line;
  EXPECT_EQ(learn.Out, taught + "\n");

  fs::rename(page + ".RED", page + ".RED.kept");
  RunResult read = Run({page});
  EXPECT_EQ(read.Status, 0) << read.Err;
  const auto lines = SplitLines(read.Out);
  ASSERT_EQ(lines.size(), pages[0].Lines.size()) << read.Out;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    line.erase(0, line.find_first_not_of(' '));
    EXPECT_LE(EditDistance(line, pages[0].Lines[i]) * 10, pages[0].Lines[i].size() / 3)
        << "read: " << lines[i] << "\nprinted: " << pages[0].Lines[i];
  }

  RunResult gbk = Run({"--encoding", "gbk", page});
  EXPECT_EQ(gbk.Status, 0) << gbk.Err;
  EXPECT_EQ(gbk.Out, platform::Utf8ToGbk(read.Out));
  EXPECT_NE(gbk.Out, read.Out);
}

}  // namespace

namespace {

// Learning a character that is not learnable by default asks whether to
// force it; --force-learn gives the answer, and the question shows on stderr.
TEST_F(PellarCliTest, ForcedEntryQuestionIsAnsweredFromTheOption) {
  if (!fs::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  training::RenderOptions options;
  options.Font.Path = kSongFont;
  options.PageWidth = 800;
  options.PageHeight = 400;
  options.Margin = 100;
  std::vector<training::RenderedPage> pages;
  ASSERT_TRUE(training::RenderText({"零下五°"}, options, pages));
  ASSERT_EQ(pages[0].Chars.size(), 4u);
  const std::string page = Path("degrees.bmp");
  ASSERT_TRUE(formats::WriteBmpFile(page, pages[0].Page));
  ASSERT_TRUE(training::WriteGroundTruth(page + ".RED", pages[0]));

  RunResult refused = Run({"--learn", page});
  EXPECT_EQ(refused.Status, 0) << refused.Err;
  EXPECT_NE(refused.Err.find("\"°\"默认是不允许入库的，是否强制入库(Yes/No/AllNot)？ [answered All]"),
            std::string::npos)
      << refused.Err;
  RunResult forced = Run({"--learn", "--force-learn", "yes", page});
  EXPECT_EQ(forced.Status, 0) << forced.Err;
  EXPECT_NE(forced.Err.find("[answered Yes]"), std::string::npos) << forced.Err;
}

}  // namespace
