// Loading a page file: the route by lower-cased extension, the single
// message of every failure, the busy cursor, the view left alone on failure,
// and the page formats the command line reads.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "formats/BmpCodec.h"
#include "formats/PageWriters.h"
#include "input/ImageLoading.h"
#include "platform/UiHooks.h"
#include "support/FormatsFixtures.h"

namespace input {
namespace {

using formatstest::GmConvert;
using formatstest::MaxColourDifference;
using formatstest::PatternPicture;
using formatstest::ReadBytes;
using formatstest::ScratchDir;
using formatstest::WriteBytes;

class Loading : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetUi(&ui_); }
  void TearDown() override { platform::SetUi(nullptr); }

  std::string Make(const platform::Bitmap& picture, const std::string& name,
                   const std::string& options = "") {
    EXPECT_TRUE(formats::WriteBmpFile(dir_.Path("src.bmp"), picture));
    EXPECT_TRUE(GmConvert(dir_.Path("src.bmp") + " " + options + " " + dir_.Path(name))) << name;
    return dir_.Path(name);
  }

  void ExpectOneFailureMessage() {
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_EQ(ui_.Messages[0].Text, "位图文件错误！");
    EXPECT_EQ(ui_.Messages[0].Icon, platform::MessageIcon::Question);
    EXPECT_EQ(ui_.Messages[0].Buttons, platform::MessageButtons::Ok);
    ui_.Messages.clear();
  }

  platform::HeadlessUi ui_;
  ScratchDir dir_;
};

TEST_F(Loading, TheJpegRouteTakesOnlyDotJpgInAnyCase) {
  const platform::Bitmap picture = PatternPicture(24, 16, 24);
  const std::vector<uint8_t> jpeg = ReadBytes(Make(picture, "a.jpg"));
  // The JPEG route lets the window repaint once; the others do not.
  for (const char* name : {"a.jpg", "B.JPG", "c.Jpg"}) {
    WriteBytes(dir_.Path(name), jpeg);
    platform::Bitmap view;
    const int64_t yields = ui_.Yields;
    ASSERT_TRUE(LoadImageFile(view, dir_.Path(name))) << name;
    EXPECT_EQ(ui_.Yields, yields + 1) << name;
    EXPECT_EQ(view.Width(), 24);
  }
  WriteBytes(dir_.Path("d.jpeg"), jpeg);
  platform::Bitmap view;
  const int64_t yields = ui_.Yields;
  ASSERT_TRUE(LoadImageFile(view, dir_.Path("d.jpeg")));
  EXPECT_EQ(ui_.Yields, yields);
  EXPECT_EQ(view.BitCount(), 24);
  EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(Loading, TifAndTiffBothRead) {
  const platform::Bitmap page = PatternPicture(40, 30, 1);
  for (const char* name : {"p.tif", "p.TIF", "p.tiff", "p.TIFF"}) {
    platform::Bitmap view;
    ASSERT_TRUE(LoadImageFile(view, Make(page, name, "-monochrome -compress Group4"))) << name;
    EXPECT_EQ(view.BitCount(), 1);
    EXPECT_EQ(MaxColourDifference(page, view), 0) << name;
  }
  EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(Loading, MisnamedPicturesAreReadByTheirContent) {
  const platform::Bitmap picture = PatternPicture(9, 9, 24);
  const std::vector<uint8_t> png = ReadBytes(Make(picture, "x.png"));
  for (const char* name : {"x.tif", "x.tiff", "x.jpg", "x.jpeg", "x.bmp", "x.psd", "x.psp", "x.unknown", "x"}) {
    WriteBytes(dir_.Path(name), png);
    platform::Bitmap view;
    LoadDetails details;
    ASSERT_TRUE(LoadImageFile(view, dir_.Path(name), &details)) << name << ": " << details.Reason;
    EXPECT_EQ(MaxColourDifference(view, picture), 0) << name;
    EXPECT_EQ(details.PageCount, 1);
    EXPECT_TRUE(ui_.Messages.empty());
  }
}

TEST_F(Loading, EveryFailureShowsTheOneMessageKeepsTheViewAndSaysWhy) {
  const platform::Bitmap old = PatternPicture(5, 5, 8);
  const std::string text = "this is no picture at all, only words";
  const struct {
    const char* Name;
    const char* Reason;  // the start of the reason
  } cases[] = {
      {"x.tif", "cannot decode as TIF: "},  {"x.png", "cannot decode as PNG: "},
      {"x.jpg", "cannot decode as JPG: "},  {"x.psp", "unsupported format"},
      {"x.unknown", "unsupported format"},
  };
  for (const auto& c : cases) {
    WriteBytes(dir_.Path(c.Name), std::vector<uint8_t>(text.begin(), text.end()));
    platform::Bitmap view = old;
    LoadDetails details;
    EXPECT_FALSE(LoadImageFile(view, dir_.Path(c.Name), &details)) << c.Name;
    ExpectOneFailureMessage();
    EXPECT_EQ(details.Reason.rfind(c.Reason, 0), 0u) << c.Name << ": " << details.Reason;
    EXPECT_EQ(details.PageCount, 0);
    EXPECT_EQ(view.Bits(), old.Bits());
    EXPECT_FALSE(ui_.Busy);
  }
  platform::Bitmap view;
  LoadDetails details;
  EXPECT_FALSE(LoadImageFile(view, dir_.Path("missing.tif"), &details));
  ExpectOneFailureMessage();
  EXPECT_EQ(details.Reason, "cannot open the file: No such file or directory");
  WriteBytes(dir_.Path("empty.png"), {});
  EXPECT_FALSE(LoadImageFile(view, dir_.Path("empty.png"), &details));
  ExpectOneFailureMessage();
  // A PNG signature on damaged data names the format the content claims.
  std::vector<uint8_t> damaged = ReadBytes(Make(PatternPicture(9, 9, 24), "d.png"));
  damaged.resize(40);
  WriteBytes(dir_.Path("d.bmp"), damaged);
  EXPECT_FALSE(LoadImageFile(view, dir_.Path("d.bmp"), &details));
  ExpectOneFailureMessage();
  EXPECT_EQ(details.Reason.rfind("cannot decode the PNG data: ", 0), 0u) << details.Reason;
}

// The open command shows the first page of a file of several and tells how
// many there are.
TEST_F(Loading, FirstPageOfSeveralAndTheirNumber) {
  const platform::Bitmap first = PatternPicture(20, 10, 24), second = PatternPicture(10, 30, 8);
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("one.bmp"), first));
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("two.bmp"), second));
  ASSERT_TRUE(GmConvert(dir_.Path("one.bmp") + " " + dir_.Path("two.bmp") + " -adjoin " + dir_.Path("both.tif")));
  for (const char* name : {"both.tif", "both.TIFF"}) {
    if (std::string(name) != "both.tif") WriteBytes(dir_.Path(name), ReadBytes(dir_.Path("both.tif")));
    platform::Bitmap view;
    LoadDetails details;
    ASSERT_TRUE(LoadImageFile(view, dir_.Path(name), &details)) << details.Reason;
    EXPECT_EQ(details.PageCount, 2);
    EXPECT_EQ(MaxColourDifference(view, first), 0);
  }
}

