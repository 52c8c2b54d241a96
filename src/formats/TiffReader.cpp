// TIFF pages through libtiff (see TiffReader.h).
//
// Bilevel, palette and 8-bit grey pages keep their samples: rows are read as
// they are stored (scanlines from strips, or tiles cut into rows) and copied
// into the DIB, bottom row first, or into the Bitmap, top row first. Every other page goes through libtiff's
// RGBA reader a band of rows at a time. Sizes are checked against the caps
// of the readers before the block is allocated; libtiff's own allocations
// are capped as well, and its messages are swallowed (the caller shows its
// own single message).
#include "formats/TiffReader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "formats/PictureLimits.h"
#include "formats/TiffFiles.h"
#include "platform/Bitmap.h"

namespace formats {
namespace {

using platform::GlobalHandle;

constexpr uint32_t kRgbaBandRows = 64;
constexpr double kCentimetresPerMetre = 100.0;
constexpr double kInchesPerMetre = 39.3700787;

// How the page's samples become DIB pixels.
enum class Kind { Bilevel, Palette, Grey8, Rgba };

struct Page {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint16_t BitsPerSample = 1;
  uint16_t Samples = 1;
  uint16_t Photometric = PHOTOMETRIC_MINISWHITE;
  Kind How = Kind::Rgba;
  uint16_t DibBits = 24;
  std::vector<platform::RgbQuad> Palette;
  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;
};

int32_t PerMetre(TIFF* tiff, ttag_t tag) {
  float resolution = 0;
  uint16_t unit = RESUNIT_INCH;
  if (!TIFFGetField(tiff, tag, &resolution) || !(resolution > 0) || resolution > 1e6f) return 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (unit == RESUNIT_INCH) return static_cast<int32_t>(resolution * kInchesPerMetre + 0.5);
  if (unit == RESUNIT_CENTIMETER) return static_cast<int32_t>(resolution * kCentimetresPerMetre + 0.5);
  return 0;
}

// The colour map, scaled to 8 bits (some writers store 8-bit values in the
// 16-bit fields; those are taken as they are).
bool ReadColourMap(TIFF* tiff, Page& page) {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return false;
  const size_t entries = size_t{1} << page.BitsPerSample;
  bool sixteenBit = false;
  for (size_t i = 0; i < entries; ++i) sixteenBit |= red[i] > 255 || green[i] > 255 || blue[i] > 255;
  auto scale = [&](uint16_t v) { return static_cast<uint8_t>(sixteenBit ? v >> 8 : v); };
  page.Palette.assign(size_t{1} << page.DibBits, platform::RgbQuad{});
  for (size_t i = 0; i < entries; ++i) page.Palette[i] = {scale(blue[i]), scale(green[i]), scale(red[i]), 0};
  return true;
}

bool DescribePage(TIFF* tiff, Page& page, std::string* why) {
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.Width) ||
      !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.Height)) {
    if (why) *why = "unsupported or damaged TIFF page";
    return false;
  }
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &page.BitsPerSample);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &page.Samples);
  if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &page.Photometric)) {
    page.Photometric = page.Samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
  }
  const bool grey = page.Photometric == PHOTOMETRIC_MINISWHITE || page.Photometric == PHOTOMETRIC_MINISBLACK;
  const uint16_t bits = page.BitsPerSample;
  if (page.Samples == 1 && bits == 1 && grey) {
    page.How = Kind::Bilevel;
    page.DibBits = 1;
    const platform::RgbQuad white{255, 255, 255, 0}, black{0, 0, 0, 0};
    page.Palette =
        page.Photometric == PHOTOMETRIC_MINISWHITE ? std::vector{white, black} : std::vector{black, white};
  } else if (page.Samples == 1 && page.Photometric == PHOTOMETRIC_PALETTE &&
             (bits == 1 || bits == 4 || bits == 8)) {
    page.How = Kind::Palette;
    page.DibBits = bits;
    if (!ReadColourMap(tiff, page)) {
      if (why) *why = "unsupported or damaged TIFF page";
      return false;
    }
  } else if (page.Samples == 1 && bits == 8 && grey) {
    page.How = Kind::Grey8;
    page.DibBits = 8;
  } else {
    page.How = Kind::Rgba;
    page.DibBits = grey ? 8 : 24;
  }
  if (page.DibBits == 8 && page.How != Kind::Palette) page.Palette = platform::Bitmap(1, 1, 8).Palette();
  page.XPelsPerMeter = PerMetre(tiff, TIFFTAG_XRESOLUTION);
  page.YPelsPerMeter = PerMetre(tiff, TIFFTAG_YRESOLUTION);
  return PictureSizeAllowed(page.Width, page.Height, page.DibBits, why);
}

