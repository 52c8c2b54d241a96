// JPEG pictures through libjpeg: decoding a file image into a Bitmap (grey
// pictures become 8-bit grey, colour and CMYK pictures 24-bit) and writing a
// Bitmap as a baseline colour JPEG file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace formats {

// The quality of saved page images.
constexpr int kJpegQuality = 90;

// False (with `error`) for a corrupt, truncated or oversized picture.
bool DecodeJpeg(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr);

// Writes three-component, baseline, non-progressive JPEG through a
// temporary file renamed over `path`.
bool WriteJpegFile(const std::string& path, const platform::Bitmap& bitmap, int quality = kJpegQuality);

}  // namespace formats
