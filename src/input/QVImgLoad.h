// The TIFF loader of the ".tif" route: decodes the first page of a TIFF file
// (uncompressed, LZW, PackBits, Deflate, JPEG, CCITT group 3 and 4 ...) into
// a packed device-independent bitmap in a movable global memory block.
#pragma once

#include "platform/GlobalMemory.h"

namespace input {

// The file name is passed on to the file system as it is. Returns the block
// (header, colour table, bottom-up rows), whose ownership passes to the
// caller, who frees it with platform::GlobalFree; 0 on any failure.
// Bilevel pages come back 1-bit with their two colours, palette pages 4- or
// 8-bit with their palette, 8-bit grey pages 8-bit grey, everything else
// 24-bit (grey of other depths 8-bit); transparency is laid on white.
platform::GlobalHandle QVLoadImg(const char* name);

}  // namespace input