// A FIFO or a device given as a page is refused on every route before it is
// opened (a FIFO would keep the loader waiting for a writer for ever), with
// the reason for the command line.
TEST_F(Loading, SpecialFilesAreRefusedOnEveryRoute) {
  for (const char* name : {"f.jpg", "f.tif", "f.png", "f.bmp"}) {
    ASSERT_EQ(::mkfifo(dir_.Path(name).c_str(), 0600), 0) << name;
    platform::Bitmap view;
    LoadDetails details;
    EXPECT_FALSE(LoadImageFile(view, dir_.Path(name), &details)) << name;
    ExpectOneFailureMessage();
    EXPECT_NE(details.Reason.find("regular file"), std::string::npos) << name << ": " << details.Reason;
  }
  std::filesystem::create_symlink("/dev/zero", dir_.Path("zero.tif"));
  platform::Bitmap view;
  EXPECT_FALSE(LoadImageFile(view, dir_.Path("zero.tif")));
  ExpectOneFailureMessage();
}

TEST_F(Loading, TruncatedFilesOnEveryRoute) {
  const platform::Bitmap picture = PatternPicture(80, 60, 24);
  for (const char* name : {"t.jpg", "t.tif", "t.png", "t.bmp"}) {
    const std::vector<uint8_t> good = ReadBytes(Make(picture, name, "-compress None"));
    WriteBytes(dir_.Path(name), std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
    platform::Bitmap view;
    EXPECT_FALSE(LoadImageFile(view, dir_.Path(name))) << name;
    ExpectOneFailureMessage();
  }
}

TEST_F(Loading, BusyCursorDuringTheLoad) {
  platform::Bitmap view;
  ASSERT_TRUE(LoadImageFile(view, Make(PatternPicture(8, 8, 8), "b.png")));
  EXPECT_FALSE(ui_.Busy);
  EXPECT_EQ(ui_.BusyChanges, 2);
}

TEST_F(Loading, RenderedPagesInTheFormatsTheCommandLineReads) {
  const platform::Bitmap page = PatternPicture(120, 80, 1);
  const platform::Bitmap colour = PatternPicture(60, 40, 24);
  struct Case {
    const platform::Bitmap* Source;
    const char* Name;
    const char* Options;
    int Tolerance;
  };
  const Case cases[] = {
      {&page, "page.png", "-monochrome", 0},
      {&page, "lzw.tif", "-monochrome -compress LZW", 0},
      {&page, "g4.tif", "-monochrome -compress Group4", 0},
      {&page, "g4.tiff", "-monochrome -compress Group4", 0},
      {&page, "page.bmp", "", 0},
      {&colour, "colour.png", "", 0},
      {&page, "page.jpg", "-quality 90", 255},
  };
  for (const Case& c : cases) {
    platform::Bitmap view;
    ASSERT_TRUE(LoadImageFile(view, Make(*c.Source, c.Name, c.Options))) << c.Name;
    EXPECT_LE(MaxColourDifference(*c.Source, view), c.Tolerance) << c.Name;
  }
  // Our own writers' files read back the same.
  for (const char* name : {"own.tif", "own.bmp"}) {
    ASSERT_TRUE(formats::SavePageImage(dir_.Path(name), page));
    platform::Bitmap view;
    ASSERT_TRUE(LoadImageFile(view, dir_.Path(name)));
    EXPECT_EQ(view.BitCount(), 1);
    EXPECT_EQ(MaxColourDifference(page, view), 0) << name;
  }
  EXPECT_TRUE(ui_.Messages.empty());
}

}  // namespace
}  // namespace input
