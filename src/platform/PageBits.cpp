// Page pixels to and from top-down buffers, bitmap headers and bitmap copies
// (see PageBits.h). A Bitmap already keeps its rows top-down in its own
// format, so reading and writing pixels are row copies; the checks make sure
// no copy runs past either buffer.
#include "platform/PageBits.h"

#include <algorithm>
#include <limits>
#include <new>

namespace platform {

namespace {

constexpr int32_t kMonoColours = 2;
constexpr int32_t kMaxColours16 = 16;
constexpr int32_t kMaxColours256 = 256;

// Rows the bitmap's storage really holds (callers may resize Bits()).
size_t StoredRows(const Bitmap& bitmap) {
  if (bitmap.Empty()) return 0;
  return std::min(static_cast<size_t>(bitmap.Height()), bitmap.Bits().size() / bitmap.RowBytes());
}

}  // namespace

bool FillBitmapHeader(const Bitmap& bitmap, BitmapInfoHeader& header, int32_t colours) {
  if (bitmap.Empty()) return false;
  header = bitmap.Header();
  if (colours == kMonoColours) {
    header.BitCount = 1;
  } else if (colours > kMonoColours && colours <= kMaxColours16) {
    header.BitCount = 4;
    header.ClrUsed = static_cast<uint32_t>(colours);
  } else if (colours > kMaxColours16 && colours <= kMaxColours256) {
    header.BitCount = 8;
    header.ClrUsed = static_cast<uint32_t>(colours);
  }
  header.Planes = 1;
  header.ClrImportant = std::min(header.ClrImportant, header.ClrUsed);
  if (header.SizeImage == 0 || header.BitCount != bitmap.BitCount()) {
    const int64_t size = static_cast<int64_t>(DibRowBytes(header.Width, header.BitCount)) * bitmap.Height();
    header.SizeImage = static_cast<uint32_t>(std::min<int64_t>(size, std::numeric_limits<uint32_t>::max()));
  }
  return true;
}

int32_t GetDibRows(const Bitmap& bitmap, std::span<uint8_t> bits) {
  if (bitmap.Empty()) return 0;
  const auto rowBytes = static_cast<size_t>(bitmap.RowBytes());
  const size_t rows = std::min(StoredRows(bitmap), bits.size() / rowBytes);
  std::copy_n(bitmap.Bits().data(), rows * rowBytes, bits.data());
  return static_cast<int32_t>(rows);
}

int32_t SetDibRows(Bitmap& bitmap, std::span<const uint8_t> bits) {
  if (bitmap.Empty()) return 0;
  const auto rowBytes = static_cast<size_t>(bitmap.RowBytes());
  const size_t rows = std::min(StoredRows(bitmap), bits.size() / rowBytes);
  std::copy_n(bits.data(), rows * rowBytes, bitmap.Bits().data());
  return static_cast<int32_t>(rows);
}

bool GetPageBits(const Bitmap& bitmap, int32_t& size, int32_t& width, std::vector<uint8_t>& bits,
                 int32_t& rowBytes, int32_t& height) {
  bits.clear();
  size = 0;
  if (bitmap.Empty()) return false;
  const int64_t total = static_cast<int64_t>(bitmap.RowBytes()) * bitmap.Height();
  if (total > std::numeric_limits<int32_t>::max()) return false;
  try {
    bits.resize(static_cast<size_t>(total));
  } catch (const std::bad_alloc&) {
    bits.clear();
    return false;
  }
  if (GetDibRows(bitmap, bits) < bitmap.Height()) {
    std::vector<uint8_t>().swap(bits);
    return false;
  }
  size = static_cast<int32_t>(total);
  width = bitmap.Width();
  height = bitmap.Height();
  rowBytes = size / height;
  return true;
}

bool SetPageBits(Bitmap& bitmap, std::span<const uint8_t> bits) {
  if (bitmap.Empty() || StoredRows(bitmap) < static_cast<size_t>(bitmap.Height())) return false;
  if (bits.size() / bitmap.RowBytes() < static_cast<size_t>(bitmap.Height())) return false;
  return SetDibRows(bitmap, bits) == bitmap.Height();
}

}  // namespace platform
