// A reader for the flattened (composite) image that Photoshop-style PSD and
// PDD files store after their layers; the layers themselves are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace formats {

// Bitmap-mode files become 1-bit (white entry 0), grey, duotone and
// multichannel files 8-bit grey, indexed files 8-bit with their colour
// table, RGB and CMYK files 24-bit. Depths 1 (bitmap mode), 8, 16 and 32;
// raw or PackBits-compressed image data. False (with `error`) for anything
// else, and for a truncated or inconsistent file.
bool DecodePsd(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr);

}  // namespace formats
