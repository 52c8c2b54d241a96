// PNG pages through libpng (see PngReader.h).
//
// libpng reports errors by calling back, and the callback leaves through
// longjmp to the one setjmp in ReadPalettePng; that function holds nothing
// with a destructor that the jump could skip (the rows live in the caller).
// Pixel indices become bitmap indices as the general reader stores them: the
// bitmap has 1 bit a pixel for up to 2 palette entries, 4 for up to 16, 8
// beyond; the palette has at least 2 entries. A picture with an index past
// its palette is declined: the general reader refuses it.
// A pHYs chunk in pixels per metre is the bitmap's resolution; other units
// leave it 0.
#include "formats/PngReader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "formats/PixelRows.h"

namespace formats {
namespace {

constexpr size_t kSignatureBytes = 8;
// Chunks that make the general reader change the colours (transparency laid
// on white, gamma and colour profiles) or the depth it reports.
constexpr png_uint_32 kDeclinedChunks = PNG_INFO_tRNS | PNG_INFO_gAMA | PNG_INFO_iCCP | PNG_INFO_sRGB |
                                        PNG_INFO_cHRM | PNG_INFO_sBIT;

struct ReadState {
  const uint8_t* Data;
  size_t Size;
  size_t At;
  bool Warned;
  std::jmp_buf Jump;
};

void OnError(png_structp png, png_const_charp) {
  std::longjmp(static_cast<ReadState*>(png_get_error_ptr(png))->Jump, 1);
}

void OnWarning(png_structp png, png_const_charp) {
  static_cast<ReadState*>(png_get_error_ptr(png))->Warned = true;
}

void ReadBytes(png_structp png, png_bytep into, png_size_t count) {
  auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
  if (count > state->Size - state->At) png_error(png, "data cut short");
  std::memcpy(into, state->Data + state->At, count);
  state->At += count;
}

struct PngHeader {
  png_uint_32 Width = 0, Height = 0;
  int Depth = 0;
  int Entries = 0;
  platform::RgbQuad Palette[256] = {};
  png_uint_32 XPerMetre = 0, YPerMetre = 0;
};

uint16_t BitmapDepth(int entries) {
  return entries <= 2 ? 1 : entries <= 16 ? 4 : 8;
}

// Reads the header and, when the picture is one this reader takes, the packed
// palette indices into `indices` (rows of ceil(width × depth / 8) bytes).
bool ReadPalettePng(ReadState& state, PngHeader& header, std::vector<uint8_t>& indices,
                    std::vector<png_bytep>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(state.Jump) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &state, ReadBytes);
  png_read_info(png, info);
  int colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &header.Width, &header.Height, &header.Depth, &colourType, &interlace, nullptr,
               nullptr);
  png_colorp palette = nullptr;
  bool taken = colourType == PNG_COLOR_TYPE_PALETTE && png_get_valid(png, info, kDeclinedChunks) == 0 &&
               png_get_PLTE(png, info, &palette, &header.Entries) != 0 && header.Entries >= 1 &&
               header.Entries <= 256 && header.Width <= kMaxSide && header.Height <= kMaxSide &&
               PictureSizeAllowed(header.Width, header.Height, 24);
  if (taken) {
    for (int i = 0; i < header.Entries; ++i)
      header.Palette[i] = platform::RgbQuad{palette[i].blue, palette[i].green, palette[i].red, 0};
    int unit = 0;
    if (png_get_pHYs(png, info, &header.XPerMetre, &header.YPerMetre, &unit) == 0 ||
        unit != PNG_RESOLUTION_METER) {
      header.XPerMetre = header.YPerMetre = 0;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    indices.assign(rowBytes * header.Height, 0);
    rows.resize(header.Height);
    for (png_uint_32 y = 0; y < header.Height; ++y) rows[y] = indices.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return taken && !state.Warned;
}

// Row y of the picture's indices into row y of the bitmap; false at an
// index past the palette.
bool StoreRow(const PngHeader& header, const uint8_t* from, uint16_t bitCount, uint8_t* to) {
  const auto width = static_cast<int32_t>(header.Width);
  if (header.Depth == 1 && header.Entries == 2) {  // the usual page: the bits as they are
    const size_t bytes = (header.Width + 7) / 8;
    std::memcpy(to, from, bytes);
    if (width % 8 != 0) to[bytes - 1] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
    return true;
  }
  const int depth = header.Depth;
  const int perByte = 8 / depth;
  const int mask = (1 << depth) - 1;
  for (int32_t x = 0; x < width; ++x) {
    const int shift = 8 - depth * (x % perByte + 1);
    const int index = (from[x / perByte] >> shift) & mask;
    if (index >= header.Entries) return false;
    if (bitCount == 8) {
      to[x] = static_cast<uint8_t>(index);
    } else if (bitCount == 4) {
      to[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4));
    } else if (index != 0) {
      to[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return true;
}

}  // namespace

bool DecodePlainPng(const uint8_t* data, size_t size, platform::Bitmap& out) {
  if (size < kSignatureBytes || png_sig_cmp(data, 0, kSignatureBytes) != 0) return false;
  ReadState state{data, size, 0, false, {}};
  PngHeader header;
  std::vector<uint8_t> indices;
  std::vector<png_bytep> rows;
  if (!ReadPalettePng(state, header, indices, rows)) return false;
  const uint16_t bitCount = BitmapDepth(header.Entries);
  platform::Bitmap picture;
  picture.Reset(static_cast<int32_t>(header.Width), static_cast<int32_t>(header.Height), bitCount);
  picture.Palette().assign(header.Palette, header.Palette + std::max(header.Entries, 2));
  for (png_uint_32 y = 0; y < header.Height; ++y) {
    if (!StoreRow(header, rows[y], bitCount, picture.Row(static_cast<int32_t>(y)))) return false;
  }
  picture.XPelsPerMeter = static_cast<int32_t>(header.XPerMetre);
  picture.YPelsPerMeter = static_cast<int32_t>(header.YPerMetre);
  out = std::move(picture);
  return true;
}

}  // namespace formats
