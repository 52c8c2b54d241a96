// Fuzzes the BMP file decoder.
#include <cstddef>
#include <cstdint>

#include "formats/BmpCodec.h"
#include "platform/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::Bitmap bitmap;
  formats::DecodeBmp(data, size, bitmap);
  return 0;
}
