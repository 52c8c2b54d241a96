// Page pixels to a top-down buffer (see PageBits.h).
#include "platform/PageBits.h"

namespace platform {

bool GetPageBits(const Bitmap& bitmap, int32_t& size, int32_t& width, std::vector<uint8_t>& bits,
                 int32_t& rowBytes, int32_t& height) {
  bits.clear();
  size = 0;
  if (bitmap.Empty() || bitmap.Bits().empty()) return false;
  bits = bitmap.Bits();
  size = static_cast<int32_t>(bits.size());
  width = bitmap.Width();
  height = bitmap.Height();
  rowBytes = size / height;
  return true;
}

}  // namespace platform
