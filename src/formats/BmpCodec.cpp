// Windows BMP files to and from Bitmaps (see BmpCodec.h).
//
// The decoder walks the file through a bounds-checked view: the 14-byte file
// header, then a 12-byte core header or a 40-byte (or longer) info header,
// the colour masks, the colour table and the pixel array at the offset the
// file header names. Every size is checked against the data and the size
// caps of the readers before anything is allocated, and a picture is only
// handed out once it is complete, so a damaged or hostile file is rejected
// without touching the caller's bitmap.
// Run-length encoded pictures (RLE8, RLE4) are expanded into the top-down
// rows of the Bitmap; pixels the stream never reaches stay at index 0.
//
// The encoder writes the common form: an info header, bottom-up rows without
// compression, the colour table, and the masks of bitfield pictures.

#include "formats/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>

#include "formats/PictureLimits.h"
#include "platform/ByteOrder.h"
#include "platform/FileIo.h"

namespace formats {

using platform::Bitmap;
using platform::DibRowBytes;
using platform::RgbQuad;

namespace {

constexpr uint16_t kBmpMagic = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kHeaderWithMasksSize = 52;  // the info header followed by the three masks
constexpr uint32_t kMaxHeaderSize = 4096;
constexpr size_t kMaskBytes = 12;
constexpr size_t kQuadBytes = 4;
constexpr size_t kTripleBytes = 3;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

// An RLE stream can describe a large picture in a few bytes; claims that
// expand beyond this many pixels per compressed byte are treated as corrupt.
// A blank line of an ordinary encoder costs two bytes per 255 pixels.
constexpr int64_t kMaxRlePixelsPerByte = 4096;

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

// What the headers say about the picture.
struct BmpLayout {
  int32_t Width = 0;
  int32_t Height = 0;  // rows, always positive
  bool TopDown = false;
  uint16_t BitCount = 0;
  uint32_t Compression = kBiRgb;
  uint32_t SizeImage = 0;
  uint32_t ColoursUsed = 0;
  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;
  uint32_t Masks[3] = {0, 0, 0};
  size_t PaletteStart = 0;
  size_t PaletteEntryBytes = kQuadBytes;
  size_t PixelOffset = 0;
};

bool ValidMask(uint32_t mask, uint16_t bitCount) {
  if (mask == 0) return false;
  if (bitCount < 32 && (mask >> bitCount) != 0) return false;
  const uint32_t shifted = mask >> std::countr_zero(mask);
  return (shifted & (shifted + 1)) == 0;  // one run of set bits
}

bool ReadHeaders(const uint8_t* data, size_t size, BmpLayout& layout, std::string* error) {
  if (size < kFileHeaderSize + 4 || platform::GetLe16(data) != kBmpMagic)
    return Fail(error, "not a BMP file");
  layout.PixelOffset = platform::GetLe32(data + 10);
  const uint32_t headerSize = platform::GetLe32(data + kFileHeaderSize);
  const uint8_t* h = data + kFileHeaderSize;
  if (headerSize == kCoreHeaderSize) {
    if (size < kFileHeaderSize + kCoreHeaderSize) return Fail(error, "truncated header");
    layout.Width = platform::GetLe16(h + 4);
    layout.Height = platform::GetLe16(h + 6);
    layout.BitCount = platform::GetLe16(h + 10);
    layout.PaletteEntryBytes = kTripleBytes;
    layout.PaletteStart = kFileHeaderSize + kCoreHeaderSize;
  } else {
    if (headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize) return Fail(error, "unknown header");
    if (size < kFileHeaderSize + headerSize) return Fail(error, "truncated header");
    layout.Width = static_cast<int32_t>(platform::GetLe32(h + 4));
    const auto height = static_cast<int32_t>(platform::GetLe32(h + 8));
    if (height == std::numeric_limits<int32_t>::min()) return Fail(error, "bad height");
    layout.TopDown = height < 0;
    layout.Height = height < 0 ? -height : height;
    layout.BitCount = platform::GetLe16(h + 14);
    layout.Compression = platform::GetLe32(h + 16);
    layout.SizeImage = platform::GetLe32(h + 20);
    layout.XPelsPerMeter = static_cast<int32_t>(platform::GetLe32(h + 24));
    layout.YPelsPerMeter = static_cast<int32_t>(platform::GetLe32(h + 28));
    layout.ColoursUsed = platform::GetLe32(h + 32);
    size_t next = kFileHeaderSize + headerSize;
    if (layout.Compression == kBiBitfields) {
      size_t maskAt = kFileHeaderSize + kInfoHeaderSize;
      if (headerSize < kHeaderWithMasksSize) {
        if (size < next + kMaskBytes) return Fail(error, "truncated colour masks");
        next += kMaskBytes;
      }
      for (uint32_t& mask : layout.Masks) {
        mask = platform::GetLe32(data + maskAt);
        maskAt += 4;
      }
    }
    layout.PaletteStart = next;
  }
  return true;
}

bool CheckLayout(const BmpLayout& layout, std::string* error) {
  if (layout.Width <= 0 || layout.Height <= 0) return Fail(error, "bad picture size");
  if (!platform::IsDibBitCount(layout.BitCount)) return Fail(error, "unsupported bits per pixel");
  if (!PictureSizeAllowed(layout.Width, layout.Height, layout.BitCount, error)) return false;
  switch (layout.Compression) {
    case kBiRgb:
      break;
    case kBiRle8:
      if (layout.BitCount != 8) return Fail(error, "RLE8 needs 8 bits per pixel");
      break;
    case kBiRle4:
      if (layout.BitCount != 4) return Fail(error, "RLE4 needs 4 bits per pixel");
      break;
    case kBiBitfields:
      if (layout.BitCount != 16 && layout.BitCount != 32) return Fail(error, "bitfields need 16 or 32 bits");
      for (uint32_t mask : layout.Masks) {
        if (!ValidMask(mask, layout.BitCount)) return Fail(error, "bad colour mask");
      }
      break;
    default:
      return Fail(error, "unsupported compression");
  }
  return true;
}

// The colour table of pictures of 8 bits or fewer, padded with black up to
// the full 2^bits entries so that every pixel value names an entry. Deeper
// pictures may carry a table as a display hint; it is not kept.
bool ReadPalette(const uint8_t* data, size_t size, const BmpLayout& layout, Bitmap& out, std::string* error) {
  auto& palette = out.Palette();
  palette.clear();
  if (layout.BitCount > 8) return true;
  const size_t full = size_t{1} << layout.BitCount;
  size_t count = layout.ColoursUsed != 0 && layout.ColoursUsed < full ? layout.ColoursUsed : full;
  if (layout.PixelOffset < layout.PaletteStart) return Fail(error, "pixel data overlaps the headers");
  // Some writers leave out the tail of the table: the pixel offset tells.
  count = std::min(count, (layout.PixelOffset - layout.PaletteStart) / layout.PaletteEntryBytes);
  if (layout.PaletteStart + count * layout.PaletteEntryBytes > size)
    return Fail(error, "truncated colour table");
  palette.resize(full);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = data + layout.PaletteStart + i * layout.PaletteEntryBytes;
    palette[i] = RgbQuad{p[0], p[1], p[2], 0};
  }
  return true;
}

bool ReadUncompressed(const uint8_t* pixels, size_t available, Bitmap& out, bool topDown,
                      std::string* error) {
  const auto rowBytes = static_cast<size_t>(out.RowBytes());
  const auto height = static_cast<size_t>(out.Height());
  if (available / rowBytes < height) return Fail(error, "truncated pixel data");
  for (size_t r = 0; r < height; ++r) {
    const size_t y = topDown ? r : height - 1 - r;
    std::copy_n(pixels + r * rowBytes, rowBytes, out.Row(static_cast<int32_t>(y)));
  }
  return true;
}

// Expands an RLE8 or RLE4 stream. Pixels that fall outside the picture are
// dropped; a stream that ends without its end-of-picture mark keeps the
// rows it did describe.
class RleDecoder {
 public:
  RleDecoder(Bitmap& out, bool topDown, bool fourBit) : out_(out), topDown_(topDown), fourBit_(fourBit) {}

