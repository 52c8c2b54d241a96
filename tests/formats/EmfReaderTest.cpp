// Enhanced metafiles are rendered into a page bitmap at 300 dots per inch;
// anything that is not a metafile is refused before the converter sees it.
#include <gtest/gtest.h>

#include "formats/PictureReader.h"
#include "formats/PixelRows.h"

namespace formats {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 100 × 50 pixel metafile (at 96 dpi) with a black rectangle at 10..60, 10..40.
std::vector<uint8_t> RectangleMetafile() {
  std::vector<uint8_t> emf;
  const uint32_t total = 88 + 12 + 24 + 20;
  for (const uint32_t v :
       {1u, 88u, 0u, 0u, 99u, 49u, 0u, 0u, 2645u, 1322u, 0x464D4520u, 0x10000u, total, 4u}) {
    Put32(emf, v);
  }
  Put32(emf, 1);  // one handle, reserved 0
  for (const uint32_t v : {0u, 0u, 0u, 1024u, 768u, 271u, 203u}) Put32(emf, v);
  for (const uint32_t v : {37u, 12u, 0x80000004u}) Put32(emf, v);         // select the black stock brush
  for (const uint32_t v : {43u, 24u, 10u, 10u, 60u, 40u}) Put32(emf, v);  // rectangle
  for (const uint32_t v : {14u, 20u, 0u, 16u, 20u}) Put32(emf, v);        // end of file
  return emf;
}

TEST(Metafiles, EmfBecomesAPageBitmapWithInk) {
  const std::vector<uint8_t> emf = RectangleMetafile();
  platform::Bitmap page;
  std::string error;
  ASSERT_TRUE(DecodePicture(emf.data(), emf.size(), ".emf", page, &error)) << error;
  EXPECT_GT(page.Width(), 100);  // rendered above the metafile's own 96 dpi
  EXPECT_GT(page.Height(), 50);
  std::vector<uint8_t> rgb(static_cast<size_t>(page.Width()) * 3);
  int dark = 0, light = 0;
  for (int32_t y = 0; y < page.Height(); ++y) {
    RowToRgb(page, y, rgb.data());
    for (int32_t x = 0; x < page.Width(); ++x) (rgb[3 * x] < 64 ? dark : light)++;
  }
  EXPECT_GT(dark, 0);
  EXPECT_GT(light, dark / 4);
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// A placeable Windows metafile one inch by half an inch with a rectangle.
std::vector<uint8_t> RectangleWindowsMetafile() {
  const std::vector<uint16_t> placeable = {0xCDD7, 0x9AC6, 0, 0, 0, 1440, 720, 1440, 0, 0};
  std::vector<uint8_t> wmf;
  uint16_t checksum = 0;
  for (const uint16_t v : placeable) {
    Put16(wmf, v);
    checksum ^= v;
  }
  Put16(wmf, checksum);
  const std::vector<uint16_t> records = {5, 0, 0x020C, 720, 1440,            // window extent
                                         5, 0, 0x020B, 0,   0,               // window origin
                                         7, 0, 0x041B, 600, 1200, 100, 100,  // rectangle
                                         3, 0, 0};                           // end
  for (const uint16_t v : {uint16_t{1}, uint16_t{9}, uint16_t{0x300}}) Put16(wmf, v);
  Put32(wmf, 9 + static_cast<uint32_t>(records.size()));
  Put16(wmf, 0);
  Put32(wmf, 7);
  Put16(wmf, 0);
  for (const uint16_t v : records) Put16(wmf, v);
  return wmf;
}

TEST(Metafiles, WmfIsRenderedAt300Dpi) {
  const std::vector<uint8_t> wmf = RectangleWindowsMetafile();
  platform::Bitmap page;
  std::string error;
  ASSERT_TRUE(DecodePicture(wmf.data(), wmf.size(), ".wmf", page, &error)) << error;
  EXPECT_EQ(page.Width(), 300);
  EXPECT_EQ(page.Height(), 150);
  EXPECT_EQ(page.XPelsPerMeter, 11811);
}

TEST(Metafiles, NonMetafilesAndTruncatedMetafilesAreRefused) {
  std::vector<uint8_t> emf = RectangleMetafile();
  platform::Bitmap page;
  for (const size_t keep : {size_t{0}, size_t{40}, size_t{87}}) {
    EXPECT_FALSE(DecodePicture(emf.data(), keep, ".emf", page)) << keep;
  }
  emf[40] = 'X';  // signature
  EXPECT_FALSE(DecodePicture(emf.data(), emf.size(), ".emf", page));
  const std::string text = "not a windows metafile at all";
  EXPECT_FALSE(DecodePicture(reinterpret_cast<const uint8_t*>(text.data()), text.size(), ".wmf", page));
  EXPECT_TRUE(page.Empty());
}

}  // namespace
}  // namespace formats
