// Bitmap pixels to and from a top-down buffer in the bitmap's own format,
// the way the recognition run, the rotation and the skew detection read and
// write a page.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Bitmap.h"

namespace platform {

// Copies the bitmap's pixels top-down, in its own format, into `bits`
// (allocated here) and reports size, width, bytes per row and height. On
// failure `bits` is empty, size 0, and the answer false.
bool GetPageBits(const Bitmap& bitmap, int32_t& size, int32_t& width, std::vector<uint8_t>& bits,
                 int32_t& rowBytes, int32_t& height);

}  // namespace platform
