// Windows BMP files to and from Bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace formats {

// Windows BMP files. The readers accept bottom-up and top-down files, the
// depths 1, 4, 8, 16, 24 and 32, BI_RGB, BI_BITFIELDS and the RLE4/RLE8
// encodings; they check every size against the data before allocating.
// On failure they return false and leave `error` describing why.
bool DecodeBmp(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr);
bool ReadBmpFile(const std::string& path, platform::Bitmap& out, std::string* error = nullptr);
// Encodes as an uncompressed bottom-up BMP file (the common form).
std::vector<uint8_t> EncodeBmp(const platform::Bitmap& bitmap);
// Writes through a temporary file beside `path` renamed over it at the end.
bool WriteBmpFile(const std::string& path, const platform::Bitmap& bitmap);

// Copies `source` into `target` through a BMP file image in memory, as a
// picture is handed between the page view and the document. An empty source
// gives an empty target. False, with the target untouched, when the source
// cannot be encoded.
bool CopyGraphic(platform::Bitmap& target, const platform::Bitmap& source);

}  // namespace formats