  void Decode(const uint8_t* d, size_t n) {
    size_t i = 0;
    while (i + 1 < n && row_ < out_.Height()) {
      const uint8_t count = d[i];
      const uint8_t value = d[i + 1];
      i += 2;
      if (count > 0) {
        for (int k = 0; k < count; ++k) Put(fourBit_ ? ((k & 1) ? value & 0x0F : value >> 4) : value);
        continue;
      }
      if (value == kEndOfLine) {
        x_ = 0;
        ++row_;
      } else if (value == kEndOfPicture) {
        return;
      } else if (value == kDelta) {
        if (i + 1 >= n) return;
        x_ += d[i];
        row_ += d[i + 1];
        i += 2;
      } else {
        const size_t bytes = fourBit_ ? (value + 1u) / 2 : value;
        if (i + bytes > n) return;
        for (int k = 0; k < value; ++k) {
          Put(fourBit_ ? ((k & 1) ? d[i + k / 2] & 0x0F : d[i + k / 2] >> 4) : d[i + k]);
        }
        i += bytes + (bytes & 1);  // absolute runs end on a 16-bit boundary
      }
    }
  }

 private:
  static constexpr uint8_t kEndOfLine = 0;
  static constexpr uint8_t kEndOfPicture = 1;
  static constexpr uint8_t kDelta = 2;

