// pellarocr-cli as a user runs it: usage errors and exit codes, bad images
// among good ones, text and JSON output on the sample page, output files,
// page preparation, and a rendered page taught through --learn and read back.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "formats/BmpCodec.h"
#include "platform/Bitmap.h"
#include "platform/Encoding.h"
#include "platform/FileLock.h"
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

  // Starts the program with the test library without waiting for it, its
  // output going to files named after `name`; Collect waits for it. A run
  // that hangs is ended after a few minutes (status 124).
  pid_t Start(const std::vector<std::string>& args, const std::string& name) {
    std::string command = "timeout 300 " + clitest::Quote(std::string(PELLAR_BIN_DIR) + "/pellarocr-cli") +
                          " --library " + clitest::Quote((dir_ / "library").string());
    for (const auto& arg : args) command.append(" ").append(clitest::Quote(arg));
    command.append(" >").append(clitest::Quote(Path(name + "out")));
    command.append(" 2>").append(clitest::Quote(Path(name + "err")));
    command.append(" </dev/null");
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t child = -1;
    EXPECT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);
    return child;
  }
  RunResult Collect(pid_t child, const std::string& name) {
    int raw = 0;
    waitpid(child, &raw, 0);
    RunResult result;
    result.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.Out = ReadFile(Path(name + "out"));
    result.Err = ReadFile(Path(name + "err"));
    return result;
  }

  // Renders the lines as a page `name`.bmp with its ground truth beside it.
  training::RenderedPage TaughtPage(const std::vector<std::string>& lines, const std::string& name) {
    training::RenderOptions options;
    options.Font.Path = kSongFont;
    options.PageWidth = 1600;
    options.PageHeight = 700;
    options.Margin = 100;
    std::vector<training::RenderedPage> pages;
    EXPECT_TRUE(training::RenderText(lines, options, pages));
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_TRUE(formats::WriteBmpFile(Path(name + ".bmp"), pages[0].Page));
    EXPECT_TRUE(training::WriteGroundTruth(Path(name + ".bmp.RED"), pages[0]));
    return pages[0];
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

namespace {

// A library folder with no table files reads nothing; the run says so.
TEST_F(PellarCliTest, EmptyLibraryIsReportedOnStandardError) {
  RunResult result = Run({sample_});
  EXPECT_EQ(result.Status, 0);
  EXPECT_NE(
      result.Err.find("warning: the template library in " + (dir_ / "library").string() + " has no entries"),
      std::string::npos)
      << result.Err;
}

// Pages that are FIFOs or claim a huge size, and library files that are not
// regular files, are refused with the reason instead of hanging the run or
// taking gigabytes; the pages after a bad one are still read.
TEST_F(PellarCliTest, SpecialFilesAndHugeClaimsAreRefusedWithTheReason) {
  const std::string fifo = Path("fifo.bmp");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string bomb = "BM";  // 30000 × 30000, 8 bits, RLE8, 221 KB of end-of-line marks
  const uint32_t header[] = {
      54 + 1024 + 221 * 1024, 0, 54 + 1024, 40, 30000, 30000, 1 | 8 << 16, 1, 221 * 1024, 0, 0, 256, 0};
  for (uint32_t v : header) bomb.append(reinterpret_cast<const char*>(&v), 4);
  bomb.append(1024 + 221 * 1024, '\0');
  WriteFile(Path("bomb.bmp"), bomb);
  RunResult result = Run({"--format", "json", fifo, Path("bomb.bmp"), sample_});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(Count(result.Err, "位图文件错误！"), 2u);
  EXPECT_NE(result.Err.find("fifo.bmp: not a regular file"), std::string::npos)
      << result.Err;
  EXPECT_NE(result.Err.find("bomb.bmp: cannot decode the BMP data: the picture is 30000 x 30000 pixels"),
            std::string::npos)
      << result.Err;
  EXPECT_EQ(SplitLines(result.Out).size(), 1u);

  const fs::path library = dir_ / "library";
  WriteFile(library / "ZEZID.D00", std::string(62501, '\0'));
  ASSERT_EQ(::mkfifo((library / "ZEZID.D05").c_str(), 0600), 0);
  result = Run({sample_});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("cannot read the template library in " + library.string() +
                            ": ZEZID.D05: not a regular file"),
            std::string::npos)
      << result.Err;
  fs::remove(library / "ZEZID.D05");
  fs::remove(library / "Word.Dat");
  fs::create_symlink("/dev/zero", library / "Word.Dat");
  result = Run({sample_});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("cannot read Word.Dat in " + library.string() + ": not a regular file"),
            std::string::npos)
      << result.Err;
}

