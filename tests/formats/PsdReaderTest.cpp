// The PSD/PDD composite reader on files built here: every supported colour
// mode and depth, raw and PackBits data, and truncated or lying files.
#include <gtest/gtest.h>


#include "formats/PictureReader.h"
#include "formats/PsdReader.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// PackBits encoding of one row: literal runs only, at most 128 bytes each,
// except runs of a repeated byte, which are packed.
std::vector<uint8_t> PackRow(const std::vector<uint8_t>& row) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < row.size()) {
    size_t run = 1;
    while (i + run < row.size() && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
      out.push_back(row[i]);
    } else {
      const size_t n = std::min<size_t>(128, row.size() - i);
      out.push_back(static_cast<uint8_t>(n - 1));
      out.insert(out.end(), row.begin() + i, row.begin() + i + n);
      run = n;
    }
    i += run;
  }
  return out;
}

struct PsdSpec {
  uint16_t Mode = 3;
  uint16_t Depth = 8;
  uint16_t Channels = 3;
  uint32_t Width = 5;
  uint32_t Height = 3;
  bool Packed = false;
  int Version = 1;
  std::vector<uint8_t> ColourData;
  // Rows of each channel, channel after channel, in the file's depth.
  std::vector<std::vector<uint8_t>> Rows;
};

std::vector<uint8_t> BuildPsd(const PsdSpec& s) {
  std::vector<uint8_t> out = {'8', 'B', 'P', 'S'};
  Put(out, s.Version, 2);
  Put(out, 0, 6);
  Put(out, s.Channels, 2);
  Put(out, s.Height, 4);
  Put(out, s.Width, 4);
  Put(out, s.Depth, 2);
  Put(out, s.Mode, 2);
  Put(out, s.ColourData.size(), 4);
  out.insert(out.end(), s.ColourData.begin(), s.ColourData.end());
  Put(out, 0, 4);                       // image resources
  Put(out, 0, s.Version == 2 ? 8 : 4);  // layers
  Put(out, s.Packed ? 1 : 0, 2);
  if (!s.Packed) {
    for (const auto& row : s.Rows) out.insert(out.end(), row.begin(), row.end());
    return out;
  }
  std::vector<std::vector<uint8_t>> packed;
  for (const auto& row : s.Rows) packed.push_back(PackRow(row));
  for (const auto& row : packed) Put(out, row.size(), s.Version == 2 ? 4 : 2);
  for (const auto& row : packed) out.insert(out.end(), row.begin(), row.end());
  return out;
}

// Channel c of row y of a 5 × 3 test picture, 8 bits.
uint8_t Level(int c, int y, int x) {
  return static_cast<uint8_t>(c * 80 + y * 20 + x * 7);
}

PsdSpec RgbSpec(uint16_t depth) {
  PsdSpec s;
  s.Depth = depth;
  for (int c = 0; c < 3; ++c) {
    for (int y = 0; y < 3; ++y) {
      std::vector<uint8_t> row;
      for (int x = 0; x < 5; ++x) {
        row.push_back(Level(c, y, x));
        if (depth == 16) row.push_back(0x55);
      }
      s.Rows.push_back(row);
    }
  }
  return s;
}

void ExpectRgbPicture(const platform::Bitmap& picture) {
  ASSERT_EQ(picture.BitCount(), 24);
  ASSERT_EQ(picture.Width(), 5);
  ASSERT_EQ(picture.Height(), 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(picture.Row(y)[3 * x + 2], Level(0, y, x));
      EXPECT_EQ(picture.Row(y)[3 * x + 1], Level(1, y, x));
      EXPECT_EQ(picture.Row(y)[3 * x], Level(2, y, x));
    }
  }
}

TEST(PsdReader, RgbRawPackedSixteenBitAndLargeDocument) {
  for (const uint16_t depth : {uint16_t{8}, uint16_t{16}}) {
    for (const bool packed : {false, true}) {
      for (const int version : {1, 2}) {
        PsdSpec spec = RgbSpec(depth);
        spec.Packed = packed;
        spec.Version = version;
        const std::vector<uint8_t> file = BuildPsd(spec);
        platform::Bitmap picture;
        std::string error;
        ASSERT_TRUE(DecodePsd(file.data(), file.size(), picture, &error)) << error;
        ExpectRgbPicture(picture);
      }
    }
  }
}

