// The multi-format reader: files of every format GraphicsMagick can write,
// made here from known pictures, decode to the same colours and to the
// depth their kind calls for; refused formats, damaged and hostile files
// fail cleanly.
#include <gtest/gtest.h>

#include "formats/BmpCodec.h"
#include "formats/PictureReader.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

using formatstest::GmConvert;
using formatstest::MaxColourDifference;
using formatstest::PatternPicture;
using formatstest::ReadBytes;
using formatstest::ScratchDir;
using formatstest::WriteBytes;

class Readers : public ::testing::Test {
 protected:
  // Writes the picture as BMP and converts it with `gm convert OPTIONS` to `name`.
  std::string Make(const platform::Bitmap& picture, const std::string& name,
                   const std::string& options = "") {
    const std::string source = dir_.Path("source.bmp");
    EXPECT_TRUE(formats::WriteBmpFile(source, picture));
    const std::string target = dir_.Path(name);
    EXPECT_TRUE(GmConvert(source + " " + options + " " + target)) << name;
    return target;
  }
  // As Make, with the gm format prefix given separately (for extensions gm
  // does not know).
  std::string MakeAs(const platform::Bitmap& picture, const std::string& coder, const std::string& name,
                     const std::string& options = "") {
    const std::string target = Make(picture, "tmp." + coder, options);
    std::rename(target.c_str(), dir_.Path(name).c_str());
    return dir_.Path(name);
  }
  ScratchDir dir_;
};

struct Expectation {
  const char* Name;
  const char* Coder;  // nullptr: the extension is gm's own
  const char* Options;
  uint16_t SourceBits;
  uint16_t ExpectedBits;
};

TEST_F(Readers, DecodeEveryWritableFormatLosslessly) {
  const Expectation cases[] = {
      {"c.png", nullptr, "", 24, 24},
      {"g.png", nullptr, "-colorspace gray", 8, 8},
      {"lzw.tiff", nullptr, "-compress LZW", 24, 24},
      {"g4.tiff", nullptr, "-monochrome -compress Group4", 1, 1},
      {"g3.tiff", nullptr, "-monochrome -compress Fax", 1, 1},
      {"a.gif", nullptr, "", 8, 8},
      {"a.pcx", nullptr, "", 24, 24},
      {"a.pcc", "pcx", "", 24, 24},
      {"a.tga", nullptr, "", 24, 24},
      {"a.win", "tga", "", 24, 24},
      {"a.vst", "tga", "", 24, 24},
      {"a.ppm", nullptr, "", 24, 24},
      {"a.pgm", nullptr, "", 8, 8},
      {"a.pbm", nullptr, "", 1, 1},
      {"a.sgi", nullptr, "", 24, 24},
      {"a.rgb", "sgi", "", 24, 24},
      {"a.bw", "sgi", "-colorspace gray", 8, 8},
      {"a.bmp", nullptr, "", 24, 24},
      {"a.dib", "bmp", "", 8, 8},
  };
  for (const Expectation& c : cases) {
    const platform::Bitmap picture = PatternPicture(29, 17, c.SourceBits);
    const std::string path =
        c.Coder ? MakeAs(picture, c.Coder, c.Name, c.Options) : Make(picture, c.Name, c.Options);
    platform::Bitmap decoded;
    std::string error;
    ASSERT_TRUE(ReadPictureFile(path, decoded, &error)) << c.Name << ": " << error;
    EXPECT_EQ(decoded.BitCount(), c.ExpectedBits) << c.Name;
    EXPECT_EQ(MaxColourDifference(picture, decoded), 0) << c.Name;
  }
}

TEST_F(Readers, OneBitPicturesKeepTheirPaletteOrder) {
  // A palette PNG whose entry 0 is white, and a grey one (0 is black).
  platform::Bitmap decoded;
  ASSERT_TRUE(formatstest::WritePng(dir_.Path("pal.png"), 10, 2, 1, 3, {{0x0F, 0x40}, {0xF0, 0x80}},
                                    {255, 255, 255, 0, 0, 0}));
  ASSERT_TRUE(ReadPictureFile(dir_.Path("pal.png"), decoded));
  ASSERT_EQ(decoded.BitCount(), 1);
  ASSERT_EQ(decoded.Palette().size(), 2u);
  EXPECT_EQ(decoded.Palette()[0].Red, 255);
  EXPECT_EQ(decoded.Palette()[1].Red, 0);
  EXPECT_EQ(decoded.Row(0)[0], 0x0F);
  EXPECT_EQ(decoded.Row(1)[1] & 0xC0, 0x80);

  const platform::Bitmap page = PatternPicture(40, 20, 1);
  ASSERT_TRUE(ReadPictureFile(Make(page, "grey.png", "-monochrome"), decoded));
  EXPECT_EQ(decoded.BitCount(), 1);
  EXPECT_EQ(MaxColourDifference(page, decoded), 0);
}

TEST_F(Readers, PaletteAndTransparentPictures) {
  // Four colours at 2 bits a pixel become a 4-bit picture with that palette.
  platform::Bitmap decoded;
  ASSERT_TRUE(formatstest::WritePng(dir_.Path("four.png"), 4, 1, 2, 3, {{0x1B}},
                                    {255, 0, 0, 0, 255, 0, 0, 0, 255, 16, 16, 16}));
  ASSERT_TRUE(ReadPictureFile(dir_.Path("four.png"), decoded));
  ASSERT_EQ(decoded.BitCount(), 4);
  std::vector<uint8_t> rgb(12);
  formats::RowToRgb(decoded, 0, rgb.data());
  EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 16, 16, 16}));

  // A fully transparent picture is a white page.
  ASSERT_TRUE(GmConvert("-size 5x4 xc:transparent " + dir_.Path("clear.png")));
  ASSERT_TRUE(ReadPictureFile(dir_.Path("clear.png"), decoded));
  rgb.resize(15);
  formats::RowToRgb(decoded, 2, rgb.data());
  EXPECT_EQ(rgb, std::vector<uint8_t>(15, 255));
}

