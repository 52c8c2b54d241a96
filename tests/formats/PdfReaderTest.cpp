// PDF pages: counted, drawn at the resolution asked for, refused when
// beyond the size limits, missing or damaged, with a reason each time.
#include <gtest/gtest.h>

#include "formats/BmpCodec.h"
#include "formats/PdfReader.h"
#include "formats/PictureReader.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

using formatstest::GmConvert;
using formatstest::ReadBytes;
using formatstest::ScratchDir;

// A PDF of pages of the given sizes in points, nothing drawn on them. No
// cross-reference table: the reader rebuilds one, as it does for files
// written carelessly.
std::vector<uint8_t> BlankPdf(const std::vector<std::pair<int, int>>& sizes) {
  std::string kids, pages;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string number = std::to_string(3 + i);
    kids += number + " 0 R ";
    pages += number + " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(sizes[i].first) +
             " " + std::to_string(sizes[i].second) + "] >> endobj\n";
  }
  const std::string pdf = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                          "2 0 obj << /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(sizes.size()) +
                          " >> endobj\n" + pages + "trailer << /Root 1 0 R >>\n%%EOF\n";
  return std::vector<uint8_t>(pdf.begin(), pdf.end());
}

TEST(PdfReader, PagesAreDrawnAtTheResolutionAsked) {
  const std::vector<uint8_t> pdf = BlankPdf({{72, 36}, {144, 72}});
  EXPECT_EQ(PdfPageCount(pdf.data(), pdf.size()), 2);
  EXPECT_EQ(PicturePageCount(pdf.data(), pdf.size(), ".pdf"), 2);
  platform::Bitmap page;
  std::string error;
  ASSERT_TRUE(DecodePdfPage(pdf.data(), pdf.size(), 0, 300, page, &error)) << error;
  EXPECT_EQ(page.Width(), 300);
  EXPECT_EQ(page.Height(), 150);
  EXPECT_EQ(page.BitCount(), 8);
  EXPECT_EQ(page.Row(75)[150], 255);  // white paper
  EXPECT_EQ(page.XPelsPerMeter, 11811);
  ASSERT_TRUE(DecodePicturePage(pdf.data(), pdf.size(), ".pdf", 1, 100, page, &error)) << error;
  EXPECT_EQ(page.Width(), 200);
  EXPECT_EQ(page.Height(), 100);
}

TEST(PdfReader, EveryRefusalHasItsReason) {
  platform::Bitmap page(3, 3, 8);
  std::string error;
  // 14400 points at 300 dots per inch: 60000 pixels a side.
  const std::vector<uint8_t> huge = BlankPdf({{14400, 14400}});
  EXPECT_FALSE(DecodePdfPage(huge.data(), huge.size(), 0, 300, page, &error));
  EXPECT_EQ(error, "the picture is 60000 x 60000 pixels; a side may have at most 30000");
  const std::vector<uint8_t> one = BlankPdf({{72, 72}});
  EXPECT_FALSE(DecodePdfPage(one.data(), one.size(), 1, 300, page, &error));
  EXPECT_EQ(error, "the PDF file has no such page");
  EXPECT_FALSE(DecodePdfPage(one.data(), one.size(), 0, 10, page, &error));
  const std::string text = "%PDF-1.4 and then nothing that makes sense";
  EXPECT_EQ(PdfPageCount(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &error), 0);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(page.Width(), 3);  // untouched by every failure
}

// A page written by another program, with a picture on it.
TEST(PdfReader, PictureOfAWrittenPageComesBack) {
  ScratchDir dir;
  platform::Bitmap picture(200, 100, 1);
  for (int32_t y = 20; y < 80; ++y) picture.Row(y)[5] = 0xFF;  // a black bar, x 40..47
  ASSERT_TRUE(WriteBmpFile(dir.Path("p.bmp"), picture));
  ASSERT_TRUE(GmConvert("-density 100 -units PixelsPerInch " + dir.Path("p.bmp") + " " + dir.Path("p.pdf")));
  const std::vector<uint8_t> pdf = ReadBytes(dir.Path("p.pdf"));
  platform::Bitmap page;
  std::string error;
  ASSERT_TRUE(DecodePicture(pdf.data(), pdf.size(), ".pdf", page, &error)) << error;
  EXPECT_EQ(page.Width(), 600);
  EXPECT_EQ(page.Height(), 300);
  EXPECT_LT(page.Row(150)[130], 64);   // inside the bar
  EXPECT_GT(page.Row(150)[300], 192);  // beside it
}

}  // namespace
}  // namespace formats
