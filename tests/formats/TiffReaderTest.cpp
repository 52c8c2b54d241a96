// The TIFF reader: bilevel (uncompressed, LZW, group 3 and 4), grey, palette,
// colour, 16-bit and tiled pages come back as packed DIBs (and as Bitmaps
// from memory) of the right depth and content; multi-page files give their
// first page through QVLoadImg and any page from memory; failures give
// nothing.
#include <gtest/gtest.h>

#include "formats/BmpCodec.h"
#include "formats/TiffReader.h"
#include "input/ImageLoading.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

using formatstest::GmConvert;
using formatstest::MaxColourDifference;
using formatstest::PatternPicture;
using formatstest::ScratchDir;

// Runs QVLoadImg and turns its block into a Bitmap through the BMP image.
bool LoadThroughDib(const std::string& path, platform::Bitmap& out) {
  const platform::GlobalHandle handle = QVLoadImg(path.c_str());
  if (!handle) return false;
  std::vector<uint8_t> stream;
  if (!input::DibToBitmapStream(handle, stream)) return false;
  return DecodeBmp(stream.data(), stream.size(), out);
}

class TiffReader : public ::testing::Test {
 protected:
  std::string Make(const platform::Bitmap& picture, const std::string& name, const std::string& options) {
    EXPECT_TRUE(formats::WriteBmpFile(dir_.Path("src.bmp"), picture));
    EXPECT_TRUE(GmConvert(dir_.Path("src.bmp") + " " + options + " " + dir_.Path(name))) << options;
    return dir_.Path(name);
  }
  ScratchDir dir_;
};

TEST_F(TiffReader, EveryCommonLayoutKeepsItsPixels) {
  struct Case {
    uint16_t SourceBits;
    const char* Options;
    uint16_t DibBits;
  };
  const Case cases[] = {
      {1, "-monochrome -compress None", 1},
      {1, "-monochrome -compress LZW", 1},
      {1, "-monochrome -compress Group4", 1},
      {1, "-monochrome -compress Fax", 1},
      {8, "-colorspace gray -compress LZW", 8},
      {8, "-compress RLE -type Palette", 8},
      {24, "-compress LZW", 24},
      {24, "-compress Zip", 24},
      {24, "-compress None -define tiff:tile-geometry=16x16", 24},
      {1, "-monochrome -compress None -define tiff:tile-geometry=16x16", 1},
      {8, "-colorspace gray -depth 16", 8},
  };
  for (const Case& c : cases) {
    const platform::Bitmap picture = PatternPicture(45, 21, c.SourceBits);
    const std::string path = Make(picture, "page.tif", c.Options);
    platform::Bitmap loaded;
    ASSERT_TRUE(LoadThroughDib(path, loaded)) << c.Options;
    EXPECT_EQ(loaded.BitCount(), c.DibBits) << c.Options;
    EXPECT_EQ(MaxColourDifference(picture, loaded), 0) << c.Options;
    // The multi-format reader's TIFF entry decodes the same page alike.
    const std::vector<uint8_t> bytes = formatstest::ReadBytes(path);
    platform::Bitmap decoded;
    ASSERT_TRUE(DecodeTiff(bytes.data(), bytes.size(), decoded)) << c.Options;
    EXPECT_EQ(decoded.BitCount(), loaded.BitCount()) << c.Options;
    EXPECT_EQ(decoded.Bits(), loaded.Bits()) << c.Options;
  }
}

TEST_F(TiffReader, MultiPageFilesOpenTheirFirstPageAndEveryPageFromMemory) {
  const platform::Bitmap first = PatternPicture(32, 16, 1);
  const platform::Bitmap second(32, 16, 1);
  const platform::Bitmap third = PatternPicture(8, 40, 8);
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("1.bmp"), first));
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("2.bmp"), second));
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("3.bmp"), third));
  ASSERT_TRUE(GmConvert(dir_.Path("1.bmp") + " " + dir_.Path("2.bmp") + " " + dir_.Path("3.bmp") +
                        " -compress LZW " + dir_.Path("m.tif")));
  platform::Bitmap loaded;
  ASSERT_TRUE(LoadThroughDib(dir_.Path("m.tif"), loaded));
  EXPECT_EQ(MaxColourDifference(first, loaded), 0);

  const std::vector<uint8_t> bytes = formatstest::ReadBytes(dir_.Path("m.tif"));
  EXPECT_EQ(TiffPageCount(bytes.data(), bytes.size()), 3);
  const platform::Bitmap* expected[] = {&first, &second, &third};
  for (int page = 0; page < 3; ++page) {
    std::string error;
    ASSERT_TRUE(DecodeTiff(bytes.data(), bytes.size(), loaded, &error, page)) << page << ": " << error;
    EXPECT_EQ(MaxColourDifference(*expected[page], loaded), 0) << page;
  }
  std::string error;
  EXPECT_FALSE(DecodeTiff(bytes.data(), bytes.size(), loaded, &error, 3));
  EXPECT_EQ(error, "the TIFF file has no such page");
  EXPECT_EQ(TiffPageCount(bytes.data(), 100), 0);
}

TEST_F(TiffReader, FailuresGiveNoBlock) {
  EXPECT_EQ(QVLoadImg(nullptr), 0u);
  EXPECT_EQ(QVLoadImg(dir_.Path("missing.tif").c_str()), 0u);
  const std::string good = Make(PatternPicture(64, 64, 24), "cut.tif", "-compress LZW");
  const std::vector<uint8_t> bytes = formatstest::ReadBytes(good);
  for (const size_t keep : {size_t{0}, size_t{8}, bytes.size() / 3}) {
    formatstest::WriteBytes(good, std::vector<uint8_t>(bytes.begin(), bytes.begin() + keep));
    EXPECT_EQ(QVLoadImg(good.c_str()), 0u) << keep;
    platform::Bitmap untouched(3, 3, 8);
    EXPECT_FALSE(DecodeTiff(bytes.data(), keep, untouched)) << keep;
    EXPECT_EQ(untouched.Width(), 3) << keep;
  }
}

}  // namespace
}  // namespace formats
