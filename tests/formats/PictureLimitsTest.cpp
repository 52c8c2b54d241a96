// The size caps of the readers: real pages up to an A4 colour scan at 600
// dots per inch pass, with the memory a decoder keeps besides; claims beyond
// a side, the pixel count or the memory budget are refused with the reason.
#include <gtest/gtest.h>

#include "formats/PictureLimits.h"

namespace formats {
namespace {

TEST(PictureLimits, RealPagesPassAndClaimsBeyondTheCapsAreRefused) {
  constexpr int64_t kA4Width = 4961, kA4Height = 7016;  // at 600 dots per inch
  EXPECT_TRUE(PictureSizeAllowed(kA4Width, kA4Height, 24));
  EXPECT_TRUE(PictureSizeAllowed(kA4Width, kA4Height, 24, nullptr, 8));  // GraphicsMagick's cache
  EXPECT_TRUE(PictureSizeAllowed(16384, 16384, 1));                      // 256 megapixels

  std::string why;
  EXPECT_FALSE(PictureSizeAllowed(0, 10, 1, &why));
  EXPECT_FALSE(PictureSizeAllowed(30001, 10, 1, &why));
  EXPECT_EQ(why, "the picture is 30001 x 10 pixels; a side may have at most 30000");
  EXPECT_FALSE(PictureSizeAllowed(16384, 16385, 1, &why));
  EXPECT_EQ(why, "the picture is 16384 x 16385 pixels; at most 256 megapixels are read");
  // 10000 × 10000 in colour fits our own readers, not GraphicsMagick's cache.
  EXPECT_TRUE(PictureSizeAllowed(10000, 10000, 24));
  EXPECT_FALSE(PictureSizeAllowed(10000, 10000, 24, &why, 8));
  EXPECT_EQ(why, "the picture is 10000 x 10000 pixels and would need 1180 MB; at most 512 MB are used");
}

}  // namespace
}  // namespace formats
