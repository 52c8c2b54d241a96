// BMP codec: round trips at every depth, the file variants other writers
// produce (top-down rows, RLE, core headers, either 1-bit palette order) and
// rejection of damaged files without touching the caller's bitmap.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "formats/BmpCodec.h"

namespace formats {
namespace {

using platform::Bitmap;
using platform::RgbQuad;

Bitmap Patterned(int32_t width, int32_t height, uint16_t bitCount, uint32_t seed) {
  Bitmap bitmap(width, height, bitCount);
  std::mt19937 random(seed);
  for (auto& byte : bitmap.Bits()) byte = static_cast<uint8_t>(random());
  for (auto& entry : bitmap.Palette()) {
    entry = RgbQuad{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                    static_cast<uint8_t>(random()), 0};
  }
  bitmap.XPelsPerMeter = 11811;  // 300 dpi
  bitmap.YPelsPerMeter = 11812;
  return bitmap;
}

// Size, depth, rows, colour table, masks and resolution all survive.
void ExpectSame(const Bitmap& expected, const Bitmap& actual) {
  EXPECT_EQ(expected.Width(), actual.Width());
  EXPECT_EQ(expected.Height(), actual.Height());
  EXPECT_EQ(expected.BitCount(), actual.BitCount());
  EXPECT_EQ(expected.Bits(), actual.Bits());
  auto colours = [](const Bitmap& b) {
    std::vector<uint32_t> rgb;
    for (const RgbQuad& q : b.Palette()) rgb.push_back(q.Red << 16 | q.Green << 8 | q.Blue);
    return rgb;
  };
  EXPECT_EQ(colours(expected), colours(actual));
  EXPECT_TRUE(std::equal(expected.Masks, expected.Masks + 3, actual.Masks));
  EXPECT_EQ(expected.XPelsPerMeter, actual.XPelsPerMeter);
  EXPECT_EQ(expected.YPelsPerMeter, actual.YPelsPerMeter);
}

void Store32(std::vector<uint8_t>& data, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A BMP file with a 40-byte header, the given palette and pixel bytes.
std::vector<uint8_t> HandMade(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                              const std::vector<RgbQuad>& palette, const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> data(54, 0);
  data[0] = 'B';
  data[1] = 'M';
  const size_t offset = 54 + 4 * palette.size();
  Store32(data, 2, static_cast<uint32_t>(offset + pixels.size()));
  Store32(data, 10, static_cast<uint32_t>(offset));
  Store32(data, 14, 40);
  Store32(data, 18, static_cast<uint32_t>(width));
  Store32(data, 22, static_cast<uint32_t>(height));
  data[26] = 1;
  data[28] = static_cast<uint8_t>(bitCount);
  Store32(data, 30, compression);
  Store32(data, 34, static_cast<uint32_t>(pixels.size()));
  Store32(data, 46, static_cast<uint32_t>(palette.size()));
  for (const RgbQuad& q : palette) data.insert(data.end(), {q.Blue, q.Green, q.Red, 0});
  data.insert(data.end(), pixels.begin(), pixels.end());
  return data;
}

TEST(BmpCodec, RoundTripsEveryDepth) {
  Bitmap rgb565 = Patterned(3, 2, 16, 7);
  rgb565.Masks[0] = 0xF800, rgb565.Masks[1] = 0x07E0, rgb565.Masks[2] = 0x001F;
  std::vector<Bitmap> pictures = {rgb565};
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) pictures.push_back(Patterned(7, 5, bits, bits));
  for (const Bitmap& original : pictures) {
    SCOPED_TRACE(original.BitCount());
    const std::vector<uint8_t> file = EncodeBmp(original);
    Bitmap decoded;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), decoded));
    ExpectSame(original, decoded);
  }
}

TEST(BmpCodec, KeepsEitherMonochromePaletteOrder) {
  for (bool blackFirst : {false, true}) {
    Bitmap page = Patterned(9, 3, 1, 3);
    const RgbQuad white{255, 255, 255, 0}, black{0, 0, 0, 0};
    page.Palette() = blackFirst ? std::vector<RgbQuad>{black, white} : std::vector<RgbQuad>{white, black};
    const std::vector<uint8_t> file = EncodeBmp(page);
    Bitmap decoded;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), decoded));
    ExpectSame(page, decoded);
    EXPECT_EQ(decoded.Palette()[0].Red, blackFirst ? 0 : 255);
  }
}

std::vector<uint8_t> Prefix(const Bitmap& b, int32_t y, size_t n) {
  return {b.Row(y), b.Row(y) + n};
}

