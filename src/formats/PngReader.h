// PNG pages read straight through libpng.
//
// Scanned and rendered pages are mostly palette PNGs of one bit a pixel.
// DecodePlainPng reads a palette PNG without transparency or colour
// management into the bitmap the general picture reader makes of it (the
// same depth, palette, pixels and resolution), without its full-colour copy
// of the page. Any other PNG, and any PNG libpng complains about, is
// declined and left to the general reader, so that what the reader accepts,
// refuses and reports stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Bitmap.h"

namespace formats {

// True when the PNG was decoded into `out`; false leaves `out` untouched.
bool DecodePlainPng(const uint8_t* data, size_t size, platform::Bitmap& out);

}  // namespace formats
