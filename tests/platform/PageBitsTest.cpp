// Page pixel access, bitmap headers and bitmap copies.
#include <gtest/gtest.h>

#include "platform/PageBits.h"

namespace platform {
namespace {

TEST(PageBits, GetAndSetRoundTrip) {
  Bitmap page(20, 3, 1);
  for (size_t i = 0; i < page.Bits().size(); ++i) page.Bits()[i] = static_cast<uint8_t>(i * 37);
  int32_t size = -1, width = -1, rowBytes = -1, height = -1;
  std::vector<uint8_t> bits;
  ASSERT_TRUE(GetPageBits(page, size, width, bits, rowBytes, height));
  EXPECT_EQ(size, 12);
  EXPECT_EQ(width, 20);
  EXPECT_EQ(rowBytes, 4);
  EXPECT_EQ(height, 3);
  EXPECT_EQ(bits, page.Bits());
  for (auto& b : bits) b ^= 0xFF;
  ASSERT_TRUE(SetPageBits(page, bits));
  EXPECT_EQ(page.Bits(), bits);
}

TEST(PageBits, FailuresAnswerFalseAndChangeNothing) {
  Bitmap empty;
  int32_t size = 5, width = 0, rowBytes = 0, height = 0;
  std::vector<uint8_t> bits = {1, 2, 3};
  EXPECT_FALSE(GetPageBits(empty, size, width, bits, rowBytes, height));
  EXPECT_EQ(size, 0);
  EXPECT_TRUE(bits.empty());
  EXPECT_FALSE(SetPageBits(empty, std::vector<uint8_t>(16)));

  Bitmap page(8, 4, 8);
  const std::vector<uint8_t> before = page.Bits();
  EXPECT_FALSE(SetPageBits(page, std::vector<uint8_t>(3 * 8, 0xAA)));  // three rows of four
  EXPECT_EQ(page.Bits(), before);
}

TEST(PageBits, FillBitmapHeaderChoosesTheDepth) {
  const Bitmap colour(5, 3, 24);
  BitmapInfoHeader header;
  struct Case {
    int32_t Colours;
    uint16_t Bits;
    uint32_t Used, SizeImage;
  };
  for (const Case c : {Case{0, 24, 0, 3 * 16}, {2, 1, 0, 3 * 4}, {16, 4, 16, 3 * 4}, {17, 8, 17, 3 * 8}}) {
    ASSERT_TRUE(FillBitmapHeader(colour, header, c.Colours));
    EXPECT_EQ(header.BitCount, c.Bits) << c.Colours;
    EXPECT_EQ(header.ClrUsed, c.Used) << c.Colours;
    EXPECT_EQ(header.SizeImage, c.SizeImage) << c.Colours;
  }
  EXPECT_EQ(header.Height, -3);
  EXPECT_FALSE(FillBitmapHeader(Bitmap(), header, 0));
}

}  // namespace
}  // namespace platform
