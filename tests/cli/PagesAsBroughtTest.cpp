// pellarocr-cli on pages as users bring them, all made here from pages
// rendered and taught to a library once for the whole suite: turned pages,
// two columns, uneven light, every page of TIFF and PDF files, misnamed
// files, standard input, folders and lists; the reason of every failure; and
// a level page in one column, whose text keeps its lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "formats/BmpCodec.h"
#include "imaging/Rotation.h"
#include "platform/Bitmap.h"
#include "support/CliFixtures.h"
#include "support/FormatsFixtures.h"
#include "training/PageRenderer.h"

namespace {

using clitest::Count;
using clitest::EditDistance;
using clitest::ReadFile;
using clitest::RunResult;
using clitest::SplitLines;
using clitest::WriteFile;
using formatstest::GmConvert;
namespace fs = std::filesystem;

const char* const kSongFont = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

const std::vector<std::string> kParagraphs = {
    "今天下午三点在会议室开会，请大家准时参加，会上讨论明年的工作计划。",
    "会议由办公室主任主持，各部门负责人先汇报本年度的工作情况和存在的问题。",
    "然后大家讨论预算，财务部门介绍明年的收入和支出安排，并回答大家的问题。",
    "最后主任总结会议内容，提出几点要求，希望大家认真落实，按时完成任务。",
};

struct Rendered {
  platform::Bitmap Page;
  std::string Text;  // the printed characters, without white space
};

// The text without white space (spaces, ideographic spaces, line and page breaks).
std::string Squeezed(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "\u3000") == 0) {
      i += 2;
    } else if (text[i] != ' ' && text[i] != '\n' && text[i] != '\f') {
      out.push_back(text[i]);
    }
  }
  return out;
}

class PagesAsBrought : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Test runners may run the tests of this suite in several processes at once.
    suite_ = fs::path(::testing::TempDir()) / ("pellar_pages_as_brought_" + std::to_string(getpid()));
    fs::remove_all(suite_);
    fs::create_directories(suite_ / "library");
    WriteFile(suite_ / "library" / "Word.Dat", std::string(262144, '\0'));
    if (!fs::exists(kSongFont)) return;
    // The whole text on a wide page, and its halves on two narrow ones.
    ready_ = Prepare("full", kParagraphs, 1600, full_) &&
             Prepare("left", {kParagraphs[0], kParagraphs[1]}, 760, left_) &&
             Prepare("right", {kParagraphs[2], kParagraphs[3]}, 760, right_);
  }

  static void TearDownTestSuite() { fs::remove_all(suite_); }

  // Renders the paragraphs onto NAME.bmp in the suite's folder and teaches
  // the page to the suite's library through its ground truth.
  static bool Prepare(const std::string& name, const std::vector<std::string>& paragraphs, int32_t width,
                      Rendered& out) {
    training::RenderOptions options;
    options.Font.Path = kSongFont;
    options.PageWidth = width;
    options.PageHeight = 1100;
    options.Margin = 80;
    std::vector<training::RenderedPage> pages;
    if (!training::RenderText(paragraphs, options, pages) || pages.size() != 1) return false;
    out.Page = pages[0].Page;
    out.Page.XPelsPerMeter = out.Page.YPelsPerMeter = 11811;  // 300 dpi
    out.Text.clear();
    for (const std::string& line : pages[0].Lines) out.Text += Squeezed(line);
    const std::string path = Page(name);
    if (!formats::WriteBmpFile(path, out.Page) || !training::WriteGroundTruth(path + ".RED", pages[0])) return false;
    const bool taught =
        clitest::RunCli(suite_, {"--library", (suite_ / "library").string(), "--learn", path}).Status == 0;
    fs::remove(path + ".RED");
    return taught;
  }

  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "no taught library (font missing: " << kSongFont << ")";
    dir_ = suite_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  RunResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> all = {"--library", (suite_ / "library").string()};
    all.insert(all.end(), args.begin(), args.end());
    return clitest::RunCli(dir_, all, input);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const platform::Bitmap& page) {
    EXPECT_TRUE(formats::WriteBmpFile(Path(name), page));
    return Path(name);
  }
  static std::string Page(const std::string& name) { return (suite_ / (std::string(name) + ".bmp")).string(); }

  // Character errors of a reading against the printed text, per hundred.
  static double Errors(const std::string& read, const std::string& printed) {
    return 100.0 * EditDistance(Squeezed(read), printed) / (printed.size() / 3);
  }

  static fs::path suite_;
  static bool ready_;
  static Rendered full_, left_, right_;
  fs::path dir_;
};

