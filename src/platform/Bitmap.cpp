// Bitmap storage (see Bitmap.h). The BMP codec lives in BmpFile.cpp.
#include "platform/Bitmap.h"

namespace platform {

Bitmap::Bitmap(int32_t width, int32_t height, uint16_t bitCount) { Reset(width, height, bitCount); }

void Bitmap::Reset(int32_t width, int32_t height, uint16_t bitCount) {
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  bits_.assign(static_cast<size_t>(DibRowBytes(width, bitCount)) * (height > 0 ? height : 0), 0);
  palette_.clear();
  Masks[0] = Masks[1] = Masks[2] = 0;
  if (bitCount == 1) {
    palette_ = {RgbQuad{255, 255, 255, 0}, RgbQuad{0, 0, 0, 0}};
  } else if (bitCount == 4 || bitCount == 8) {
    const int entries = 1 << bitCount;
    for (int i = 0; i < entries; ++i) {
      const auto level = static_cast<uint8_t>(i * 255 / (entries - 1));
      palette_.push_back(RgbQuad{level, level, level, 0});
    }
  }
}

BitmapInfoHeader Bitmap::Header() const {
  BitmapInfoHeader header;
  header.Width = width_;
  header.Height = -height_;
  header.BitCount = bitCount_;
  header.Compression = (Masks[0] | Masks[1] | Masks[2]) ? 3 : 0;
  header.SizeImage = static_cast<uint32_t>(bits_.size());
  header.XPelsPerMeter = XPelsPerMeter;
  header.YPelsPerMeter = YPelsPerMeter;
  header.ClrUsed = static_cast<uint32_t>(palette_.size());
  header.ClrImportant = 0;
  return header;
}

}  // namespace platform
