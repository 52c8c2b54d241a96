// The TIFF writer of the save command: little-endian files whose strips are
// compressed with Lempel-Ziv-Welch coding.
#pragma once

#include <string>

#include "platform/Bitmap.h"

namespace formats {

// 1-bit pictures are written bilevel (white-is-zero or black-is-zero after
// their palette, a palette image otherwise), 4- and 8-bit pictures as grey
// when their palette is the grey ramp and as palette images otherwise,
// deeper pictures as 8-bit RGB. Writes through a temporary file renamed
// over `path`.
bool WriteTiffFile(const std::string& path, const platform::Bitmap& bitmap);

}  // namespace formats