fs::path PagesAsBrought::suite_;
bool PagesAsBrought::ready_ = false;
Rendered PagesAsBrought::full_, PagesAsBrought::left_, PagesAsBrought::right_;

TEST_F(PagesAsBrought, LevelPageInOneColumnKeepsItsLinesWithBlankLinesBetweenParagraphs) {
  const RunResult text = Run({Page("full")});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_LT(Errors(text.Out, full_.Text), 2.0) << text.Out;
  const RunResult json = Run({"--format", "json", Page("full")});
  ASSERT_EQ(json.Status, 0) << json.Err;
  // Four paragraphs: three blank lines between them, none elsewhere.
  EXPECT_EQ(Count(text.Out, "\n\n"), 3u) << text.Out;
  EXPECT_GT(Count(json.Out, "\"paragraph\":3,"), 0u);
  EXPECT_EQ(Count(json.Out, "\"paragraph\":4,"), 0u);
  EXPECT_EQ(Count(json.Out, "{\"text\":"), SplitLines(text.Out).size() - 3);
  EXPECT_EQ(Count(json.Out, "\"regions\":[{\"box\":["), 1u);
  EXPECT_EQ(Count(json.Out, "\"region\":1,"), 0u);
  // Turning detection finds nothing to do on a level page.
  EXPECT_EQ(Run({"--no-auto-rotate", Page("full")}).Out, text.Out);
}

TEST_F(PagesAsBrought, TurnedPagesAreTurnedBack) {
  const std::string upright = Run({Page("full")}).Out;
  for (const int angle : {90, 180, 270}) {
    platform::Bitmap turned = full_.Page;
    ASSERT_TRUE(imaging::RotateBitmap(turned, angle));
    const std::string path = Write("turned.bmp", turned);
    const RunResult result = Run({path});
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, upright) << angle;
    EXPECT_GT(Errors(Run({"--no-auto-rotate", path}).Out, full_.Text), 50.0) << angle;
    // A turn asked for is taken as it is.
    EXPECT_EQ(Run({"--rotate", std::to_string(360 - angle), path}).Out, upright) << angle;
  }
}

TEST_F(PagesAsBrought, TwoColumnsAreReadOneAfterTheOther) {
  platform::Bitmap page(1700, 1100, 1);
  for (int32_t y = 0; y < 1100; ++y) {
    std::copy_n(left_.Page.Row(y), left_.Page.RowBytes(), page.Row(y));
    // The right column starts at byte 115 (pixel 920): a gutter of some 240 pixels.
    std::copy_n(right_.Page.Row(y), right_.Page.RowBytes() - 4, page.Row(y) + 115);
  }
  const std::string path = Write("columns.bmp", page);
  const RunResult text = Run({path});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_LT(Errors(text.Out, left_.Text + right_.Text), 2.0) << text.Out;
  const RunResult json = Run({"--format", "json", path});
  EXPECT_EQ(Count(json.Out, "{\"box\":[") - Count(json.Out, "\"cut_sides\""), 2u);
  EXPECT_GT(Count(json.Out, "\"region\":1,"), 2u);
}