  void Put(uint8_t value) {
    if (x_ < out_.Width() && row_ < out_.Height()) {
      const auto y = static_cast<int32_t>(topDown_ ? row_ : out_.Height() - 1 - row_);
      uint8_t* row = out_.Row(y);
      if (fourBit_) {
        uint8_t& byte = row[x_ / 2];
        byte = (x_ & 1) ? static_cast<uint8_t>((byte & 0xF0) | value)
                        : static_cast<uint8_t>((byte & 0x0F) | (value << 4));
      } else {
        row[x_] = value;
      }
    }
    ++x_;
  }

  Bitmap& out_;
  bool topDown_;
  bool fourBit_;
  int64_t x_ = 0;
  int64_t row_ = 0;
};

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Bitmap& out, std::string* error) {
  if (data == nullptr) return Fail(error, "no data");
  BmpLayout layout;
  if (!ReadHeaders(data, size, layout, error) || !CheckLayout(layout, error)) return false;
  if (layout.PixelOffset > size) return Fail(error, "pixel data beyond the end of the file");
  const uint8_t* pixels = data + layout.PixelOffset;
  size_t available = size - layout.PixelOffset;
  const bool rle = layout.Compression == kBiRle8 || layout.Compression == kBiRle4;
  if (rle) {
    if (layout.SizeImage != 0 && layout.SizeImage < available) available = layout.SizeImage;
    if (static_cast<int64_t>(layout.Width) * layout.Height >
        static_cast<int64_t>(available) * kMaxRlePixelsPerByte) {
      return Fail(error, "compressed data too short for the picture size");
    }
  } else if (available / static_cast<size_t>(DibRowBytes(layout.Width, layout.BitCount)) <
             static_cast<size_t>(layout.Height)) {
    return Fail(error, "truncated pixel data");  // checked before the rows are allocated
  }

  Bitmap picture;
  try {
    picture.Reset(layout.Width, layout.Height, layout.BitCount);
  } catch (const std::bad_alloc&) {
    return Fail(error, "out of memory");
  }
  if (!ReadPalette(data, size, layout, picture, error)) return false;
  if (layout.Compression == kBiBitfields) std::copy_n(layout.Masks, 3, picture.Masks);
  picture.XPelsPerMeter = layout.XPelsPerMeter;
  picture.YPelsPerMeter = layout.YPelsPerMeter;
  if (rle) {
    RleDecoder(picture, layout.TopDown, layout.Compression == kBiRle4).Decode(pixels, available);
  } else if (!ReadUncompressed(pixels, available, picture, layout.TopDown, error)) {
    return false;
  }
  out = std::move(picture);
  return true;
}

