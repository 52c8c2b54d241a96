// Pictures decoded by GraphicsMagick, converted to Bitmaps: two-colour
// pictures stay 1-bit with their palette, palette pictures become 4- or
// 8-bit with their palette, grey pictures 8-bit grey and the rest 24-bit;
// transparent pixels are laid on white.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace formats {

// Resolution at which vector pictures (metafiles, SVG) are rendered.
constexpr int kVectorDotsPerInch = 300;

// Decodes `data` with the named GraphicsMagick coder ("PNG", "TGA", "SGI"
// ...), never guessing the format from the data. Only the first frame is
// read. `vector` renders at kVectorDotsPerInch. False (with `error`) on any
// failure, including pictures beyond the size caps.
bool DecodeWithMagick(const uint8_t* data, size_t size, const std::string& coder, platform::Bitmap& out,
                      std::string* error = nullptr, bool vector = false);

}  // namespace formats
