// Page-image writers: TIFF (little-endian, LZW strips), JPEG (quality 90,
// baseline, three components) and BMP, chosen by extension, each read back;
// a failed write leaves the old file in place.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>

#include "formats/BmpCodec.h"
#include "formats/JpegCodec.h"
#include "formats/PageWriters.h"
#include "formats/PictureReader.h"
#include "formats/TiffWriter.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

using formatstest::MaxColourDifference;
using formatstest::PatternPicture;
using formatstest::ReadBytes;
using formatstest::ScratchDir;

struct TiffTags {
  bool Opened = false;
  uint16_t Compression = 0, Photometric = 0, BitsPerSample = 0, Samples = 0;
};

TiffTags ReadTags(const std::string& path) {
  TiffTags tags;
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (!tiff) return tags;
  tags.Opened = true;
  TIFFGetField(tiff, TIFFTAG_COMPRESSION, &tags.Compression);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &tags.Photometric);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &tags.BitsPerSample);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &tags.Samples);
  TIFFClose(tiff);
  return tags;
}

platform::Bitmap ReadBack(const std::string& path) {
  platform::Bitmap picture;
  EXPECT_TRUE(ReadPictureFile(path, picture)) << path;
  return picture;
}

TEST(TiffWriter, WritesLittleEndianLzwAndReadsBackExactly) {
  ScratchDir dir;
  struct Case {
    uint16_t Bits;
    uint16_t Photometric;
    uint16_t Samples;
  };
  for (const Case c : {Case{1, PHOTOMETRIC_MINISWHITE, 1}, Case{8, PHOTOMETRIC_MINISBLACK, 1},
                       Case{24, PHOTOMETRIC_RGB, 3}}) {
    const platform::Bitmap picture = PatternPicture(37, 23, c.Bits);
    const std::string path = dir.Path("page" + std::to_string(c.Bits) + ".tif");
    ASSERT_TRUE(SavePageImage(path, picture));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 'I');
    EXPECT_EQ(bytes[1], 'I');
    const TiffTags tags = ReadTags(path);
    ASSERT_TRUE(tags.Opened);
    EXPECT_EQ(tags.Compression, COMPRESSION_LZW);
    EXPECT_EQ(tags.Photometric, c.Photometric);
    EXPECT_EQ(tags.Samples, c.Samples);
    const platform::Bitmap back = ReadBack(path);
    EXPECT_EQ(back.BitCount(), c.Bits);
    EXPECT_EQ(MaxColourDifference(picture, back), 0) << c.Bits;
  }
}

TEST(TiffWriter, KeepsPalettesAndInvertedBilevelPages) {
  ScratchDir dir;
  platform::Bitmap inverted = PatternPicture(20, 9, 1);
  std::swap(inverted.Palette()[0], inverted.Palette()[1]);  // entry 0 black
  ASSERT_TRUE(WriteTiffFile(dir.Path("inv.tif"), inverted));
  EXPECT_EQ(ReadTags(dir.Path("inv.tif")).Photometric, PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(MaxColourDifference(inverted, ReadBack(dir.Path("inv.tif"))), 0);

  platform::Bitmap coloured = PatternPicture(16, 8, 8);
  for (size_t i = 0; i < 256; ++i) coloured.Palette()[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
  ASSERT_TRUE(WriteTiffFile(dir.Path("pal.tif"), coloured));
  EXPECT_EQ(ReadTags(dir.Path("pal.tif")).Photometric, PHOTOMETRIC_PALETTE);
  EXPECT_EQ(MaxColourDifference(coloured, ReadBack(dir.Path("pal.tif"))), 0);
}

TEST(JpegWriter, WritesBaselineColourAtQuality90) {
  ScratchDir dir;
  for (const uint16_t bits : {uint16_t{1}, uint16_t{8}, uint16_t{24}}) {
    const platform::Bitmap picture = PatternPicture(48, 32, bits);
    for (const char* name : {"page.jpg", "page.JPEG"}) {
      const std::string path = dir.Path(name);
      ASSERT_TRUE(SavePageImage(path, picture));
      const std::vector<uint8_t> bytes = ReadBytes(path);
      // Start of frame: baseline (C0), three components; no progressive frame.
      bool baseline = false, progressive = false;
      for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] != 0xFF) continue;
        if (bytes[i + 1] == 0xC0) baseline = bytes[i + 9] == 3;
        if (bytes[i + 1] == 0xC2) progressive = true;
      }
      EXPECT_TRUE(baseline);
      EXPECT_FALSE(progressive);
      platform::Bitmap back;
      ASSERT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), back));
      EXPECT_EQ(back.BitCount(), 24);
      EXPECT_EQ(back.Width(), 48);
      EXPECT_EQ(back.Height(), 32);
    }
  }
  // Quality 90 on smooth colour stays close to the original.
  const platform::Bitmap smooth = PatternPicture(64, 64, 24);
  platform::Bitmap flat(64, 64, 24);
  for (int32_t y = 0; y < 64; ++y) std::copy(smooth.Row(y), smooth.Row(y) + 64 * 3, flat.Row(y));
  for (int32_t y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) flat.Row(y)[3 * x + 2] = 128;
  ASSERT_TRUE(WriteJpegFile(dir.Path("q.jpg"), flat));
  EXPECT_LE(MaxColourDifference(flat, ReadBack(dir.Path("q.jpg"))), 16);
}

TEST(BmpWriter, OtherExtensionsWriteWindowsBitmaps) {
  ScratchDir dir;
  const platform::Bitmap picture = PatternPicture(30, 10, 24);
  for (const char* name : {"a.bmp", "a.doc", "noextension"}) {
    ASSERT_TRUE(SavePageImage(dir.Path(name), picture));
    const std::vector<uint8_t> bytes = ReadBytes(dir.Path(name));
    platform::Bitmap back;
    ASSERT_TRUE(formats::DecodeBmp(bytes.data(), bytes.size(), back)) << name;
    EXPECT_EQ(MaxColourDifference(picture, back), 0);
  }
}

TEST(PageWriters, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  ScratchDir dir;
  const platform::Bitmap picture = PatternPicture(12, 12, 1);
  for (const char* name : {"old.tif", "old.jpg", "old.bmp"}) {
    const std::string path = dir.Path(name);
    ASSERT_TRUE(SavePageImage(path, picture));
    const std::vector<uint8_t> before = ReadBytes(path);
    EXPECT_FALSE(SavePageImage(path, platform::Bitmap()));
    EXPECT_EQ(ReadBytes(path), before) << name;
  }
  EXPECT_FALSE(SavePageImage(dir.Path("missing/x.tif"), picture));
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path(""))) ++files;
  EXPECT_EQ(files, 3u);
}

}  // namespace
}  // namespace formats