TEST(PsdReader, BitmapGreyIndexedAndCmykModes) {
  PsdSpec bitmap;
  bitmap.Mode = 0;
  bitmap.Depth = 1;
  bitmap.Channels = 1;
  bitmap.Width = 10;
  bitmap.Height = 2;
  bitmap.Rows = {{0xC0, 0x40}, {0x00, 0x80}};
  std::vector<uint8_t> file = BuildPsd(bitmap);
  platform::Bitmap picture;
  ASSERT_TRUE(DecodePsd(file.data(), file.size(), picture));
  ASSERT_EQ(picture.BitCount(), 1);
  EXPECT_EQ(picture.Palette()[0].Red, 255);  // 1 is ink
  EXPECT_EQ(picture.Row(0)[0], 0xC0);
  EXPECT_EQ(picture.Row(1)[1], 0x80);

  PsdSpec grey;
  grey.Mode = 1;
  grey.Channels = 2;  // grey and an extra alpha channel, which is ignored
  grey.Packed = true;
  for (int y = 0; y < 3; ++y) grey.Rows.push_back({1, 2, 3, 4, uint8_t(y)});
  for (int y = 0; y < 3; ++y) grey.Rows.push_back({9, 9, 9, 9, 9});
  file = BuildPsd(grey);
  ASSERT_TRUE(DecodePsd(file.data(), file.size(), picture));
  ASSERT_EQ(picture.BitCount(), 8);
  EXPECT_EQ(picture.Row(2)[4], 2);
  EXPECT_EQ(picture.Palette()[200].Red, 200);

  PsdSpec indexed = grey;
  indexed.Mode = 2;
  indexed.Channels = 1;
  indexed.Rows.resize(3);
  indexed.ColourData.assign(768, 0);
  indexed.ColourData[3] = 10;        // red of entry 3
  indexed.ColourData[256 + 3] = 20;  // green
  indexed.ColourData[512 + 3] = 30;  // blue
  file = BuildPsd(indexed);
  ASSERT_TRUE(DecodePsd(file.data(), file.size(), picture));
  EXPECT_EQ(picture.Row(0)[2], 3);
  EXPECT_EQ(picture.Palette()[3].Red, 10);
  EXPECT_EQ(picture.Palette()[3].Green, 20);
  EXPECT_EQ(picture.Palette()[3].Blue, 30);

  PsdSpec cmyk;
  cmyk.Mode = 4;
  cmyk.Channels = 4;
  cmyk.Width = 1;
  cmyk.Height = 1;
  cmyk.Rows = {{255}, {0}, {255}, {128}};  // stored inverted: no cyan, full magenta, no yellow, half black
  file = BuildPsd(cmyk);
  ASSERT_TRUE(DecodePsd(file.data(), file.size(), picture));
  EXPECT_EQ(picture.Row(0)[2], 128);
  EXPECT_EQ(picture.Row(0)[1], 0);
  EXPECT_EQ(picture.Row(0)[0], 128);
}

TEST(PsdReader, RefusesTruncatedAndLyingFiles) {
  PsdSpec spec = RgbSpec(8);
  spec.Packed = true;
  const std::vector<uint8_t> good = BuildPsd(spec);
  platform::Bitmap picture;
  for (size_t keep = 0; keep < good.size(); ++keep) {
    EXPECT_FALSE(DecodePsd(good.data(), keep, picture)) << keep;
  }
  // Headers claiming a huge picture, a bad depth, mode or compression.
  const auto refuse = [&](size_t offset, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> bad = good;
    std::copy(bytes.begin(), bytes.end(), bad.begin() + offset);
    EXPECT_FALSE(DecodePsd(bad.data(), bad.size(), picture)) << offset;
  };
  refuse(14, {0x00, 0x00, 0x75, 0x30});  // height 30000
  refuse(18, {0x7F, 0xFF, 0xFF, 0xFF});  // width
  refuse(22, {0x00, 0x07});              // depth 7
  refuse(24, {0x00, 0x09});              // Lab
  refuse(12, {0x00, 0x00});              // no channels
  refuse(38, {0x00, 0x02});              // ZIP compression
  refuse(40, {0x7F, 0xFF});              // row length beyond the data
  // The picture stays untouched by a failure.
  EXPECT_TRUE(picture.Empty());
}

TEST(PsdReader, PsdAndPddExtensionsReachTheReader) {
  formatstest::ScratchDir dir;
  const std::vector<uint8_t> file = BuildPsd(RgbSpec(8));
  for (const char* name : {"a.psd", "a.PDD"}) {
    formatstest::WriteBytes(dir.Path(name), file);
    platform::Bitmap picture;
    ASSERT_TRUE(ReadPictureFile(dir.Path(name), picture)) << name;
    ExpectRgbPicture(picture);
  }
}

}  // namespace
}  // namespace formats
