// Saving a page image: the writer is chosen by the file's extension.
#pragma once

#include <string>

#include "platform/Bitmap.h"

namespace formats {

// ".tif"/".tiff": TIFF with LZW strips, little-endian; ".jpg"/".jpeg": JPEG,
// quality 90, baseline; anything else: a Windows bitmap file. Every writer
// replaces `path` only once the new file is complete. False on failure.
bool SavePageImage(const std::string& path, const platform::Bitmap& bitmap);

}  // namespace formats
