// Formats told by their first bytes: every signature the loader falls back
// on, from files GraphicsMagick writes, and data that shows none.
#include <gtest/gtest.h>

#include "formats/BmpCodec.h"
#include "formats/FormatSignature.h"
#include "support/FormatsFixtures.h"

namespace formats {
namespace {

using formatstest::GmConvert;
using formatstest::PatternPicture;
using formatstest::ReadBytes;
using formatstest::ScratchDir;

TEST(FormatSignature, FilesOfEachFormatAreKnownByTheirFirstBytes) {
  ScratchDir dir;
  ASSERT_TRUE(WriteBmpFile(dir.Path("src.bmp"), PatternPicture(16, 8, 24)));
  const struct {
    const char* Name;
    const char* Format;
  } cases[] = {{"a.png", ".png"}, {"a.jpg", ".jpg"}, {"a.tif", ".tif"}, {"a.gif", ".gif"},
               {"a.pdf", ".pdf"}, {"a.ppm", ".pnm"}, {"a.pgm", ".pnm"}, {"a.pcx", ".pcx"},
               {"a.sgi", ".sgi"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(GmConvert(dir.Path("src.bmp") + " " + dir.Path(c.Name))) << c.Name;
    const std::vector<uint8_t> data = ReadBytes(dir.Path(c.Name));
    EXPECT_EQ(FormatBySignature(data.data(), data.size()), c.Format) << c.Name;
  }
  const std::vector<uint8_t> bmp = ReadBytes(dir.Path("src.bmp"));
  EXPECT_EQ(FormatBySignature(bmp.data(), bmp.size()), ".bmp");
  // Formats GraphicsMagick does not write: their headers' fixed bytes.
  std::string emf(48, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  const std::pair<std::string, const char*> headers[] = {
      {"8BPS\0\1", ".psd"}, {emf, ".emf"}, {"\xd7\xcd\xc6\x9a\0\0", ".wmf"}};
  for (const auto& [header, format] : headers) {
    EXPECT_EQ(FormatBySignature(reinterpret_cast<const uint8_t*>(header.data()), header.size()), format);
  }
}

TEST(FormatSignature, DataWithoutAKnownSignatureIsNamedNothing) {
  const std::string samples[] = {"", "B", "hello, world", "P7 332\n", "%PD", std::string("\x89PN", 3)};
  for (const std::string& sample : samples) {
    EXPECT_EQ(FormatBySignature(reinterpret_cast<const uint8_t*>(sample.data()), sample.size()), "") << sample;
  }
  EXPECT_EQ(FormatBySignature(nullptr, 10), "");
}

}  // namespace
}  // namespace formats
