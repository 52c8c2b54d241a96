// The direct PNG reader against the general reader: for every palette PNG it
// takes, the bitmap is the one GraphicsMagick makes of the same file, byte
// for byte (depth, palette, pixels, padding, resolution); everything else is
// declined and left to the general reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "formats/MagickReader.h"
#include "formats/PngReader.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

using formatstest::ReadBytes;
using formatstest::ScratchDir;

void ExpectSameBitmap(const platform::Bitmap& direct, const platform::Bitmap& general, const std::string& what) {
  EXPECT_EQ(direct.Width(), general.Width()) << what;
  EXPECT_EQ(direct.Height(), general.Height()) << what;
  EXPECT_EQ(direct.BitCount(), general.BitCount()) << what;
  ASSERT_EQ(direct.Palette().size(), general.Palette().size()) << what;
  for (size_t i = 0; i < direct.Palette().size(); ++i) {
    const platform::RgbQuad& a = direct.Palette()[i];
    const platform::RgbQuad& b = general.Palette()[i];
    EXPECT_TRUE(a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue && a.Reserved == b.Reserved)
        << what << " palette entry " << i;
  }
  EXPECT_TRUE(direct.Bits() == general.Bits()) << what;
  EXPECT_EQ(direct.XPelsPerMeter, general.XPelsPerMeter) << what;
  EXPECT_EQ(direct.YPelsPerMeter, general.YPelsPerMeter) << what;
}

// Decodes the file both ways; false when the direct reader declined it.
bool DecodeBothWays(const std::string& path, const std::string& what) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  platform::Bitmap direct, general;
  if (!DecodePlainPng(bytes.data(), bytes.size(), direct)) return false;
  EXPECT_TRUE(DecodeWithMagick(bytes.data(), bytes.size(), "PNG", general)) << what;
  ExpectSameBitmap(direct, general, what);
  return true;
}

TEST(PngReader, PalettePicturesDecodeAsTheGeneralReaderDecodesThem) {
  ScratchDir dir;
  std::mt19937 random(7);
  // Every palette depth, palettes shorter than the depth allows, widths that
  // end inside a byte.
  struct Case {
    int Width, Height, Depth, Entries;
  };
  for (const Case& c : {Case{13, 5, 1, 2}, Case{16, 3, 1, 1}, Case{9, 4, 2, 3}, Case{7, 2, 2, 4}, Case{11, 3, 4, 16},
                        Case{5, 5, 4, 9}, Case{6, 4, 8, 2}, Case{10, 3, 8, 12}, Case{12, 7, 8, 200}}) {
    const int rowBytes = (c.Width * c.Depth + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(c.Height), std::vector<uint8_t>(rowBytes));
    for (auto& row : rows) {
      for (int x = 0; x < rowBytes * 8 / c.Depth; ++x) {
        const int shift = 8 - c.Depth * (x % (8 / c.Depth) + 1);
        const int index = x < c.Width ? static_cast<int>(random() % static_cast<uint32_t>(c.Entries)) : 0;
        row[static_cast<size_t>(x * c.Depth / 8)] |= static_cast<uint8_t>(index << shift);
      }
      if (c.Width * c.Depth % 8 != 0) row.back() |= 1;  // padding bits are not pixels
    }
    std::vector<uint8_t> palette(static_cast<size_t>(3 * c.Entries));
    for (uint8_t& b : palette) b = static_cast<uint8_t>(random());
    const std::string what = "depth " + std::to_string(c.Depth) + ", " + std::to_string(c.Entries) + " entries";
    const std::string path = dir.Path(std::to_string(c.Depth * 1000 + c.Entries) + ".png");
    ASSERT_TRUE(formatstest::WritePng(path, c.Width, c.Height, c.Depth, 3, rows, palette));
    EXPECT_TRUE(DecodeBothWays(path, what)) << what;
  }
}

TEST(PngReader, DevelopmentPagesDecodeAsTheGeneralReaderDecodesThem) {
  const std::filesystem::path pages = std::string(PELLAR_SHARED_DIR) + "/dev-pages";
  if (!std::filesystem::exists(pages)) GTEST_SKIP() << "no pages in " << pages;
  int taken = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(pages)) {
    if (entry.path().extension() != ".png") continue;
    taken += DecodeBothWays(entry.path().string(), entry.path().filename().string()) ? 1 : 0;
  }
  EXPECT_GT(taken, 0);
}

TEST(PngReader, OtherPicturesAreDeclined) {
  ScratchDir dir;
  // An index past the palette: the general reader refuses the picture.
  ASSERT_TRUE(formatstest::WritePng(dir.Path("past.png"), 4, 1, 2, 3, {{0x1B}}, {0, 0, 0, 9, 9, 9, 80, 80, 80}));
  EXPECT_FALSE(DecodeBothWays(dir.Path("past.png"), "past"));
  platform::Bitmap general;
  const std::vector<uint8_t> past = ReadBytes(dir.Path("past.png"));
  EXPECT_FALSE(DecodeWithMagick(past.data(), past.size(), "PNG", general));

  ASSERT_TRUE(formatstest::WritePng(dir.Path("grey.png"), 4, 2, 8, 0, {{0, 80, 160, 255}, {1, 2, 3, 4}}));
  ASSERT_TRUE(formatstest::WritePng(dir.Path("rgb.png"), 1, 1, 8, 2, {{1, 2, 3}}));
  ASSERT_TRUE(formatstest::GmConvert("-size 5x4 xc:transparent " + dir.Path("clear.png")));
  for (const char* name : {"grey.png", "rgb.png", "clear.png"}) EXPECT_FALSE(DecodeBothWays(dir.Path(name), name));

  // Damaged data: cut short, or not a PNG at all.
  std::vector<uint8_t> bytes = ReadBytes(dir.Path("grey.png"));
  platform::Bitmap out;
  EXPECT_FALSE(DecodePlainPng(bytes.data(), bytes.size() - 20, out));
  EXPECT_FALSE(DecodePlainPng(bytes.data(), 4, out));
  const uint8_t text[] = "not a picture at all";
  EXPECT_FALSE(DecodePlainPng(text, sizeof text, out));
  EXPECT_EQ(out.Width(), 0);
}

}  // namespace
}  // namespace formats
