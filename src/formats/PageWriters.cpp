// Page-image writers by extension (see PageWriters.h).
#include "formats/PageWriters.h"

#include "formats/BmpCodec.h"
#include "formats/JpegCodec.h"
#include "formats/TiffWriter.h"
#include "platform/FileIo.h"

namespace formats {

bool SavePageImage(const std::string& path, const platform::Bitmap& bitmap) {
  const std::string extension = platform::LowerExtension(path);
  if (extension == ".tif" || extension == ".tiff") return WriteTiffFile(path, bitmap);
  if (extension == ".jpg" || extension == ".jpeg") return WriteJpegFile(path, bitmap);
  return !bitmap.Empty() && formats::WriteBmpFile(path, bitmap);
}

}  // namespace formats
