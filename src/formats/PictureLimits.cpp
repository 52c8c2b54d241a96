// The size caps of the picture readers (see PictureLimits.h).
#include "formats/PictureLimits.h"

#include "platform/Bitmap.h"

namespace formats {

namespace {

constexpr int64_t kMegabyte = int64_t{1} << 20;
// The black-and-white page, and the two copies the recognition works on.
constexpr int64_t kMonochromeCopies = 3;

bool Refuse(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

bool PictureSizeAllowed(int64_t width, int64_t height, int64_t bitCount, std::string* why,
                        int64_t decoderBytesPerPixel) {
  if (width <= 0 || height <= 0) return Refuse(why, "the picture has no pixels");
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width > kMaxSide || height > kMaxSide)
    return Refuse(why,
                  "the picture is " + size + " pixels; a side may have at most " + std::to_string(kMaxSide));
  const int64_t pixels = width * height;
  if (pixels > kMaxPagePixels)
    return Refuse(why, "the picture is " + size + " pixels; at most " + std::to_string(kMaxPagePixels >> 20) +
                           " megapixels are read");
  const auto rowBytes = [&](int64_t bits) {
    return int64_t{platform::DibRowBytes(static_cast<int32_t>(width), static_cast<int32_t>(bits))};
  };
  const int64_t memory = rowBytes(bitCount) * height + (bitCount > 1 ? pixels : 0) +
                         kMonochromeCopies * rowBytes(1) * height + decoderBytesPerPixel * pixels;
  if (memory > kPageMemoryBudget)
    return Refuse(why, "the picture is " + size + " pixels and would need " +
                           std::to_string(memory / kMegabyte) + " MB; at most " +
                           std::to_string(kPageMemoryBudget / kMegabyte) + " MB are used");
  return true;
}

}  // namespace formats
