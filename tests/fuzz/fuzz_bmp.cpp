// Fuzzes the BMP file decoder.
#include <cstddef>
#include <cstdint>

#include "platform/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::Bitmap bitmap;
  platform::DecodeBmp(data, size, bitmap);
  return 0;
}