bool ReadBmpFile(const std::string& path, Bitmap& out, std::string* error) {
  std::vector<uint8_t> data;
  return platform::ReadWholeFile(path, data, error) && DecodeBmp(data.data(), data.size(), out, error);
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap) {
  std::vector<uint8_t> out;
  if (bitmap.Empty()) return out;
  if (!platform::IsDibBitCount(bitmap.BitCount())) return out;
  const auto rowBytes = static_cast<size_t>(bitmap.RowBytes());
  const auto height = static_cast<size_t>(bitmap.Height());
  const size_t imageBytes = rowBytes * height;
  if (bitmap.Bits().size() < imageBytes) return out;
  const bool masks = bitmap.BitCount() >= 16 && (bitmap.Masks[0] | bitmap.Masks[1] | bitmap.Masks[2]) != 0;
  const size_t paletteEntries = bitmap.BitCount() <= 8 ? bitmap.Palette().size() : 0;
  const size_t offset =
      kFileHeaderSize + kInfoHeaderSize + (masks ? kMaskBytes : 0) + paletteEntries * kQuadBytes;
  const size_t fileSize = offset + imageBytes;
  if (fileSize > std::numeric_limits<uint32_t>::max()) return out;

  out.reserve(fileSize);
  platform::AppendLe16(out, kBmpMagic);
  platform::AppendLe32(out, static_cast<uint32_t>(fileSize));
  platform::AppendLe32(out, 0);  // reserved
  platform::AppendLe32(out, static_cast<uint32_t>(offset));
  platform::AppendLe32(out, kInfoHeaderSize);
  platform::AppendLe32(out, static_cast<uint32_t>(bitmap.Width()));
  platform::AppendLe32(out, static_cast<uint32_t>(bitmap.Height()));  // positive: bottom-up rows
  platform::AppendLe16(out, 1);                                       // planes
  platform::AppendLe16(out, bitmap.BitCount());
  platform::AppendLe32(out, masks ? kBiBitfields : kBiRgb);
  platform::AppendLe32(out, static_cast<uint32_t>(imageBytes));
  platform::AppendLe32(out, static_cast<uint32_t>(bitmap.XPelsPerMeter));
  platform::AppendLe32(out, static_cast<uint32_t>(bitmap.YPelsPerMeter));
  platform::AppendLe32(out, static_cast<uint32_t>(paletteEntries));
  platform::AppendLe32(out, 0);  // all colours important
  if (masks) {
    for (uint32_t mask : bitmap.Masks) platform::AppendLe32(out, mask);
  }
  for (size_t i = 0; i < paletteEntries; ++i) {
    const RgbQuad& q = bitmap.Palette()[i];
    out.insert(out.end(), {q.Blue, q.Green, q.Red, 0});
  }
  for (size_t r = height; r-- > 0;) {
    const uint8_t* row = bitmap.Row(static_cast<int32_t>(r));
    out.insert(out.end(), row, row + rowBytes);
  }
  return out;
}

bool WriteBmpFile(const std::string& path, const Bitmap& bitmap) {
  const std::vector<uint8_t> data = EncodeBmp(bitmap);
  return !data.empty() && platform::WriteFileAtomically(path, data);
}

bool CopyGraphic(Bitmap& target, const Bitmap& source) {
  if (source.Empty()) {
    target = Bitmap();
    return true;
  }
  std::vector<uint8_t> image;
  Bitmap copy;
  try {
    image = EncodeBmp(source);
    if (image.empty() || !DecodeBmp(image.data(), image.size(), copy)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  target = std::move(copy);
  return true;
}

}  // namespace formats
