// TIFF writer (see TiffWriter.h), through libtiff opened with "wl" (write,
// little-endian). Rows go out one scanline at a time into strips of about
// 64 KiB each, the way libtiff's default strip size suggests.
#include "formats/TiffWriter.h"

#include <vector>

#include "formats/PixelRows.h"
#include "formats/TiffFiles.h"
#include "platform/FileIo.h"

namespace formats {
namespace {

constexpr double kMetresPerInch = 0.0254;

bool IsWhite(const platform::RgbQuad& c) {
  return c.Red == 255 && c.Green == 255 && c.Blue == 255;
}
bool IsBlack(const platform::RgbQuad& c) {
  return c.Red == 0 && c.Green == 0 && c.Blue == 0;
}

// How the bitmap's rows are laid out in the file.
enum class Layout { WhiteIsZero, BlackIsZero, Palette, Rgb };

Layout ChooseLayout(const platform::Bitmap& bitmap) {
  const auto& palette = bitmap.Palette();
  const uint16_t bits = bitmap.BitCount();
  if (bits == 1 && palette.size() >= 2) {
    if (IsWhite(palette[0]) && IsBlack(palette[1])) return Layout::WhiteIsZero;
    if (IsBlack(palette[0]) && IsWhite(palette[1])) return Layout::BlackIsZero;
  }
  if (bits == 1 && palette.size() < 2) return Layout::WhiteIsZero;
  if (bits == 4 || bits == 8) {
    if (palette.size() == (size_t{1} << bits) && IsGreyRamp(palette)) return Layout::BlackIsZero;
  }
  return bits <= 8 ? Layout::Palette : Layout::Rgb;
}

void WriteColourMap(TIFF* tiff, const platform::Bitmap& bitmap) {
  const size_t entries = size_t{1} << bitmap.BitCount();
  std::vector<uint16_t> red(entries), green(entries), blue(entries);
  const auto& palette = bitmap.Palette();
  for (size_t i = 0; i < entries && i < palette.size(); ++i) {
    red[i] = static_cast<uint16_t>(palette[i].Red * 257);
    green[i] = static_cast<uint16_t>(palette[i].Green * 257);
    blue[i] = static_cast<uint16_t>(palette[i].Blue * 257);
  }
  TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

bool WriteTiffTo(const std::string& path, const platform::Bitmap& bitmap) {
  const TiffFile tiff = OpenTiffQuietly(path.c_str(), "wl");
  if (!tiff) return false;
  TIFF* t = tiff.get();
  const Layout layout = ChooseLayout(bitmap);
  const uint16_t bitsPerSample = layout == Layout::Rgb ? 8 : bitmap.BitCount();
  const uint16_t samples = layout == Layout::Rgb ? 3 : 1;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(bitmap.Width()));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(bitmap.Height()));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  switch (layout) {
    case Layout::WhiteIsZero:
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
      break;
    case Layout::BlackIsZero:
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
      break;
    case Layout::Palette:
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
      WriteColourMap(t, bitmap);
      break;
    case Layout::Rgb:
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
      break;
  }
  if (bitmap.XPelsPerMeter > 0 && bitmap.YPelsPerMeter > 0) {
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(bitmap.XPelsPerMeter * kMetresPerInch));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(bitmap.YPelsPerMeter * kMetresPerInch));
  }
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  std::vector<uint8_t> line(static_cast<size_t>(bitmap.Width()) * 3 + bitmap.RowBytes());
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    if (layout == Layout::Rgb) {
      RowToRgb(bitmap, y, line.data());
    } else {
      std::copy(bitmap.Row(y), bitmap.Row(y) + bitmap.RowBytes(), line.begin());
    }
    if (TIFFWriteScanline(t, line.data(), static_cast<uint32_t>(y), 0) < 0) return false;
  }
  return TIFFFlush(t) == 1;
}

}  // namespace

bool WriteTiffFile(const std::string& path, const platform::Bitmap& bitmap) {
  if (bitmap.Empty()) return false;
  return platform::ReplaceFile(path,
                               [&](const std::string& temporary) { return WriteTiffTo(temporary, bitmap); });
}

}  // namespace formats
