// Turning a bitmap in place: quarter and half turns pixel by pixel, any other
// angle by a nearest-neighbour inverse mapping about a centre.
//
// Angles are in degrees; a positive angle turns the picture clockwise on the
// screen (x grows to the right, y downward). The kernels work on top-down
// pixel buffers in the bitmap's own format.
#pragma once

#include <cstdint>
#include <span>

#include "platform/Bitmap.h"

namespace imaging {

// The pixel value of white for pixels that come from outside the source: for
// a 1-bit bitmap 1 when the red of palette entry 0 is 0, otherwise 0; for 4
// and 8 bits the index of the lightest palette entry; for deeper bitmaps all
// bits set.
uint32_t FillValue(const platform::Bitmap& bitmap);

// Turns the bitmap in place by `angle`; for exactly 90 and 270 its width and
// height are exchanged. Shows "内存不足", "取位图数据错误" or "设置位图数据错误"
// and answers false, leaving the bitmap unchanged, when it cannot.
bool RotateBitmap(platform::Bitmap& graphic, double angle);

// Writes the turned image of `source` into `target`. `header` describes the
// target (width, height, depth); for 180 the source has the same shape. For
// exactly 90 and 270 the source is the target's shape transposed and
// `fillOrRowBytes` its bytes per row; for any other angle `fillOrRowBytes` is
// the fill value and (cx, cy) the centre of the turn. Target pixel (x, y)
// takes source pixel
//   180: (W − 1 − x, H − 1 − y);  90: (y, W − 1 − x);  270: (H − 1 − y, x);
//   other: (round(c·dx − s·dy) + cx − 1, round(s·dx + c·dy) + cy − 1) with
//          θ = −angle·π/180, c = cos θ, s = sin θ, dx = x − cx, dy = y − cy,
//          halves rounded to even, or the fill value outside the source.
// False, with nothing written, when a buffer is smaller than the shapes say.
// RotateBits1 reads 1 bit per pixel; RotateBits8 one byte per pixel, or the
// depth's whole pixel for 4, 16, 24 and 32 bits.
bool RotateBits1(std::span<const uint8_t> source, std::span<uint8_t> target, int32_t fillOrRowBytes,
                 double angle, int32_t cy, int32_t cx, const platform::BitmapInfoHeader& header);
bool RotateBits8(std::span<const uint8_t> source, std::span<uint8_t> target, int32_t fillOrRowBytes,
                 double angle, int32_t cy, int32_t cx, const platform::BitmapInfoHeader& header);

}  // namespace imaging
