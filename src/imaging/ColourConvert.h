// Colour to grey and grey to black and white.
//
// Every picture is first read as one 8-bit grey value per pixel: palette
// pictures (1, 4 and 8 bits) through the grey level of their palette
// colours, 16-, 24- and 32-bit pictures through the grey weights of their
// red, green and blue. `ColourToGrey` keeps these values as a 256-level grey
// image; `ThresholdToMono` turns every value below the threshold into a black
// pixel of a monochrome image (palette entry 0 white, entry 1 black).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Bitmap.h"

namespace imaging {

// The threshold the threshold dialog starts at.
constexpr int32_t kDefaultThreshold = 80;

// Grey level of a colour: the weights add up to 256, so white stays 255.
constexpr uint8_t GreyLevel(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint8_t>((77 * red + 151 * green + 28 * blue) / 256);
}

// The grey value of every pixel, top-down, rows of DibRowBytes(width, 8)
// bytes. False when the bitmap is empty, of a depth other than 1, 4, 8, 16,
// 24 or 32 bits, or its pixels are incomplete.
bool ReadGreyValues(const platform::Bitmap& source, std::vector<uint8_t>& values);

// Target becomes the source's size as an 8-bit image with the grey palette
// (entry i = (i, i, i)). False, target untouched, when the source cannot be
// read; "设置位图数据错误" when the pixels could not be written.
bool ColourToGrey(const platform::Bitmap& source, platform::Bitmap& target);

// Target becomes the source's size as a 1-bit image: a pixel whose grey value
// is below `threshold` (0..255) is black (bit set), every other pixel white.
// Threshold 0 gives an all-white page, 255 blackens all but pure white.
bool ThresholdToMono(const platform::Bitmap& source, platform::Bitmap& target, int32_t threshold);

}  // namespace imaging
