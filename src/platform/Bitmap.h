// A device-independent bitmap: the header fields of a Windows DIB, its colour
// table, and its pixel rows stored top-down (row 0 is the top of the picture),
// each row padded to a multiple of four bytes as in every DIB.
//
// Bitmap stands in for the bitmap objects of the platform: the engine, the
// image kernels and the file readers all hand pictures around as Bitmaps.
// Windows BMP files (1, 4, 8, 16, 24 and 32 bits per pixel) are read and
// written here; other file formats live in formats/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct RgbQuad {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  uint8_t Reserved = 0;
};

// The 40-byte BITMAPINFOHEADER, field for field.
struct BitmapInfoHeader {
  uint32_t Size = 40;
  int32_t Width = 0;
  int32_t Height = 0;  // negative: rows stored top-down
  uint16_t Planes = 1;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;  // 0 = BI_RGB, 1 = BI_RLE8, 2 = BI_RLE4, 3 = BI_BITFIELDS
  uint32_t SizeImage = 0;
  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;
  uint32_t ClrUsed = 0;
  uint32_t ClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// Bytes per row of a DIB: width × bits rounded up to whole 32-bit units.
constexpr int32_t DibRowBytes(int32_t width, int32_t bitCount) {
  return static_cast<int32_t>(((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4);
}

// The depths a DIB of ours may have: 1, 4, 8, 16, 24 or 32 bits per pixel.
constexpr bool IsDibBitCount(int32_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32;
}

class Bitmap {
 public:
  Bitmap() = default;
  // A bitmap of the given size and depth with all pixel bytes 0. Depths of
  // 8 bits or fewer get a colour table: 1 bit white (entry 0) and black,
  // 4 and 8 bits a grey ramp.
  Bitmap(int32_t width, int32_t height, uint16_t bitCount);

  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  uint16_t BitCount() const { return bitCount_; }
  int32_t RowBytes() const { return DibRowBytes(width_, bitCount_); }
  size_t ImageSize() const { return bits_.size(); }

  uint8_t* Row(int32_t y) { return bits_.data() + static_cast<size_t>(y) * RowBytes(); }
  const uint8_t* Row(int32_t y) const { return bits_.data() + static_cast<size_t>(y) * RowBytes(); }
  std::vector<uint8_t>& Bits() { return bits_; }
  const std::vector<uint8_t>& Bits() const { return bits_; }

  std::vector<RgbQuad>& Palette() { return palette_; }
  const std::vector<RgbQuad>& Palette() const { return palette_; }

  // Colour masks of 16- and 32-bit bitfield pictures (red, green, blue);
  // all zero for the default 5-5-5 and 8-8-8 layouts.
  uint32_t Masks[3] = {0, 0, 0};

  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;

  // Changes size and depth; the pixel bytes become 0 and the colour table is
  // reset as in the constructor.
  void Reset(int32_t width, int32_t height, uint16_t bitCount);

  // The header this bitmap would have as a top-down DIB (negative height).
  BitmapInfoHeader Header() const;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint16_t bitCount_ = 0;
  std::vector<uint8_t> bits_;
  std::vector<RgbQuad> palette_;
};

// The largest picture any reader of ours accepts, in pixels; bigger claims in
// a file header are treated as corrupt rather than allocated.
constexpr int64_t kMaxPixels = 30000LL * 30000LL;

}  // namespace platform
