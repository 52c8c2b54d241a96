// The TIFF reader behind both routes of the open command: the ".tif" route
// through QVLoadImg, which hands back a packed device-independent bitmap in a
// movable global memory block, and the multi-format reader's TIFF entry,
// which decodes into a Bitmap. Both decode a page (uncompressed, LZW,
// PackBits, Deflate, JPEG, CCITT group 3 and 4 ...) the same way; the ".tif"
// route reads the first page, the Bitmap route any page.
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

// The most pages of one TIFF file that are read.
constexpr int kMaxTiffPages = 10000;

// The number of pages (directories) of a TIFF file held in memory; 0 when it
// is not a TIFF file.
int TiffPageCount(const uint8_t* data, size_t size);

// Page `index` (0: the first, the one QVLoadImg reads) of a TIFF file held
// in memory, decoded the same way, as a Bitmap.
bool DecodeTiff(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr,
                int index = 0);

}  // namespace formats
