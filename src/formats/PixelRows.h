// Reading a Bitmap's pixels as colours, whatever its depth, for the writers
// that need plain RGB or grey rows, and the size caps every reader applies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace formats {

// Readers refuse pictures wider or higher than this, or whose decoded rows
// would need more than kMaxDecodedBytes, before they allocate anything.
constexpr int64_t kMaxSide = 30000;
constexpr int64_t kMaxDecodedBytes = int64_t{256} << 20;

// True when a picture of this size and depth may be decoded.
bool PictureSizeAllowed(int64_t width, int64_t height, int64_t bitCount);
// What the readers say when a picture is beyond those limits, limits included.
std::string PictureTooLargeText();

// Row y of the bitmap as width × 3 bytes in the order red, green, blue.
void RowToRgb(const platform::Bitmap& bitmap, int32_t y, uint8_t* rgb);

// True when entry i of the palette is the grey level i × 255 / (entries - 1)
// for every entry, i.e. the pixel values are grey levels themselves.
bool IsGreyRamp(const std::vector<platform::RgbQuad>& palette);

}  // namespace formats
