// Opening TIFF files with libtiff's messages swallowed (the callers report
// failures themselves, and the process-wide handlers belong to
// GraphicsMagick, which must not see our files) and with libtiff's single
// allocations capped.
#pragma once

#include <tiffio.h>

#include <memory>

namespace formats {

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// `mode` as for TIFFOpen ("r", "wl" ...); null on failure.
TiffFile OpenTiffQuietly(const char* name, const char* mode);

}  // namespace formats
