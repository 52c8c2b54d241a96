// Bitmap pixels as colours (see PixelRows.h). 16- and 32-bit pictures use
// their colour masks, or 5-5-5 and 8-8-8 when the masks are zero.
#include "formats/PixelRows.h"

#include <bit>

namespace formats {
namespace {

// The value of one mask's field scaled to 0 … 255.
uint8_t MaskedChannel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t field = mask >> shift;
  return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / field);
}

platform::RgbQuad PaletteEntry(const platform::Bitmap& bitmap, uint32_t index) {
  const auto& palette = bitmap.Palette();
  return index < palette.size() ? palette[index] : platform::RgbQuad{};
}

}  // namespace

void RowToRgb(const platform::Bitmap& bitmap, int32_t y, uint8_t* rgb) {
  const uint8_t* row = bitmap.Row(y);
  const int32_t width = bitmap.Width();
  const uint16_t bits = bitmap.BitCount();
  const uint32_t* masks = bitmap.Masks;
  const bool defaultMasks = (masks[0] | masks[1] | masks[2]) == 0;
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    if (bits <= 8) {
      const int perByte = 8 / bits;
      const int shift = 8 - bits * (x % perByte + 1);
      const uint32_t index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
      const platform::RgbQuad entry = PaletteEntry(bitmap, index);
      rgb[0] = entry.Red;
      rgb[1] = entry.Green;
      rgb[2] = entry.Blue;
    } else if (bits == 24) {
      rgb[0] = row[3 * x + 2];
      rgb[1] = row[3 * x + 1];
      rgb[2] = row[3 * x];
    } else {
      uint32_t pixel;
      uint32_t red, green, blue;
      if (bits == 16) {
        pixel = row[2 * x] | (row[2 * x + 1] << 8);
        red = defaultMasks ? 0x7C00 : masks[0];
        green = defaultMasks ? 0x03E0 : masks[1];
        blue = defaultMasks ? 0x001F : masks[2];
      } else {
        pixel =
            row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) | (uint32_t{row[4 * x + 3]} << 24);
        red = defaultMasks ? 0xFF0000 : masks[0];
        green = defaultMasks ? 0x00FF00 : masks[1];
        blue = defaultMasks ? 0x0000FF : masks[2];
      }
      rgb[0] = MaskedChannel(pixel, red);
      rgb[1] = MaskedChannel(pixel, green);
      rgb[2] = MaskedChannel(pixel, blue);
    }
  }
}

bool IsGreyRamp(const std::vector<platform::RgbQuad>& palette) {
  if (palette.size() < 2) return false;
  const size_t last = palette.size() - 1;
  for (size_t i = 0; i < palette.size(); ++i) {
    const auto level = static_cast<uint8_t>(i * 255 / last);
    if (palette[i].Red != level || palette[i].Green != level || palette[i].Blue != level) return false;
  }
  return true;
}

}  // namespace formats