using RowSink = std::function<void(uint32_t y, const uint8_t* samples)>;

// Hands every row of a one-sample page to `sink` as stored.
bool ReadStoredRows(TIFF* tiff, const Page& page, const RowSink& sink) {
  const size_t rowBytes = (static_cast<size_t>(page.Width) * page.BitsPerSample + 7) / 8;
  if (!TIFFIsTiled(tiff)) {
    const tmsize_t lineBytes = TIFFScanlineSize(tiff);
    if (lineBytes <= 0 || static_cast<size_t>(lineBytes) < rowBytes) return false;
    std::vector<uint8_t> line(static_cast<size_t>(lineBytes));
    for (uint32_t y = 0; y < page.Height; ++y) {
      if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) return false;
      sink(y, line.data());
    }
    return true;
  }
  uint32_t tileWidth = 0, tileLength = 0;
  TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileLength);
  const tmsize_t tileBytes = TIFFTileSize(tiff);
  const size_t tileRowBytes = (static_cast<size_t>(tileWidth) * page.BitsPerSample + 7) / 8;
  // Tile widths are multiples of 16, so every tile starts on a whole byte.
  if (tileWidth == 0 || tileLength == 0 || tileWidth % 16 != 0 || tileBytes <= 0 ||
      static_cast<uint64_t>(tileBytes) < uint64_t{tileRowBytes} * tileLength ||
      uint64_t{rowBytes} * tileLength > static_cast<uint64_t>(kMaxDecodedBytes)) {
    return false;
  }
  std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
  std::vector<uint8_t> band(rowBytes * tileLength);
  for (uint32_t top = 0; top < page.Height; top += tileLength) {
    const uint32_t rows = std::min(tileLength, page.Height - top);
    for (uint32_t left = 0; left < page.Width; left += tileWidth) {
      if (TIFFReadTile(tiff, tile.data(), left, top, 0, 0) < 0) return false;
      const size_t offset = static_cast<size_t>(left) * page.BitsPerSample / 8;
      const size_t bytes = std::min(tileRowBytes, rowBytes - offset);
      for (uint32_t r = 0; r < rows; ++r)
        std::memcpy(&band[r * rowBytes + offset], &tile[r * tileRowBytes], bytes);
    }
    for (uint32_t r = 0; r < rows; ++r) sink(top + r, &band[r * rowBytes]);
  }
  return true;
}

// Hands every row to `sink` as 8-bit red, green, blue, laid on white.
bool ReadRgbaRows(TIFF* tiff, const Page& page, const RowSink& sink) {
  char message[1024];
  if (!TIFFRGBAImageOK(tiff, message)) return false;
  TIFFRGBAImage image;
  if (!TIFFRGBAImageBegin(&image, tiff, 1, message)) return false;
  image.req_orientation = ORIENTATION_TOPLEFT;
  std::vector<uint32_t> raster(static_cast<size_t>(page.Width) * kRgbaBandRows);
  std::vector<uint8_t> rgb(static_cast<size_t>(page.Width) * 3);
  bool ok = true;
  for (uint32_t top = 0; ok && top < page.Height; top += kRgbaBandRows) {
    const uint32_t rows = std::min(kRgbaBandRows, page.Height - top);
    image.row_offset = static_cast<int>(top);
    image.col_offset = 0;
    ok = TIFFRGBAImageGet(&image, raster.data(), page.Width, rows) == 1;
    for (uint32_t r = 0; ok && r < rows; ++r) {
      for (uint32_t x = 0; x < page.Width; ++x) {
        const uint32_t p = raster[static_cast<size_t>(r) * page.Width + x];
        const uint32_t clear = 255 - TIFFGetA(p);  // colours come premultiplied
        rgb[3 * x] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetR(p) + clear));
        rgb[3 * x + 1] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetG(p) + clear));
        rgb[3 * x + 2] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetB(p) + clear));
      }
      sink(top + r, rgb.data());
    }
  }
  TIFFRGBAImageEnd(&image);
  return ok;
}

