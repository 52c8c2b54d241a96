// Page files as the command line reads them: bytes without a name decided by
// their content, every page of TIFF and PDF files in order, PDF pages at the
// resolution asked for, and the reason of each failure.
#include <gtest/gtest.h>

#include "formats/BmpCodec.h"
#include "input/PageFile.h"
#include "support/FormatsFixtures.h"

namespace input {
namespace {

using formatstest::GmConvert;
using formatstest::MaxColourDifference;
using formatstest::PatternPicture;
using formatstest::ReadBytes;
using formatstest::ScratchDir;

TEST(PageFile, BytesWithoutANameAreReadByTheirContent) {
  ScratchDir dir;
  const platform::Bitmap picture = PatternPicture(12, 7, 8);
  ASSERT_TRUE(formats::WriteBmpFile(dir.Path("p.bmp"), picture));
  ASSERT_TRUE(GmConvert(dir.Path("p.bmp") + " " + dir.Path("p.png")));
  for (const char* name : {"p.bmp", "p.png"}) {
    PageFile file;
    std::string reason;
    ASSERT_TRUE(file.OpenData(ReadBytes(dir.Path(name)), "", reason)) << name << ": " << reason;
    EXPECT_EQ(file.PageCount(), 1);
    platform::Bitmap page;
    ASSERT_TRUE(file.ReadPage(0, page, reason)) << reason;
    EXPECT_EQ(MaxColourDifference(page, picture), 0);
    EXPECT_FALSE(file.ReadPage(1, page, reason));
    EXPECT_EQ(reason, "there is no page 2");
  }
  PageFile file;
  std::string reason;
  EXPECT_FALSE(file.OpenData({'a', 'b', 'c'}, "", reason));
  EXPECT_EQ(reason, "unsupported format: not a kind of picture this program reads");
  EXPECT_FALSE(file.OpenData({}, "", reason));
  EXPECT_EQ(reason, "the file is empty");
}

TEST(PageFile, EveryPageOfATiffFileInOrder) {
  ScratchDir dir;
  const platform::Bitmap pages[] = {PatternPicture(16, 8, 1), PatternPicture(9, 5, 24), PatternPicture(7, 7, 8)};
  std::string names;
  for (int i = 0; i < 3; ++i) {
    const std::string name = dir.Path(std::to_string(i) + ".bmp");
    ASSERT_TRUE(formats::WriteBmpFile(name, pages[i]));
    names += name + " ";
  }
  ASSERT_TRUE(GmConvert(names + "-adjoin " + dir.Path("all.tif")));
  // Named for what it is, and misnamed: the content leads to the same pages.
  for (const char* name : {"all.tif", "all.png"}) {
    if (std::string(name) == "all.png") formatstest::WriteBytes(dir.Path(name), ReadBytes(dir.Path("all.tif")));
    PageFile file;
    std::string reason;
    ASSERT_TRUE(file.Open(dir.Path(name), reason)) << reason;
    EXPECT_EQ(file.PageCount(), 3);
    EXPECT_EQ(file.Format(), ".tif");
    for (int i = 0; i < 3; ++i) {
      platform::Bitmap page;
      ASSERT_TRUE(file.ReadPage(i, page, reason)) << i << ": " << reason;
      EXPECT_EQ(MaxColourDifference(page, pages[i]), 0) << name << " page " << i;
    }
  }
}

TEST(PageFile, PdfPagesAtTheResolutionAsked) {
  ScratchDir dir;
  platform::Bitmap picture(100, 50, 1);
  ASSERT_TRUE(formats::WriteBmpFile(dir.Path("p.bmp"), picture));
  ASSERT_TRUE(GmConvert("-density 100 -units PixelsPerInch " + dir.Path("p.bmp") + " " + dir.Path("p.bmp") +
                        " -adjoin " + dir.Path("two.pdf")));
  PageFile file;
  std::string reason;
  ASSERT_TRUE(file.Open(dir.Path("two.pdf"), reason, 200)) << reason;
  EXPECT_EQ(file.PageCount(), 2);
  for (int index = 0; index < 2; ++index) {
    platform::Bitmap page;
    ASSERT_TRUE(file.ReadPage(index, page, reason)) << reason;
    EXPECT_EQ(page.Width(), 200) << index;
    EXPECT_EQ(page.Height(), 100) << index;
  }
}

}  // namespace
}  // namespace input