TEST(BmpCodec, ReadsTopDownAndRunLengthFiles) {
  const auto topDown = HandMade(3, -2, 8, 0, std::vector<RgbQuad>(256), {1, 2, 3, 0, 4, 5, 6, 0});
  Bitmap decoded;
  ASSERT_TRUE(DecodeBmp(topDown.data(), topDown.size(), decoded));
  EXPECT_EQ(Prefix(decoded, 0, 3), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(Prefix(decoded, 1, 3), (std::vector<uint8_t>{4, 5, 6}));

  // RLE8, bottom row up: a run of three 5s; an absolute run 1 2 3; a delta of
  // one pixel, two 9s, the end of the picture.
  const auto rle8 = HandMade(4, 3, 8, 1, std::vector<RgbQuad>(256),
                             {3, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 0, 2, 9, 0, 1});
  ASSERT_TRUE(DecodeBmp(rle8.data(), rle8.size(), decoded));
  EXPECT_EQ(Prefix(decoded, 0, 4), (std::vector<uint8_t>{0, 9, 9, 0}));
  EXPECT_EQ(Prefix(decoded, 1, 4), (std::vector<uint8_t>{1, 2, 3, 0}));
  EXPECT_EQ(Prefix(decoded, 2, 4), (std::vector<uint8_t>{5, 5, 5, 0}));

  // RLE4: a run alternating 1 and 2, an absolute run 3 4 5 (padded), and a
  // run of 6s longer than the row, cut at the right edge.
  const auto rle4 =
      HandMade(8, 1, 4, 2, std::vector<RgbQuad>(16), {4, 0x12, 0, 3, 0x34, 0x50, 9, 0x66, 0, 1});
  ASSERT_TRUE(DecodeBmp(rle4.data(), rle4.size(), decoded));
  EXPECT_EQ(Prefix(decoded, 0, 4), (std::vector<uint8_t>{0x12, 0x12, 0x34, 0x56}));
}

TEST(BmpCodec, ReadsCoreHeaderFiles) {
  // 3 × 1 pixels, 1 bit, a 12-byte header and three-byte palette entries.
  std::vector<uint8_t> file = {'B',  'M', 0, 0,   0,   0,   0, 0, 0, 0, 32, 0, 0, 0,  // file header
                               12,   0,   0, 0,   3,   0,   1, 0, 1, 0, 1,  0,        // core header
                               0,    0,   0, 255, 255, 255,                           // black, white
                               0xA0, 0,   0, 0};
  Bitmap decoded;
  ASSERT_TRUE(DecodeBmp(file.data(), file.size(), decoded));
  EXPECT_EQ(decoded.Width(), 3);
  EXPECT_EQ(decoded.Palette()[0].Red, 0);
  EXPECT_EQ(decoded.Row(0)[0], 0xA0);
}

TEST(BmpCodec, RejectsDamagedFilesAndKeepsTheTarget) {
  const std::vector<uint8_t> good = EncodeBmp(Patterned(6, 4, 8, 5));
  auto damaged = [&](auto change) {
    std::vector<uint8_t> file = good;
    change(file);
    return file;
  };
  const std::vector<std::vector<uint8_t>> files = {
      damaged([](auto& f) { f[0] = 'X'; }),
      damaged([](auto& f) { Store32(f, 14, 20); }),                            // unknown header size
      damaged([](auto& f) { Store32(f, 18, 0); }),                             // width 0
      damaged([](auto& f) { Store32(f, 22, 0); }),                             // height 0
      damaged([](auto& f) { Store32(f, 22, 0x80000000u); }),                   // most negative height
      damaged([](auto& f) { Store32(f, 18, 30001), Store32(f, 22, 30001); }),  // beyond the size caps
      damaged([](auto& f) { f[28] = 2; }),                                     // 2 bits per pixel
      damaged([](auto& f) { Store32(f, 30, 2); }),                             // RLE4 at 8 bits
      damaged([](auto& f) { Store32(f, 30, 3); }),                             // bitfields at 8 bits
      damaged([](auto& f) { Store32(f, 30, 9); }),                             // unknown compression
      damaged([](auto& f) { Store32(f, 10, 0x7FFFFFFF); }),                    // pixels beyond the end
      damaged([](auto& f) { Store32(f, 10, 20); }),                            // pixels inside the headers
      damaged([](auto& f) { f.pop_back(); }),                                  // one byte of pixels short
      HandMade(30000, 30000, 8, 1, std::vector<RgbQuad>(256), {0, 1}),         // RLE claiming too much
  };
  for (size_t i = 0; i < files.size(); ++i) {
    Bitmap target(2, 2, 1);
    std::string error;
    EXPECT_FALSE(DecodeBmp(files[i].data(), files[i].size(), target, &error)) << i;
    EXPECT_FALSE(error.empty()) << i;
    EXPECT_EQ(target.Width(), 2) << i;
  }
  for (size_t length = 0; length < 54 + 1024; length += 7) {
    Bitmap target;
    EXPECT_FALSE(DecodeBmp(good.data(), length, target)) << length;
  }
}

// Run-length pictures expand into a whole page from a few bytes, so the size
// they state is checked against the caps of the readers before anything is
// decoded: 221 KB of end-of-line marks claiming 30000 × 30000 pixels are
// refused with the reason.
TEST(BmpCodec, RunLengthBombsAreRefusedByTheirStatedSize) {
  const std::vector<uint8_t> endsOfLines(221 * 1024, 0);
  for (const auto& [bits, compression] : {std::pair<uint16_t, uint32_t>{8, 1}, {4, 2}}) {
    const std::vector<uint8_t> file =
        HandMade(30000, 30000, bits, compression, std::vector<RgbQuad>(size_t{1} << bits), endsOfLines);
    Bitmap target;
    std::string error;
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), target, &error)) << bits;
    EXPECT_NE(error.find("30000 x 30000"), std::string::npos) << error;
    EXPECT_TRUE(target.Empty());
  }
}

