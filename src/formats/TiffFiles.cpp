// Quiet TIFF opening (see TiffFiles.h).
#include "formats/TiffFiles.h"

#include "formats/PixelRows.h"

namespace formats {
namespace {

int Silent(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

}  // namespace

TiffFile OpenTiffQuietly(const char* name, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxDecodedBytes));
  TIFFOpenOptionsSetErrorHandlerExtR(options, Silent, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Silent, nullptr);
  TiffFile tiff(TIFFOpenExt(name, mode, options));
  TIFFOpenOptionsFree(options);
  return tiff;
}

}  // namespace formats
