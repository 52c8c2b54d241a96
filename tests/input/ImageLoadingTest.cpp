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

TEST_F(Loading, EveryFailureShowsTheOneMessageAndKeepsTheView) {
  const platform::Bitmap old = PatternPicture(5, 5, 8);
  const std::vector<uint8_t> png = ReadBytes(Make(PatternPicture(9, 9, 24), "x.png"));
  for (const char* name : {"x.tif", "x.tiff", "x.jpg", "x.jpeg", "x.bmp", "x.psd", "x.psp", "x.unknown"}) {
    WriteBytes(dir_.Path(name), png);
    platform::Bitmap view = old;
    EXPECT_FALSE(LoadImageFile(view, dir_.Path(name))) << name;
    ExpectOneFailureMessage();
    EXPECT_EQ(view.Bits(), old.Bits());
    EXPECT_FALSE(ui_.Busy);
  }
  platform::Bitmap view;
  EXPECT_FALSE(LoadImageFile(view, dir_.Path("missing.tif")));
  ExpectOneFailureMessage();
  EXPECT_FALSE(LoadImageFile(view, dir_.Path("missing.png")));
  ExpectOneFailureMessage();
}

// A FIFO or a device given as a page is refused on every route before it is
// opened (a FIFO would keep the loader waiting for a writer for ever), with
// the reason for the command line.
TEST_F(Loading, SpecialFilesAreRefusedOnEveryRoute) {
  for (const char* name : {"f.jpg", "f.tif", "f.png", "f.bmp"}) {
    ASSERT_EQ(::mkfifo(dir_.Path(name).c_str(), 0600), 0) << name;
    platform::Bitmap view;
    std::string reason;
    EXPECT_FALSE(LoadImageFile(view, dir_.Path(name), &reason)) << name;
    ExpectOneFailureMessage();
    EXPECT_NE(reason.find("regular file"), std::string::npos) << name << ": " << reason;
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
