// Bitmap pixels to and from a top-down buffer in the bitmap's own format,
// the way the recognition run, the rotation and the skew detection read and
// write a page, and the bitmap header helper the image routines share.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Bitmap.h"

namespace platform {

// Fills a 40-byte header from the bitmap's own (top-down) header. `colours`
// chooses the depth: 2 gives 1 bit per pixel, 3..16 gives 4 bits and 17..256
// gives 8 bits (both with colours used = colours); any other value keeps the
// bitmap's own depth. Planes become 1, colours important is cut down to
// colours used, and the image size is that of the chosen depth. False when
// the bitmap has no size.
bool FillBitmapHeader(const Bitmap& bitmap, BitmapInfoHeader& header, int32_t colours);

// Copies whole top-down rows of the bitmap into `bits` (as many as fit) and
// answers how many rows were copied.
int32_t GetDibRows(const Bitmap& bitmap, std::span<uint8_t> bits);
// Writes whole top-down rows from `bits` into the bitmap (as many as `bits`
// holds, at most its height) and answers how many rows were written.
int32_t SetDibRows(Bitmap& bitmap, std::span<const uint8_t> bits);

// Copies the bitmap's pixels top-down, in its own format, into `bits`
// (allocated here) and reports size, width, bytes per row and height. On
// failure `bits` is empty, size 0, and the answer false.
bool GetPageBits(const Bitmap& bitmap, int32_t& size, int32_t& width, std::vector<uint8_t>& bits,
                 int32_t& rowBytes, int32_t& height);

// Writes a top-down buffer of the bitmap's own format back into it. False,
// with the bitmap untouched, when the bitmap has no size or the buffer holds
// fewer rows than its height.
bool SetPageBits(Bitmap& bitmap, std::span<const uint8_t> bits);

}  // namespace platform