TEST_F(PagesAsBrought, UnevenLightIsEvenedOutUnlessOneThresholdIsAskedFor) {
  // Ink black, paper from warm white at the left to dark brown at the right.
  const platform::Bitmap& mono = full_.Page;
  platform::Bitmap colour(mono.Width(), mono.Height(), 24);
  for (int32_t y = 0; y < mono.Height(); ++y) {
    for (int32_t x = 0; x < mono.Width(); ++x) {
      const bool ink = (mono.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
      const int light = 255 - 215 * x / mono.Width();
      uint8_t* p = colour.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(ink ? light / 6 : light * 8 / 10);  // blue
      p[1] = static_cast<uint8_t>(ink ? light / 5 : light * 9 / 10);
      p[2] = static_cast<uint8_t>(ink ? light / 5 : light);
    }
  }
  const std::string path = Write("lit.bmp", colour);
  const RunResult adaptive = Run({path});
  ASSERT_EQ(adaptive.Status, 0) << adaptive.Err;
  EXPECT_LT(Errors(adaptive.Out, full_.Text), 3.0) << adaptive.Out;
  EXPECT_GT(Errors(Run({"--threshold", "128", path}).Out, full_.Text), 30.0);
}

TEST_F(PagesAsBrought, EveryPageOfTiffAndPdfFiles) {
  ASSERT_TRUE(GmConvert(Page("left") + " " + Page("right") + " -adjoin -compress Group4 " + Path("two.tif")));
  const RunResult text = Run({Path("two.tif")});
  ASSERT_EQ(text.Status, 0) << text.Err;
  ASSERT_EQ(Count(text.Out, "\f"), 1u) << text.Out;
  const size_t feed = text.Out.find('\f');
  EXPECT_LT(Errors(text.Out.substr(0, feed), left_.Text), 2.0);
  EXPECT_LT(Errors(text.Out.substr(feed + 1), right_.Text), 2.0);
  const RunResult json = Run({"--format", "json", Path("two.tif")});
  const auto objects = SplitLines(json.Out);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].find("\"page\":1,"), objects[0].find("\"page\":"));
  EXPECT_NE(objects[1].find("\"page\":2,"), std::string::npos);

  ASSERT_TRUE(GmConvert("-density 300 -units PixelsPerInch " + Page("full") + " " + Path("page.pdf")));
  const RunResult pdf = Run({Path("page.pdf")});
  ASSERT_EQ(pdf.Status, 0) << pdf.Err;
  // Drawn smooth and thresholded again, the strokes differ a little from the
  // page the library learned from: a few characters are misread.
  EXPECT_LT(Errors(pdf.Out, full_.Text), 15.0) << pdf.Out;
  EXPECT_NE(Run({"--format", "json", Path("page.pdf")}).Out.find("\"width\":1600,\"height\":1100,"),
            std::string::npos);
  // At half the resolution the page is half the size.
  EXPECT_NE(Run({"--format", "json", "--dpi", "150", Path("page.pdf")}).Out.find("\"width\":800,"),
            std::string::npos);
}

TEST_F(PagesAsBrought, MisnamedFilesAndStandardInputAreReadByTheirContent) {
  const std::string upright = Run({Page("full")}).Out;
  ASSERT_TRUE(GmConvert(Page("full") + " " + Path("page.png")));
  fs::copy_file(Path("page.png"), Path("photo.jpg"));
  fs::copy_file(Page("full"), Path("scan.png"));
  fs::copy_file(Page("full"), Path("scan"));
  for (const char* name : {"photo.jpg", "scan.png", "scan"}) {
    const RunResult result = Run({Path(name)});
    EXPECT_EQ(result.Status, 0) << name << ": " << result.Err;
    EXPECT_EQ(result.Out, upright) << name;
  }
  const RunResult piped = Run({"-"}, Path("page.png"));
  EXPECT_EQ(piped.Status, 0) << piped.Err;
  EXPECT_EQ(piped.Out, upright);
  EXPECT_NE(Run({"--format", "json", "-"}, Path("page.png")).Out.find("{\"image\":\"-\",\"page\":1,"),
            std::string::npos);
  // With an output folder, standard input's result is stdin.txt.
  EXPECT_EQ(Run({"-o", Path("out"), "-"}, Path("page.png")).Status, 0);
  EXPECT_EQ(ReadFile(Path("out/stdin.txt")), upright);
}

