// Colour to grey, threshold and the automatic threshold (see
// ColourConvert.h). Each conversion reads the source once into a buffer of
// grey values and builds the result in a fresh bitmap, which replaces the
// target only when it is complete; source and target may be the same bitmap.
#include "imaging/ColourConvert.h"

#include <array>
#include <bit>
#include <new>

#include "platform/PageBits.h"
#include "platform/UiHooks.h"

namespace imaging {

namespace {

constexpr int kGreyLevels = 256;
constexpr uint32_t kMaxLevel = 255;
constexpr char kWriteFailed[] = "设置位图数据错误";

// Default channel layouts of 16-bit (5-5-5) and 32-bit (8-8-8) pictures.
constexpr std::array<uint32_t, 3> kMasks555 = {0x7C00, 0x03E0, 0x001F};
constexpr std::array<uint32_t, 3> kMasks888 = {0xFF0000, 0x00FF00, 0x0000FF};

// One colour channel of a packed pixel, scaled to 0..255.
class Channel {
 public:
  explicit Channel(uint32_t mask)
      : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), max_(mask ? mask >> shift_ : 0) {}
  uint8_t Level(uint32_t pixel) const {
    if (max_ == 0) return 0;
    const uint64_t value = (pixel & mask_) >> shift_;
    return static_cast<uint8_t>((value * kMaxLevel + max_ / 2) / max_);
  }

 private:
  uint32_t mask_;
  int shift_;
  uint32_t max_;
};

// Grey level of every palette index; indices without an entry are black.
std::array<uint8_t, kGreyLevels> PaletteGreys(const platform::Bitmap& source) {
  std::array<uint8_t, kGreyLevels> greys{};
  const auto& palette = source.Palette();
  for (size_t i = 0; i < palette.size() && i < greys.size(); ++i) {
    greys[i] = GreyLevel(palette[i].Red, palette[i].Green, palette[i].Blue);
  }
  return greys;
}

void PaletteRow(const uint8_t* row, int32_t width, uint16_t bitCount,
                const std::array<uint8_t, kGreyLevels>& greys, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x) {
    uint8_t index;
    if (bitCount == 1) {
      index = (row[x >> 3] >> (7 - (x & 7))) & 1;
    } else if (bitCount == 4) {
      index = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    } else {
      index = row[x];
    }
    out[x] = greys[index];
  }
}

void PackedRow(const uint8_t* row, int32_t width, uint16_t bitCount, const Channel (&channels)[3],
               uint8_t* out) {
  const int bytes = bitCount / 8;
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* p = row + static_cast<size_t>(x) * bytes;
    uint32_t pixel = 0;
    for (int b = bytes; b-- > 0;) pixel = (pixel << 8) | p[b];
    out[x] = GreyLevel(channels[0].Level(pixel), channels[1].Level(pixel), channels[2].Level(pixel));
  }
}

void RgbRow(const uint8_t* row, int32_t width, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x, row += 3) out[x] = GreyLevel(row[2], row[1], row[0]);
}

// Sets size, resolution and pixels of a fresh result and moves it into the
// target; the message tells of a write that fell short.
bool StoreResult(platform::Bitmap& result, const platform::Bitmap& source, const std::vector<uint8_t>& bits,
                 platform::Bitmap& target) {
  result.XPelsPerMeter = source.XPelsPerMeter;
  result.YPelsPerMeter = source.YPelsPerMeter;
  if (!platform::SetPageBits(result, bits)) {
    platform::ShowNotice(kWriteFailed);
    return false;
  }
  target = std::move(result);
  return true;
}

}  // namespace

bool ReadGreyValues(const platform::Bitmap& source, std::vector<uint8_t>& values) {
  if (source.Empty()) return false;
  const uint16_t bitCount = source.BitCount();
  if (!platform::IsDibBitCount(bitCount)) return false;
  const int32_t width = source.Width();
  const int32_t height = source.Height();
  if (source.Bits().size() < static_cast<size_t>(source.RowBytes()) * height) return false;
  const auto outRow = static_cast<size_t>(platform::DibRowBytes(width, 8));
  values.assign(outRow * height, 0);

  const auto greys = PaletteGreys(source);
  const bool ownMasks = (source.Masks[0] | source.Masks[1] | source.Masks[2]) != 0;
  const auto& masks = bitCount == 16 ? kMasks555 : kMasks888;
  const Channel channels[3] = {Channel(ownMasks ? source.Masks[0] : masks[0]),
                               Channel(ownMasks ? source.Masks[1] : masks[1]),
                               Channel(ownMasks ? source.Masks[2] : masks[2])};
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = values.data() + static_cast<size_t>(y) * outRow;
    const uint8_t* row = source.Row(y);
    if (bitCount <= 8) {
      PaletteRow(row, width, bitCount, greys, out);
    } else if (bitCount == 24) {
      RgbRow(row, width, out);
    } else {
      PackedRow(row, width, bitCount, channels, out);
    }
  }
  return true;
}

bool ColourToGrey(const platform::Bitmap& source, platform::Bitmap& target) {
  try {
    std::vector<uint8_t> values;
    if (!ReadGreyValues(source, values)) return false;
    platform::Bitmap grey(source.Width(), source.Height(), 8);
    auto& palette = grey.Palette();
    for (int i = 0; i < kGreyLevels; ++i) {
      const auto level = static_cast<uint8_t>(i);
      palette[i] = platform::RgbQuad{level, level, level, 0};
    }
    return StoreResult(grey, source, values, target);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ThresholdToMono(const platform::Bitmap& source, platform::Bitmap& target, int32_t threshold) {
  try {
    std::vector<uint8_t> values;
    if (!ReadGreyValues(source, values)) return false;
    const int32_t width = source.Width();
    const int32_t height = source.Height();
    const auto valueRow = static_cast<size_t>(platform::DibRowBytes(width, 8));
    const auto monoRow = static_cast<size_t>(platform::DibRowBytes(width, 1));
    std::vector<uint8_t> bits(monoRow * height, 0);
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* in = values.data() + y * valueRow;
      uint8_t* out = bits.data() + y * monoRow;
      for (int32_t x = 0; x < width; ++x) {
        if (in[x] < threshold) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    platform::Bitmap mono(width, height, 1);  // entry 0 white, entry 1 black
    return StoreResult(mono, source, bits, target);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace imaging
