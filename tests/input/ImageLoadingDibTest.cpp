// Packed DIB to BMP file image: the colour table and image size rules, the
// file header figures, ownership of the block, and blocks whose header
// promises more than they hold.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/BmpCodec.h"
#include "input/ImageLoading.h"

namespace input {
namespace {

using platform::BitmapInfoHeader;
using platform::GlobalHandle;

uint32_t Get32(const std::vector<uint8_t>& s, size_t at) {
  return s[at] | (s[at + 1] << 8) | (s[at + 2] << 16) | (uint32_t{s[at + 3]} << 24);
}

// A block holding `header` followed by `extra` bytes.
GlobalHandle MakeDib(const BitmapInfoHeader& header, size_t extra) {
  const GlobalHandle handle =
      platform::GlobalAlloc(platform::kGmemMoveable | platform::kGmemZeroInit, sizeof header + extra);
  std::memcpy(platform::GlobalLock(handle), &header, sizeof header);
  platform::GlobalUnlock(handle);
  return handle;
}

BitmapInfoHeader Header(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0) {
  BitmapInfoHeader header;
  header.Width = width;
  header.Height = height;
  header.BitCount = bits;
  header.Compression = compression;
  return header;
}

TEST(DibColorTableSize, ByColoursUsedThenByDepth) {
  BitmapInfoHeader header = Header(1, 1, 1);
  EXPECT_EQ(DibColorTableSize(header), 8);
  header.BitCount = 4;
  EXPECT_EQ(DibColorTableSize(header), 64);
  header.BitCount = 8;
  EXPECT_EQ(DibColorTableSize(header), 1024);
  for (const uint16_t bits : {uint16_t{16}, uint16_t{24}, uint16_t{32}}) {
    header.BitCount = bits;
    header.Compression = bits == 24 ? 0 : 3;  // bitfield masks are not counted
    EXPECT_EQ(DibColorTableSize(header), 0) << bits;
  }
  header.ClrUsed = 3;
  EXPECT_EQ(DibColorTableSize(header), 12);
  header.ClrUsed = 0x4001;  // 65540 bytes, taken as 16 bits
  EXPECT_EQ(DibColorTableSize(header), 4);
}

TEST(DibToBitmapStream, OneBitWithoutColoursUsedGetsTheTwoEntryTable) {
  const BitmapInfoHeader header = Header(10, 3, 1);
  const GlobalHandle handle = MakeDib(header, 8 + 4 * 3);
  std::vector<uint8_t> stream;
  ASSERT_TRUE(DibToBitmapStream(handle, stream));
  ASSERT_EQ(stream.size(), 14u + 40 + 8 + 12);
  EXPECT_EQ(stream[0], 'B');
  EXPECT_EQ(stream[1], 'M');
  EXPECT_EQ(Get32(stream, 2), 74u);
  EXPECT_EQ(Get32(stream, 6), 0u);
  EXPECT_EQ(Get32(stream, 10), 62u);
  EXPECT_EQ(Get32(stream, 14 + 20), 12u);       // image size written into the header
  EXPECT_EQ(platform::GlobalSize(handle), 0u);  // freed
}

TEST(DibToBitmapStream, TwentyFourBitThreeByTwo) {
  BitmapInfoHeader header = Header(3, 2, 24);
  header.SizeImage = 999;  // replaced by the computed size
  const GlobalHandle handle = MakeDib(header, 24);
  std::vector<uint8_t> stream = {7, 7};  // appended after what is there
  ASSERT_TRUE(DibToBitmapStream(handle, stream));
  ASSERT_EQ(stream.size(), 2u + 78);
  EXPECT_EQ(Get32(stream, 2 + 2), 78u);
  EXPECT_EQ(Get32(stream, 2 + 10), 54u);
  EXPECT_EQ(Get32(stream, 2 + 14 + 20), 24u);
  platform::Bitmap decoded;
  EXPECT_TRUE(formats::DecodeBmp(stream.data() + 2, stream.size() - 2, decoded));
  EXPECT_EQ(decoded.Width(), 3);
}

TEST(DibToBitmapStream, RunLengthEncodedKeepsItsStatedSize) {
  BitmapInfoHeader header = Header(4, 1, 8, 1);
  header.ClrUsed = 2;
  header.SizeImage = 6;
  const GlobalHandle handle = MakeDib(header, 8 + 6);
  std::vector<uint8_t> stream;
  ASSERT_TRUE(DibToBitmapStream(handle, stream));
  EXPECT_EQ(stream.size(), 14u + 40 + 8 + 6);
  EXPECT_EQ(Get32(stream, 2), 68u);
  EXPECT_EQ(Get32(stream, 10), 62u);
  EXPECT_EQ(Get32(stream, 14 + 20), 6u);
}

TEST(DibToBitmapStream, RefusesMissingHandlesWithoutWriting) {
  std::vector<uint8_t> stream;
  EXPECT_FALSE(DibToBitmapStream(0, stream));
  const GlobalHandle stale = platform::GlobalAlloc(platform::kGmemMoveable, 64);
  platform::GlobalFree(stale);
  EXPECT_FALSE(DibToBitmapStream(stale, stream));
  EXPECT_TRUE(stream.empty());
}

TEST(DibToBitmapStream, BlocksSmallerThanTheirHeaderPromisesAreFreedAndRefused) {
  const BitmapInfoHeader lies[] = {
      Header(1000, 1000, 24),                  // rows beyond the block
      Header(-4, 2, 24),                       // negative width
      Header(0x7FFFFFFF, 0x7FFFFFFF, 32),      // size beyond 32 bits
      Header(0x5A5A5A5A, 0x5A5A5A5A, 0xFFFF),  // stride × height beyond 64 bits (found by fuzzing)
  };
  for (const BitmapInfoHeader& header : lies) {
    const GlobalHandle handle = MakeDib(header, 16);
    std::vector<uint8_t> stream;
    EXPECT_FALSE(DibToBitmapStream(handle, stream));
    EXPECT_TRUE(stream.empty());
    EXPECT_EQ(platform::GlobalSize(handle), 0u);
  }
  BitmapInfoHeader rle = Header(4, 4, 8, 1);
  rle.SizeImage = 0x10000000;
  std::vector<uint8_t> rleStream;
  EXPECT_FALSE(DibToBitmapStream(MakeDib(rle, 1024), rleStream));
  // A header size below 40 would have the image size written into the colours.
  BitmapInfoHeader core = Header(1, 1, 24);
  core.Size = 12;
  std::vector<uint8_t> stream;
  EXPECT_FALSE(DibToBitmapStream(MakeDib(core, 64), stream));
  // Too short for a header at all.
  const GlobalHandle tiny = platform::GlobalAlloc(platform::kGmemMoveable | platform::kGmemZeroInit, 10);
  EXPECT_FALSE(DibToBitmapStream(tiny, stream));
  EXPECT_EQ(platform::GlobalSize(tiny), 0u);
}

TEST(DibToBitmapStream, TopDownDibsUseTheHeightWithoutItsSign) {
  const GlobalHandle handle = MakeDib(Header(3, -2, 24), 24);
  std::vector<uint8_t> stream;
  ASSERT_TRUE(DibToBitmapStream(handle, stream));
  EXPECT_EQ(Get32(stream, 2), 78u);
}

}  // namespace
}  // namespace input