TEST_F(PagesAsBrought, FoldersInNameOrderAndListsInTheirOrder) {
  fs::create_directories(Path("scans"));
  fs::copy_file(Page("right"), Path("scans/page-10.bmp"));
  fs::copy_file(Page("left"), Path("scans/page-9.bmp"));
  fs::copy_file(Page("full"), Path("scans/.hidden.bmp"));
  WriteFile(Path("scans/page-9.bmp.RED"), "not a page");
  WriteFile(Path("scans/notes.txt"), "not a page");
  const RunResult folder = Run({Path("scans")});
  ASSERT_EQ(folder.Status, 0) << folder.Err;
  EXPECT_LT(Errors(folder.Out, left_.Text + right_.Text), 2.0) << folder.Out;

  WriteFile(Path("list.txt"), Page("right") + "\r\n\n" + Page("left") + "\n");
  const RunResult list = Run({"@" + Path("list.txt")});
  ASSERT_EQ(list.Status, 0) << list.Err;
  EXPECT_LT(Errors(list.Out, right_.Text + left_.Text), 2.0) << list.Out;
  const RunResult piped = Run({"@-"}, Path("list.txt"));
  EXPECT_EQ(piped.Out, list.Out);
}

TEST_F(PagesAsBrought, EveryFailureSaysWhy) {
  WriteFile(Path("words.png"), "these are words, not a picture");
  WriteFile(Path("words.dat"), "these are words, not a picture");
  // A BMP whose header claims 40000 x 40000 pixels.
  std::string huge = ReadFile(Page("left")).substr(0, 62);
  for (const int at : {18, 22}) {
    const uint32_t side = 40000;
    for (int i = 0; i < 4; ++i) huge[at + i] = static_cast<char>((side >> (8 * i)) & 0xFF);
  }
  WriteFile(Path("huge.bmp"), huge);
  WriteFile(Path("huge.pdf"),
            "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
            "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
            "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 14400 14400] >> endobj\n"
            "trailer << /Root 1 0 R >>\n%%EOF\n");
  fs::create_directories(Path("empty"));
  const struct {
    std::string Argument;
    std::string Says;
  } cases[] = {
      {Path("missing.png"), Path("missing.png") + ": cannot open the file: No such file or directory"},
      {Path("words.png"), Path("words.png") + ": cannot decode as PNG: "},
      {Path("words.dat"), Path("words.dat") + ": unsupported format"},
      {Path("huge.bmp"), Path("huge.bmp") + ": cannot decode the BMP data: the picture is "},
      {Path("huge.pdf"), Path("huge.pdf") + ": cannot decode the PDF data: the picture is 60000 x 60000 pixels; a side may have at most 30000"},
      {Path("empty"), Path("empty") + ": the folder holds no page images"},
      {"@" + Path("none.txt"), "@" + Path("none.txt") + ": cannot read the list: cannot open the file: No such"},
  };
  for (const auto& c : cases) {
    const RunResult result = Run({c.Argument, Page("left")});
    EXPECT_EQ(result.Status, 2) << c.Argument;
    EXPECT_NE(result.Err.find("位图文件错误！"), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("pellarocr-cli: " + c.Says), std::string::npos) << result.Err;
    EXPECT_LT(Errors(result.Out, left_.Text), 2.0) << c.Argument;  // the good page is still read
  }
  for (const std::vector<std::string>& call : std::vector<std::vector<std::string>>{
           {"-", "-"}, {"-", "@-"}, {"--dpi", "20", Page("left")}, {"--dpi", "x", Page("left")}}) {
    const RunResult result = Run(call);
    EXPECT_EQ(result.Status, 1) << testing::PrintToString(call);
    EXPECT_TRUE(result.Out.empty());
  }
}

}  // namespace
