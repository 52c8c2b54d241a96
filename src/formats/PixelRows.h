// Reading a Bitmap's pixels as colours, whatever its depth, for the writers
// that need plain RGB or grey rows. (The size caps every reader applies are
// in PictureLimits.h.)
#pragma once

#include <cstdint>
#include <vector>

#include "formats/PictureLimits.h"
#include "platform/Bitmap.h"

namespace formats {

// Row y of the bitmap as width × 3 bytes in the order red, green, blue.
void RowToRgb(const platform::Bitmap& bitmap, int32_t y, uint8_t* rgb);

// True when entry i of the palette is the grey level i × 255 / (entries - 1)
// for every entry, i.e. the pixel values are grey levels themselves.
bool IsGreyRamp(const std::vector<platform::RgbQuad>& palette);

}  // namespace formats