// A ground-truth file cut inside a record teaches the records before the
// cut; the run says how many, since the library is saved with them.
TEST_F(PellarCliTest, ShortGroundTruthSaysHowManyRecordsWereLearned) {
  if (!fs::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  TaughtPage({"会议讨论明年的工作计划和预算。"}, "short");
  std::string red = ReadFile(Path("short.bmp.RED"));
  red.resize(4 + 23 * 5 + 11);
  WriteFile(Path("short.bmp.RED"), red);
  RunResult result = Run({"--learn", Path("short.bmp")});
  EXPECT_EQ(result.Status, 2);
  EXPECT_NE(result.Err.find(".RED文件有错误！"), std::string::npos);
  EXPECT_NE(result.Err.find("short.bmp: its ground-truth file is damaged; the 5 complete records before the "
                            "damage were learned, and the library is saved with them"),
            std::string::npos)
      << result.Err;
  EXPECT_TRUE(fs::exists(dir_ / "library" / "ZEZID.D00"));
}

// Two learning runs on one library take turns: the second waits (and says
// so) while the first holds the library, and neither loses the other's
// teaching; with --lock-timeout a run gives up instead.
TEST_F(PellarCliTest, LearningRunsOnOneLibraryTakeTurns) {
  if (!fs::exists(kSongFont)) GTEST_SKIP() << "font not installed: " << kSongFont;
  const training::RenderedPage first = TaughtPage({"今天下午三点在会议室开会，请大家准时参加。"}, "first");
  const training::RenderedPage second = TaughtPage({"会议讨论明年的工作计划和预算。"}, "second");

  platform::FileLock holder;  // another learning run, for the moment
  ASSERT_EQ(holder.Lock((dir_ / "library" / "ZEZID.lock").string(), platform::FileLock::Mode::Exclusive,
                        std::nullopt, nullptr),
            platform::FileLock::Result::Locked);
  RunResult refused = Run({"--learn", "--lock-timeout", "0", Path("first.bmp")});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Err.find("is being taught by another run"), std::string::npos) << refused.Err;
  EXPECT_FALSE(fs::exists(dir_ / "library" / "ZEZID.D00"));

  // Both learners start while the library is held, and wait.
  const pid_t learners[] = {Start({"--learn", Path("first.bmp")}, "first"),
                            Start({"--learn", Path("second.bmp")}, "second")};
  for (const char* name : {"first", "second"}) {
    const fs::path err = dir_ / (std::string(name) + "err");
    for (int tries = 0; tries < 3000 && ReadFile(err).find("waiting") == std::string::npos; ++tries)
      usleep(10000);
    EXPECT_NE(ReadFile(err).find("is being taught by another run; waiting for it"), std::string::npos)
        << name;
  }
  holder.Unlock();
  for (const pid_t child : learners) {
    const RunResult learned = Collect(child, child == learners[0] ? "first" : "second");
    EXPECT_EQ(learned.Status, 0) << learned.Err;
  }
  // The library reads both pages.
  RunResult read = Run({Path("first.bmp"), Path("second.bmp")});
  EXPECT_EQ(read.Status, 0) << read.Err;
  const auto lines = SplitLines(read.Out);
  ASSERT_EQ(lines.size(), 2u) << read.Out;
  for (size_t i = 0; i < 2; ++i) {
    const std::string& printed = (i == 0 ? first : second).Lines[0];
    std::string line = lines[i];
    line.erase(0, line.find_first_not_of(" \f"));  // the form feed between the two images' pages
    EXPECT_LE(EditDistance(line, printed) * 10, printed.size() / 3) << "read: " << lines[i];
  }
}

}  // namespace