// Writes one decoded row into DIB row `dibRow` in the DIB's format.
void StoreRow(const Page& page, const uint8_t* samples, uint8_t* dibRow) {
  const uint32_t width = page.Width;
  if (page.How == Kind::Rgba) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = samples + 3 * x;
      if (page.DibBits == 8) {
        dibRow[x] = p[0];
      } else {
        dibRow[3 * x] = p[2];
        dibRow[3 * x + 1] = p[1];
        dibRow[3 * x + 2] = p[0];
      }
    }
  } else if (page.How == Kind::Grey8 && page.Photometric == PHOTOMETRIC_MINISWHITE) {
    for (uint32_t x = 0; x < width; ++x) dibRow[x] = static_cast<uint8_t>(255 - samples[x]);
  } else {
    std::memcpy(dibRow, samples, (static_cast<size_t>(width) * page.DibBits + 7) / 8);
  }
}

bool ReadRows(TIFF* tiff, const Page& page, const RowSink& sink) {
  return page.How == Kind::Rgba ? ReadRgbaRows(tiff, page, sink) : ReadStoredRows(tiff, page, sink);
}

GlobalHandle BuildDib(TIFF* tiff, const Page& page) {
  const int32_t stride = platform::DibRowBytes(static_cast<int32_t>(page.Width), page.DibBits);
  const size_t imageBytes = static_cast<size_t>(stride) * page.Height;
  const size_t tableBytes = page.Palette.size() * sizeof(platform::RgbQuad);
  const GlobalHandle handle =
      platform::GlobalAlloc(platform::kGmemMoveable | platform::kGmemZeroInit,
                            sizeof(platform::BitmapInfoHeader) + tableBytes + imageBytes);
  if (!handle) return 0;
  auto* base = static_cast<uint8_t*>(platform::GlobalLock(handle));
  platform::BitmapInfoHeader header;
  header.Width = static_cast<int32_t>(page.Width);
  header.Height = static_cast<int32_t>(page.Height);
  header.BitCount = page.DibBits;
  header.SizeImage = static_cast<uint32_t>(imageBytes);
  header.XPelsPerMeter = page.XPelsPerMeter;
  header.YPelsPerMeter = page.YPelsPerMeter;
  header.ClrUsed = static_cast<uint32_t>(page.Palette.size());
  std::memcpy(base, &header, sizeof header);
  if (tableBytes) std::memcpy(base + sizeof header, page.Palette.data(), tableBytes);
  uint8_t* rows = base + sizeof header + tableBytes;
  const RowSink sink = [&](uint32_t y, const uint8_t* samples) {
    StoreRow(page, samples, rows + static_cast<size_t>(page.Height - 1 - y) * stride);
  };
  const bool ok = ReadRows(tiff, page, sink);
  platform::GlobalUnlock(handle);
  if (!ok) {
    platform::GlobalFree(handle);
    return 0;
  }
  return handle;
}

}  // namespace

GlobalHandle QVLoadImg(const char* name, std::string* why) {
  if (!name) return 0;
  const TiffFile tiff = OpenTiffQuietly(name, "r", why);
  if (!tiff) return 0;
  Page page;
  if (!DescribePage(tiff.get(), page, why)) return 0;
  return BuildDib(tiff.get(), page);
}

int TiffPageCount(const uint8_t* data, size_t size) {
  const MemoryTiff tiff(data, size);
  if (!tiff.get()) return 0;
  // Counting walks the chain of directories; libtiff stops at a loop.
  return static_cast<int>(std::min<tdir_t>(TIFFNumberOfDirectories(tiff.get()), kMaxTiffPages));
}

bool DecodeTiff(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error, int index) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const MemoryTiff tiff(data, size);
  if (!tiff.get()) return fail("not a TIFF file");
  if (index < 0 || index >= kMaxTiffPages || !TIFFSetDirectory(tiff.get(), static_cast<tdir_t>(index)))
    return fail("the TIFF file has no such page");
  Page page;
  if (!DescribePage(tiff.get(), page, error)) return false;
  platform::Bitmap picture(static_cast<int32_t>(page.Width), static_cast<int32_t>(page.Height), page.DibBits);
  if (!page.Palette.empty()) picture.Palette() = page.Palette;
  picture.XPelsPerMeter = page.XPelsPerMeter;
  picture.YPelsPerMeter = page.YPelsPerMeter;
  const RowSink sink = [&](uint32_t y, const uint8_t* samples) {
    StoreRow(page, samples, picture.Row(static_cast<int32_t>(y)));
  };
  if (!ReadRows(tiff.get(), page, sink)) return fail("damaged TIFF data");
  out = std::move(picture);
  return true;
}

}  // namespace formats
