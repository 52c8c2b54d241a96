// The TIFF reader behind both routes of the open command: the ".tif" route
// through QVLoadImg, which hands back a packed device-independent bitmap in a
// movable global memory block, and the multi-format reader's TIFF entry,
// which decodes into a Bitmap. Both decode the first page (uncompressed, LZW,
// PackBits, Deflate, JPEG, CCITT group 3 and 4 ...) the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Bitmap.h"
#include "platform/GlobalMemory.h"

namespace formats {

// The file name is passed on to the file system as it is. Returns the block
// (header, colour table, bottom-up rows), whose ownership passes to the
// caller, who frees it with platform::GlobalFree; 0 on any failure (and,
// when asked, why in `why`). Only a regular file is opened.
// Bilevel pages come back 1-bit with their two colours, palette pages 4- or
// 8-bit with their palette, 8-bit grey pages 8-bit grey, everything else
// 24-bit (grey of other depths 8-bit); transparency is laid on white.
platform::GlobalHandle QVLoadImg(const char* name, std::string* why = nullptr);

// The same first page of a TIFF file held in memory, as a Bitmap.
bool DecodeTiff(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr);

}  // namespace formats
