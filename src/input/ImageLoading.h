// Image file loading: turns a named picture file into the bitmap of a page
// view, by one of three routes chosen by the file's extension, and converts
// packed device-independent bitmaps held in global memory (from the TIFF
// loader or a scanner) into BMP file images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/GlobalMemory.h"

namespace input {

// The only message a failed load shows; the inner texts below never reach
// the user.
inline constexpr const char* kBitmapFileError = "位图文件错误！";
inline constexpr const char* kTiffReadError = "读tiff出错!";
inline constexpr const char* kFreeMemoryError = "释放内存出错!";

// Bytes of a DIB's colour table: colours used × 4 when that is not 0, else
// 8, 64 or 1024 for 1, 4 or 8 bits and 0 for other depths; as a 16-bit
// value. Bitfield masks are not counted.
uint16_t DibColorTableSize(const platform::BitmapInfoHeader& header);

// Appends a BMP file image (14-byte file header, then the DIB's header,
// colour table and pixel rows) of the packed DIB in `handle` to `stream`,
// then unlocks and frees the block. False without writing when the handle is
// 0 or cannot be locked. A block too small for what its header states is
// freed and refused (false) as well. Throws std::runtime_error with
// kFreeMemoryError when the block cannot be freed.
bool DibToBitmapStream(platform::GlobalHandle handle, std::vector<uint8_t>& stream);

// Reads the file into `view`: ".jpg" through the JPEG decoder, ".tif"
// through QVLoadImg and a BMP image of its DIB, every other extension
// (".jpeg" and ".tiff" included) through the multi-format reader. The
// extension is compared in lower case. Shows the busy cursor meanwhile. On
// any failure shows kBitmapFileError (question icon, OK), leaves `view` as it
// was and returns false; the inner reason (in English: a file that is not a
// regular file, a picture beyond the size caps ...) is never shown, but given
// in `reason` when asked for. A load does not touch the library's change flag.
bool LoadImageFile(platform::Bitmap& view, const std::string& name, std::string* reason = nullptr);

}  // namespace input