TEST_F(Readers, CmykTiffBecomesRgb) {
  // gm's own separation is lossy; compare with its own way back to RGB.
  const std::string cmyk = Make(PatternPicture(10, 6, 24), "cmyk.tiff", "-colorspace CMYK -compress LZW");
  ASSERT_TRUE(GmConvert(cmyk + " -colorspace RGB " + dir_.Path("back.ppm")));
  platform::Bitmap decoded, expected;
  ASSERT_TRUE(ReadPictureFile(cmyk, decoded));
  ASSERT_TRUE(ReadPictureFile(dir_.Path("back.ppm"), expected));
  EXPECT_EQ(decoded.BitCount(), 24);
  EXPECT_LE(MaxColourDifference(expected, decoded), 1);
}

TEST_F(Readers, FirstFrameOfAMultiPageFile) {
  const platform::Bitmap first = PatternPicture(16, 16, 1);
  platform::Bitmap second(16, 16, 1);
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("1.bmp"), first));
  ASSERT_TRUE(formats::WriteBmpFile(dir_.Path("2.bmp"), second));
  ASSERT_TRUE(GmConvert(dir_.Path("1.bmp") + " " + dir_.Path("2.bmp") + " -compress Group4 " +
                        dir_.Path("two.tiff")));
  platform::Bitmap decoded;
  ASSERT_TRUE(ReadPictureFile(dir_.Path("two.tiff"), decoded));
  EXPECT_EQ(MaxColourDifference(first, decoded), 0);
}

TEST_F(Readers, ChoosesTheDecoderByExtensionOnly) {
  const std::string png = Make(PatternPicture(8, 8, 24), "real.png");
  const std::vector<uint8_t> bytes = ReadBytes(png);
  platform::Bitmap decoded;
  for (const char* name : {"x.tga", "x.pcx", "x.sgi", "x.psd", "x.jpeg", "x.bmp"}) {
    WriteBytes(dir_.Path(name), bytes);
    EXPECT_FALSE(ReadPictureFile(dir_.Path(name), decoded)) << name;
  }
  // Formats no decoder here reads, and unknown extensions.
  for (const char* name : {"x.psp", "x.pic", "x.cel", "x.scr", "x.xyz", "noextension"}) {
    WriteBytes(dir_.Path(name), bytes);
    EXPECT_FALSE(ReadPictureFile(dir_.Path(name), decoded)) << name;
  }
  std::rename(png.c_str(), dir_.Path("REAL.PNG").c_str());
  EXPECT_TRUE(ReadPictureFile(dir_.Path("REAL.PNG"), decoded));
}

TEST_F(Readers, DamagedFilesFail) {
  const platform::Bitmap picture = PatternPicture(64, 48, 24);
  const char* names[] = {"d.png", "d.tiff", "d.gif", "d.pcx", "d.tga", "d.ppm", "d.sgi", "d.jpeg", "d.bmp"};
  for (const char* name : names) {
    const std::vector<uint8_t> good = ReadBytes(Make(picture, name, "-compress None"));
    ASSERT_GT(good.size(), 100u) << name;
    platform::Bitmap decoded;
    for (const size_t keep : {size_t{0}, size_t{10}, good.size() / 2}) {
      WriteBytes(dir_.Path(name), std::vector<uint8_t>(good.begin(), good.begin() + keep));
      EXPECT_FALSE(ReadPictureFile(dir_.Path(name), decoded)) << name << " cut to " << keep;
    }
  }
}

TEST_F(Readers, HugeClaimsAreRefusedWithoutAllocating) {
  // A PPM header promising 100000 × 100000 pixels.
  const std::string header = "P6\n100000 100000\n255\n";
  WriteBytes(dir_.Path("huge.ppm"), std::vector<uint8_t>(header.begin(), header.end()));
  platform::Bitmap decoded;
  EXPECT_FALSE(ReadPictureFile(dir_.Path("huge.ppm"), decoded));
  // 20000 × 20000 is within the side limit but beyond the pixel limit.
  const std::string big = "P5\n20000 20000\n255\n";
  WriteBytes(dir_.Path("big.pgm"), std::vector<uint8_t>(big.begin(), big.end()));
  EXPECT_FALSE(ReadPictureFile(dir_.Path("big.pgm"), decoded));
}

// The PNG decoder keeps every pixel in its own cache besides the page: a
// PNG of a few bytes declaring 10000 × 10000 colour pixels is refused by its
// header, with the reason, before any of it is decoded.
TEST_F(Readers, PngBombIsRefusedByItsHeader) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, std::vector<uint8_t> data) {
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(data.size() >> shift));
    png.insert(png.end(), body.begin(), body.end());
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t byte : body) {
      crc ^= byte;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    crc ^= 0xFFFFFFFF;
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(crc >> shift));
  };
  chunk("IHDR", {0, 0, 0x27, 0x10, 0, 0, 0x27, 0x10, 8, 2, 0, 0, 0});  // 10000 × 10000, 8-bit RGB
  chunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});     // an empty zlib stream
  chunk("IEND", {});
  platform::Bitmap decoded;
  std::string error;
  EXPECT_FALSE(DecodePicture(png.data(), png.size(), ".png", decoded, &error));
  EXPECT_NE(error.find("10000 x 10000"), std::string::npos) << error;
}

}  // namespace
}  // namespace formats
