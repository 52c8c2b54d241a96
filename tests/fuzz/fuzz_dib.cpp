// Fuzzes the packed-DIB conversion: the input is a DIB (header, colour table,
// rows) placed in a global block, turned into a BMP file image and decoded.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "formats/BmpCodec.h"
#include "input/ImageLoading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::GlobalHandle handle = platform::GlobalAlloc(platform::kGmemMoveable, size);
  if (!handle) return 0;
  if (size) std::memcpy(platform::GlobalLock(handle), data, size);
  platform::GlobalUnlock(handle);
  std::vector<uint8_t> stream;
  if (input::DibToBitmapStream(handle, stream)) {
    platform::Bitmap bitmap;
    formats::DecodeBmp(stream.data(), stream.size(), bitmap);
  }
  if (platform::GlobalSize(handle) != 0) __builtin_trap();  // the block must always be freed
  return 0;
}