// Damaged copies of valid files of every kind: the decoder may accept or
// reject them but must stay inside the data (run under the sanitizers).
TEST(BmpCodec, SurvivesRandomDamage) {
  std::vector<std::vector<uint8_t>> seeds;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) seeds.push_back(EncodeBmp(Patterned(13, 9, bits, bits)));
  seeds.push_back(
      HandMade(8, 3, 4, 2, std::vector<RgbQuad>(16), {4, 0x12, 0, 3, 0x34, 0x50, 0, 2, 1, 1, 3, 7, 0, 1}));
  seeds.push_back(HandMade(4, 3, 8, 1, std::vector<RgbQuad>(256), {3, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}));
  std::mt19937 random(1234);
  for (int round = 0; round < 20000; ++round) {
    std::vector<uint8_t> file = seeds[round % seeds.size()];
    const int changes = 1 + random() % 4;
    for (int c = 0; c < changes; ++c) file[random() % file.size()] = static_cast<uint8_t>(random());
    if (random() % 4 == 0) file.resize(random() % file.size());
    Bitmap out(2, 2, 8);
    const std::vector<uint8_t> before = out.Bits();
    if (DecodeBmp(file.data(), file.size(), out)) {
      // What is accepted is a whole picture of the size it claims.
      ASSERT_GT(out.Width(), 0) << round;
      ASSERT_GT(out.Height(), 0) << round;
      ASSERT_EQ(out.Bits().size(), static_cast<size_t>(out.RowBytes()) * out.Height()) << round;
      ASSERT_LE(out.Palette().size(), size_t{1} << std::min<uint16_t>(out.BitCount(), 8)) << round;
    } else {
      ASSERT_EQ(out.Width(), 2) << round;  // a rejected file leaves the target alone
      ASSERT_EQ(out.Bits(), before) << round;
    }
  }
}

TEST(BmpCodec, WritesThroughATemporaryFile) {
  const auto dir = std::filesystem::temp_directory_path() / ("pellar_bmp_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "page.bmp").string();
  const Bitmap first = Patterned(10, 3, 24, 1), second = Patterned(4, 4, 1, 2);
  ASSERT_TRUE(WriteBmpFile(path, first));
  ASSERT_TRUE(WriteBmpFile(path, second));
  Bitmap read;
  std::string error;
  ASSERT_TRUE(ReadBmpFile(path, read, &error)) << error;
  ExpectSame(second, read);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  EXPECT_FALSE(WriteBmpFile((dir / "missing" / "page.bmp").string(), first));
  EXPECT_FALSE(WriteBmpFile(path, Bitmap()));
  EXPECT_FALSE(ReadBmpFile((dir / "none.bmp").string(), read));
  std::filesystem::remove_all(dir);
}

TEST(BmpCodec, CopyGraphicKeepsFormatAndPalette) {
  Bitmap page(9, 2, 1);
  page.Palette() = {RgbQuad{0, 0, 0, 0}, RgbQuad{255, 255, 255, 0}};
  page.Bits()[0] = 0x81;
  Bitmap view(3, 3, 24);
  ASSERT_TRUE(CopyGraphic(view, page));
  EXPECT_EQ(view.Width(), 9);
  EXPECT_EQ(view.BitCount(), 1);
  EXPECT_EQ(view.Bits(), page.Bits());
  EXPECT_EQ(view.Palette()[0].Red, 0);

  ASSERT_TRUE(CopyGraphic(view, Bitmap()));
  EXPECT_TRUE(view.Empty());
}

}  // namespace
}  // namespace formats
