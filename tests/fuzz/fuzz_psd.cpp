// Fuzzes the PSD/PDD composite image reader.
#include <cstddef>
#include <cstdint>

#include "formats/PsdReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::Bitmap bitmap;
  formats::DecodePsd(data, size, bitmap);
  return 0;
}
