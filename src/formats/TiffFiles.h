// Opening TIFF files with libtiff's messages swallowed (the callers report
// failures themselves, and the process-wide handlers belong to
// GraphicsMagick, which must not see our files) and with libtiff's single
// allocations capped.
#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace formats {

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// `mode` as for TIFFOpen ("r", "wl" ...); null on failure, with the reason in
// `why` when asked. A file opened for reading must be a regular file.
TiffFile OpenTiffQuietly(const char* name, const char* mode, std::string* why = nullptr);
// A TIFF file held in memory, opened for reading; the data must outlive it.
// get() is null when the data is not a TIFF file.
class MemoryTiff {
 public:
  MemoryTiff(const uint8_t* data, size_t size);
  TIFF* get() const { return tiff_.get(); }

  // The read position of libtiff's client procedures.
  struct Source {
    const uint8_t* Data;
    uint64_t Size;
    uint64_t At;
  };

 private:
  Source source_;  // declared first: it must outlive the handle
  TiffFile tiff_;
};

}  // namespace formats
