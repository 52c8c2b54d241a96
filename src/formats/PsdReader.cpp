// PSD/PDD composite image reader (see PsdReader.h).
//
// The file is: a 26-byte header (signature "8BPS", version 1, or 2 for the
// large-document variant, channels, height, width, depth, colour mode), then
// three length-prefixed sections (colour mode data, image resources, layer
// and mask information), then the image data: a 2-byte compression code and
// the channels one after another, each as planar rows. With PackBits the
// rows are preceded by a table of their compressed byte counts. All numbers
// are big-endian. Every length is checked against the bytes that remain.
#include "formats/PsdReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/PictureLimits.h"

namespace formats {
namespace {

enum ColourMode : uint16_t {
  kBitmapMode = 0,
  kGreyMode = 1,
  kIndexedMode = 2,
  kRgbMode = 3,
  kCmykMode = 4,
  kMultichannelMode = 7,
  kDuotoneMode = 8,
};
constexpr uint16_t kRawData = 0;
constexpr uint16_t kPackBits = 1;
constexpr size_t kHeaderBytes = 26;
constexpr int kMaxChannels = 56;
constexpr size_t kIndexedTableBytes = 768;

struct Reader {
  const uint8_t* Data;
  size_t Size;
  size_t Pos = 0;
  bool Need(uint64_t bytes) const { return bytes <= Size - Pos; }
  uint64_t Read(int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | Data[Pos++];
    return value;
  }
};

struct Header {
  int Version = 0;
  int Channels = 0;
  int64_t Height = 0;
  int64_t Width = 0;
  int Depth = 0;
  uint16_t Mode = 0;
};

int ColourChannels(const Header& h) {
  return h.Mode == kRgbMode ? 3 : h.Mode == kCmykMode ? 4 : 1;
}

uint64_t RowBytes(const Header& h) {
  return (static_cast<uint64_t>(h.Width) * h.Depth + 7) / 8;
}

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

bool ReadHeader(Reader& in, Header& h, std::string* error) {
  if (!in.Need(kHeaderBytes) || std::memcmp(in.Data, "8BPS", 4) != 0) return Fail(error, "not a PSD file");
  in.Pos = 4;
  h.Version = static_cast<int>(in.Read(2));
  in.Pos += 6;  // reserved
  h.Channels = static_cast<int>(in.Read(2));
  h.Height = static_cast<int64_t>(in.Read(4));
  h.Width = static_cast<int64_t>(in.Read(4));
  h.Depth = static_cast<int>(in.Read(2));
  h.Mode = static_cast<uint16_t>(in.Read(2));
  if (h.Version != 1 && h.Version != 2) return Fail(error, "unknown PSD version");
  if (h.Channels < 1 || h.Channels > kMaxChannels) return Fail(error, "bad channel count");
  if (h.Depth != 1 && h.Depth != 8 && h.Depth != 16 && h.Depth != 32) return Fail(error, "bad depth");
  if ((h.Depth == 1) != (h.Mode == kBitmapMode)) return Fail(error, "bad depth for the colour mode");
  if (h.Channels < ColourChannels(h)) return Fail(error, "too few channels");
  if (h.Mode != kBitmapMode && h.Mode != kGreyMode && h.Mode != kIndexedMode && h.Mode != kRgbMode &&
      h.Mode != kCmykMode && h.Mode != kMultichannelMode && h.Mode != kDuotoneMode) {
    return Fail(error, "unsupported colour mode");
  }
  if (h.Mode == kIndexedMode && h.Depth != 8) return Fail(error, "bad depth for indexed colour");
  return true;
}

// Skips a section whose length field has `lengthBytes` bytes; `body` gets
// its start and length.
bool Section(Reader& in, int lengthBytes, size_t& start, uint64_t& length) {
  if (!in.Need(lengthBytes)) return false;
  length = in.Read(lengthBytes);
  if (!in.Need(length)) return false;
  start = in.Pos;
  in.Pos += static_cast<size_t>(length);
  return true;
}

// Unpacks one PackBits row of `count` compressed bytes into exactly `row.size()` bytes.
bool UnpackBits(const uint8_t* packed, size_t count, std::vector<uint8_t>& row) {
  size_t in = 0, out = 0;
  while (out < row.size()) {
    if (in >= count) return false;
    const auto n = static_cast<int8_t>(packed[in++]);
    if (n >= 0) {
      const size_t run = static_cast<size_t>(n) + 1;
      if (run > count - in || run > row.size() - out) return false;
      std::memcpy(&row[out], packed + in, run);
      in += run;
      out += run;
    } else if (n != -128) {
      const size_t run = static_cast<size_t>(1 - n);
      if (in >= count || run > row.size() - out) return false;
      std::memset(&row[out], packed[in++], run);
      out += run;
    }
  }
  return true;
}

// One 8-bit sample from a row of the file's depth.
uint8_t Sample(const std::vector<uint8_t>& row, int64_t x, int depth) {
  if (depth == 8) return row[x];
  if (depth == 16) return row[2 * x];
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = (bits << 8) | row[4 * x + i];
  float value;
  std::memcpy(&value, &bits, sizeof value);
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

// Stores channel `channel`'s row y into the bitmap.
void StoreRow(const Header& h, int channel, int64_t y, const std::vector<uint8_t>& row,
              platform::Bitmap& out) {
  uint8_t* target = out.Row(static_cast<int32_t>(y));
  if (h.Mode == kBitmapMode) {
    std::memcpy(target, row.data(), row.size());
    return;
  }
  if (h.Mode != kRgbMode && h.Mode != kCmykMode) {
    for (int64_t x = 0; x < h.Width; ++x) target[x] = Sample(row, x, h.Depth);
    return;
  }
  // Colour rows collect red, green, blue in the pixel's B, G, R bytes; CMYK
  // channels (stored with 255 meaning no ink) are multiplied in as they come.
  for (int64_t x = 0; x < h.Width; ++x) {
    const uint8_t value = Sample(row, x, h.Depth);
    uint8_t* pixel = target + 3 * x;
    if (channel < 3) {
      pixel[2 - channel] = value;
    } else {
      for (int i = 0; i < 3; ++i) pixel[i] = static_cast<uint8_t>(pixel[i] * value / 255);
    }
  }
}

// The fewest bytes the image data can take, checked before the picture is
// allocated: raw rows, or per row its count and two bytes per 128-byte run.
uint64_t MinimalImageBytes(const Header& h) {
  const uint64_t rows = static_cast<uint64_t>(h.Height) * ColourChannels(h);
  const uint64_t rowBytes = RowBytes(h);
  const uint64_t rawBytes = rows * rowBytes;
  const uint64_t packedBytes = rows * (2 + 2 * ((rowBytes + 127) / 128));
  return 2 + std::min(rawBytes, packedBytes);
}

bool ReadImageData(Reader& in, const Header& h, platform::Bitmap& out, std::string* error) {
  if (!in.Need(2)) return Fail(error, "no image data");
  const auto compression = static_cast<uint16_t>(in.Read(2));
  if (compression != kRawData && compression != kPackBits) return Fail(error, "unsupported compression");
  const int channels = ColourChannels(h);
  const uint64_t rowBytes = RowBytes(h);
  std::vector<uint8_t> row(rowBytes);
  const int countBytes = h.Version == 2 ? 4 : 2;
  const uint64_t rows = static_cast<uint64_t>(h.Height) * h.Channels;
  size_t counts = 0;
  if (compression == kPackBits) {
    if (!in.Need(rows * countBytes)) return Fail(error, "truncated row table");
    counts = in.Pos;
    in.Pos += static_cast<size_t>(rows * countBytes);
  }
  for (int channel = 0; channel < channels; ++channel) {
    for (int64_t y = 0; y < h.Height; ++y) {
      if (compression == kRawData) {
        if (!in.Need(rowBytes)) return Fail(error, "truncated image data");
        std::memcpy(row.data(), in.Data + in.Pos, rowBytes);
        in.Pos += rowBytes;
      } else {
        Reader table{in.Data, in.Size, counts + static_cast<size_t>((channel * h.Height + y) * countBytes)};
        const uint64_t packed = table.Read(countBytes);
        if (!in.Need(packed)) return Fail(error, "truncated image data");
        if (!UnpackBits(in.Data + in.Pos, static_cast<size_t>(packed), row))
          return Fail(error, "bad PackBits row");
        in.Pos += static_cast<size_t>(packed);
      }
      StoreRow(h, channel, y, row, out);
    }
  }
  return true;
}

}  // namespace

bool DecodePsd(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error) {
  Reader in{data, size};
  Header h;
  if (!ReadHeader(in, h, error)) return false;
  const uint16_t bitCount = h.Mode == kBitmapMode ? 1 : (h.Mode == kRgbMode || h.Mode == kCmykMode) ? 24 : 8;
  if (!PictureSizeAllowed(h.Width, h.Height, bitCount, error)) return false;
  size_t colourData = 0, start = 0;
  uint64_t colourLength = 0, length = 0;
  if (!Section(in, 4, colourData, colourLength) || !Section(in, 4, start, length) ||
      !Section(in, h.Version == 2 ? 8 : 4, start, length)) {
    return Fail(error, "truncated sections");
  }
  if (h.Mode == kIndexedMode && colourLength < kIndexedTableBytes) return Fail(error, "no colour table");
  if (!in.Need(MinimalImageBytes(h))) return Fail(error, "truncated image data");
  platform::Bitmap picture(static_cast<int32_t>(h.Width), static_cast<int32_t>(h.Height), bitCount);
  if (h.Mode == kIndexedMode) {
    for (size_t i = 0; i < 256; ++i) {
      const uint8_t* table = data + colourData;
      picture.Palette()[i] = platform::RgbQuad{table[512 + i], table[256 + i], table[i], 0};
    }
  }
  if (!ReadImageData(in, h, picture, error)) return false;
  out = std::move(picture);
  return true;
}

}  // namespace formats
