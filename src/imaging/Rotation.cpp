// Rotation kernels and RotateBitmap (see Rotation.h).
//
// One kernel template walks the target row by row and fetches each pixel
// from the source; the pixel formats plug in as small accessor types, so the
// 1-bit page path and the byte paths share the same mapping code. The mapped
// source pixel for free angles sits one pixel left of and above the exact
// turn about (cx, cy), so the content moves one pixel right and down, even
// for an angle of 0.
#include "imaging/Rotation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <numbers>

#include "core/Rounding.h"
#include "platform/UiHooks.h"

namespace imaging {

namespace {

constexpr char kOutOfMemory[] = "内存不足";
constexpr char kReadFailed[] = "取位图数据错误";
constexpr char kWriteFailed[] = "设置位图数据错误";
constexpr double kHalfTurn = 180;
constexpr double kQuarterTurn = 90;
constexpr double kThreeQuarterTurn = 270;

struct BitPixels {
  static constexpr int kBits = 1;
  static uint32_t Get(const uint8_t* row, int32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
  static void Set(uint8_t* row, int32_t x, uint32_t value) {
    const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = (value & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
  }
};

struct NibblePixels {
  static constexpr int kBits = 4;
  static uint32_t Get(const uint8_t* row, int32_t x) {
    return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
  }
  static void Set(uint8_t* row, int32_t x, uint32_t value) {
    uint8_t& byte = row[x >> 1];
    byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | (value & 0x0F))
                   : static_cast<uint8_t>((byte & 0x0F) | ((value & 0x0F) << 4));
  }
};

// Whole pixels of N bytes, least significant byte first.
template <int N>
struct BytePixels {
  static constexpr int kBits = 8 * N;
  static uint32_t Get(const uint8_t* row, int32_t x) {
    const uint8_t* p = row + static_cast<size_t>(x) * N;
    uint32_t value = 0;
    for (int b = N; b-- > 0;) value = (value << 8) | p[b];
    return value;
  }
  static void Set(uint8_t* row, int32_t x, uint32_t value) {
    uint8_t* p = row + static_cast<size_t>(x) * N;
    for (int b = 0; b < N; ++b, value >>= 8) p[b] = static_cast<uint8_t>(value);
  }
};

bool IsQuarterTurn(double angle) {
  return angle == kQuarterTurn || angle == kThreeQuarterTurn;
}

template <class Px>
bool Turn(std::span<const uint8_t> source, std::span<uint8_t> target, int32_t fillOrRowBytes, double angle,
          int32_t cy, int32_t cx, const platform::BitmapInfoHeader& header) {
  const int32_t w = header.Width;
  const int64_t h = header.Height < 0 ? -static_cast<int64_t>(header.Height) : header.Height;
  if (w <= 0 || h <= 0 || h > INT32_MAX) return false;
  const int32_t H = static_cast<int32_t>(h);
  const auto targetRow = static_cast<size_t>(platform::DibRowBytes(w, Px::kBits));
  if (target.size() / targetRow < static_cast<size_t>(H)) return false;
  const bool quarter = IsQuarterTurn(angle);
  const size_t sourceRow = quarter ? static_cast<size_t>(fillOrRowBytes) : targetRow;
  if (quarter &&
      (fillOrRowBytes <= 0 || sourceRow < static_cast<size_t>(platform::DibRowBytes(H, Px::kBits)))) {
    return false;
  }
  const int32_t sourceRows = quarter ? w : H;
  if (source.size() / sourceRow < static_cast<size_t>(sourceRows)) return false;

  const uint8_t* src = source.data();
  auto srcRow = [&](int64_t y) { return src + static_cast<size_t>(y) * sourceRow; };
  for (int32_t y = 0; y < H; ++y) {
    uint8_t* out = target.data() + static_cast<size_t>(y) * targetRow;
    if (angle == kHalfTurn) {
      const uint8_t* in = srcRow(H - 1 - y);
      for (int32_t x = 0; x < w; ++x) Px::Set(out, x, Px::Get(in, w - 1 - x));
    } else if (angle == kQuarterTurn) {
      for (int32_t x = 0; x < w; ++x) Px::Set(out, x, Px::Get(srcRow(w - 1 - x), y));
    } else if (angle == kThreeQuarterTurn) {
      for (int32_t x = 0; x < w; ++x) Px::Set(out, x, Px::Get(srcRow(x), H - 1 - y));
    } else {
      const double theta = -angle * std::numbers::pi / 180;
      const double c = std::cos(theta);
      const double s = std::sin(theta);
      const auto fill = static_cast<uint32_t>(fillOrRowBytes);
      const double dy = y - cy;
      for (int32_t x = 0; x < w; ++x) {
        const double dx = x - cx;
        const int64_t xs = core::RoundHalfEven(c * dx - s * dy) + cx - 1;
        const int64_t ys = core::RoundHalfEven(s * dx + c * dy) + cy - 1;
        const bool inside = xs >= 0 && xs < w && ys >= 0 && ys < H;
        Px::Set(out, x, inside ? Px::Get(srcRow(ys), static_cast<int32_t>(xs)) : fill);
      }
    }
  }
  return true;
}

// Hourglass for the duration of a turn, restored on every way out.
class BusyCursor {
 public:
  BusyCursor() { platform::Ui().SetBusyCursor(true); }
  ~BusyCursor() { platform::Ui().SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

bool Fail(const char* message) {
  platform::ShowNotice(message);
  return false;
}

}  // namespace

uint32_t FillValue(const platform::Bitmap& bitmap) {
  const auto& palette = bitmap.Palette();
  const uint16_t bitCount = bitmap.BitCount();
  if (bitCount == 1) return !palette.empty() && palette[0].Red == 0 ? 1 : 0;
  if (bitCount > 8) return UINT32_MAX;
  uint32_t lightest = 0;
  int best = -1;
  for (size_t i = 0; i < palette.size() && i < (size_t{1} << bitCount); ++i) {
    const int level = palette[i].Red + palette[i].Green + palette[i].Blue;
    if (level > best) {
      best = level;
      lightest = static_cast<uint32_t>(i);
    }
  }
  return lightest;
}

bool RotateBits1(std::span<const uint8_t> source, std::span<uint8_t> target, int32_t fillOrRowBytes,
                 double angle, int32_t cy, int32_t cx, const platform::BitmapInfoHeader& header) {
  return Turn<BitPixels>(source, target, fillOrRowBytes, angle, cy, cx, header);
}

bool RotateBits8(std::span<const uint8_t> source, std::span<uint8_t> target, int32_t fillOrRowBytes,
                 double angle, int32_t cy, int32_t cx, const platform::BitmapInfoHeader& header) {
  switch (header.BitCount) {
    case 4:
      return Turn<NibblePixels>(source, target, fillOrRowBytes, angle, cy, cx, header);
    case 16:
      return Turn<BytePixels<2>>(source, target, fillOrRowBytes, angle, cy, cx, header);
    case 24:
      return Turn<BytePixels<3>>(source, target, fillOrRowBytes, angle, cy, cx, header);
    case 32:
      return Turn<BytePixels<4>>(source, target, fillOrRowBytes, angle, cy, cx, header);
    default:
      return Turn<BytePixels<1>>(source, target, fillOrRowBytes, angle, cy, cx, header);
  }
}

// The turned picture is built in a bitmap of its own and replaces the
// original only when complete, so a failure leaves the bitmap as it was
// (also its width and height for quarter turns).
bool RotateBitmap(platform::Bitmap& graphic, double angle) {
  BusyCursor busy;
  const int32_t width = graphic.Width();
  const int32_t height = graphic.Height();
  if (graphic.Empty() || graphic.Bits().size() / graphic.RowBytes() < static_cast<size_t>(height)) {
    return Fail(kReadFailed);
  }
  const bool quarter = IsQuarterTurn(angle);
  platform::Bitmap turned;
  try {
    turned.Reset(quarter ? height : width, quarter ? width : height, graphic.BitCount());
  } catch (const std::bad_alloc&) {
    return Fail(kOutOfMemory);
  }
  turned.Palette() = graphic.Palette();
  std::copy_n(graphic.Masks, 3, turned.Masks);
  turned.XPelsPerMeter = graphic.XPelsPerMeter;
  turned.YPelsPerMeter = graphic.YPelsPerMeter;

  const platform::BitmapInfoHeader header = turned.Header();
  const auto third = quarter ? graphic.RowBytes() : static_cast<int32_t>(FillValue(graphic));
  const bool written =
      graphic.BitCount() == 1
          ? RotateBits1(graphic.Bits(), turned.Bits(), third, angle, height / 2, width / 2, header)
          : RotateBits8(graphic.Bits(), turned.Bits(), third, angle, height / 2, width / 2, header);
  if (!written) return Fail(kWriteFailed);
  graphic = std::move(turned);
  return true;
}

}  // namespace imaging
