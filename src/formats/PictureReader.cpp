// The multi-format picture reader (see PictureReader.h): a table from
// extension to decoder. GraphicsMagick coders are always named explicitly,
// so a file is only ever decoded as the format its extension promises.
// Palette PNGs, the usual page files, are read by libpng directly into the
// same bitmap (PngReader.h).
#include "formats/PictureReader.h"

#include <vector>

#include "formats/BmpCodec.h"
#include "formats/JpegCodec.h"
#include "formats/MagickReader.h"
#include "formats/PdfReader.h"
#include "formats/PngReader.h"
#include "formats/PsdReader.h"
#include "formats/TiffReader.h"
#include "platform/FileIo.h"

namespace formats {
namespace {

enum class Decoder { Magick, Png, Wmf, Psd, Bmp, Jpeg, Emf, Tiff, Pdf };

struct Route {
  const char* Extension;
  Decoder How;
  const char* Coder;  // GraphicsMagick coder for the Magick decoders
};

constexpr Route kRoutes[] = {
    {".pcx", Decoder::Magick, "PCX"},  {".pcc", Decoder::Magick, "PCX"}, {".tif", Decoder::Tiff, nullptr},
    {".tiff", Decoder::Tiff, nullptr}, {".fax", Decoder::Magick, "FAX"}, {".tga", Decoder::Magick, "TGA"},
    {".icb", Decoder::Magick, "TGA"},  {".vda", Decoder::Magick, "TGA"}, {".vst", Decoder::Magick, "TGA"},
    {".win", Decoder::Magick, "TGA"},  {".png", Decoder::Png, "PNG"}, {".gif", Decoder::Magick, "GIF"},
    {".bw", Decoder::Magick, "SGI"},   {".rgb", Decoder::Magick, "SGI"}, {".rgba", Decoder::Magick, "SGI"},
    {".sgi", Decoder::Magick, "SGI"},  {".rla", Decoder::Magick, "RLA"}, {".rpf", Decoder::Magick, "RLA"},
    {".pcd", Decoder::Magick, "PCD"},  {".cut", Decoder::Magick, "CUT"}, {".pbm", Decoder::Magick, "PNM"},
    {".pgm", Decoder::Magick, "PNM"},  {".ppm", Decoder::Magick, "PNM"}, {".pnm", Decoder::Magick, "PNM"},
    {".ico", Decoder::Magick, "ICO"},  {".wmf", Decoder::Wmf, "WMF"},    {".psd", Decoder::Psd, nullptr},
    {".pdd", Decoder::Psd, nullptr},   {".bmp", Decoder::Bmp, nullptr},  {".dib", Decoder::Bmp, nullptr},
    {".rle", Decoder::Bmp, nullptr},   {".jpg", Decoder::Jpeg, nullptr}, {".jpeg", Decoder::Jpeg, nullptr},
    {".emf", Decoder::Emf, nullptr},   {".pdf", Decoder::Pdf, nullptr},
};

const Route* FindRoute(const std::string& extension) {
  for (const Route& route : kRoutes) {
    if (extension == route.Extension) return &route;
  }
  return nullptr;
}

uint32_t Little(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

// A Windows metafile: an optional placeable header (its key first), the
// standard header (type 1 or 2, nine 16-bit words, the largest record) and
// records of at least three words, each within the file and the stated
// largest size, up to the end record. libwmf is not asked to look at
// anything else: it reports broken records on the standard output.
bool WmfRecordsSound(const uint8_t* data, size_t size) {
  constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
  constexpr size_t kPlaceableBytes = 22;
  constexpr size_t kHeaderBytes = 18;
  constexpr uint32_t kMinRecordWords = 3;
  size_t at = size >= 4 && Little(data, 4) == kPlaceableKey ? kPlaceableBytes : 0;
  if (size < at + kHeaderBytes) return false;
  const uint32_t type = Little(data + at, 2);
  if ((type != 1 && type != 2) || Little(data + at + 2, 2) != 9) return false;
  const uint32_t largest = Little(data + at + 12, 4);
  at += kHeaderBytes;
  while (size - at >= 2 * kMinRecordWords) {
    const uint32_t words = Little(data + at, 4);
    if (words < kMinRecordWords || words > largest || words > (size - at) / 2) return false;
    if (Little(data + at + 4, 2) == 0) return true;  // end record
    at += size_t{words} * 2;
  }
  return false;
}

}  // namespace

bool HasDecoder(const std::string& extension) {
  return FindRoute(extension) != nullptr;
}

int PicturePageCount(const uint8_t* data, size_t size, const std::string& extension, std::string* error) {
  const Route* route = FindRoute(extension);
  if (!route) return 0;
  if (route->How == Decoder::Tiff) {
    const int pages = TiffPageCount(data, size);
    if (pages == 0 && error) *error = "not a TIFF file";
    return pages;
  }
  if (route->How == Decoder::Pdf) return PdfPageCount(data, size, error);
  return 1;
}

bool DecodePicture(const uint8_t* data, size_t size, const std::string& extension, platform::Bitmap& out,
                   std::string* error) {
  return DecodePicturePage(data, size, extension, 0, kPdfDotsPerInch, out, error);
}

bool DecodePicturePage(const uint8_t* data, size_t size, const std::string& extension, int index,
                       int dotsPerInch, platform::Bitmap& out, std::string* error) {
  const Route* route = FindRoute(extension);
  if (!route) {
    if (error) *error = "no decoder for \"" + extension + "\"";
    return false;
  }
  if (index != 0 && route->How != Decoder::Tiff && route->How != Decoder::Pdf) {
    if (error) *error = "the picture has a single page";
    return false;
  }
  switch (route->How) {
    case Decoder::Magick:
      return DecodeWithMagick(data, size, route->Coder, out, error);
    case Decoder::Png:
      return DecodePlainPng(data, size, out) || DecodeWithMagick(data, size, route->Coder, out, error);
    case Decoder::Wmf:
      if (!WmfRecordsSound(data, size)) {
        if (error) *error = "not a Windows metafile";
        return false;
      }
      return DecodeWithMagick(data, size, route->Coder, out, error, true);
    case Decoder::Psd:
      return DecodePsd(data, size, out, error);
    case Decoder::Bmp:
      return formats::DecodeBmp(data, size, out, error);
    case Decoder::Jpeg:
      return DecodeJpeg(data, size, out, error);
    case Decoder::Emf:
      return DecodeEmf(data, size, out, error);
    case Decoder::Tiff:
      return DecodeTiff(data, size, out, error, index);
    case Decoder::Pdf:
      return DecodePdfPage(data, size, index, dotsPerInch, out, error);
  }
  return false;
}

bool ReadPictureFile(const std::string& path, platform::Bitmap& out, std::string* error) {
  std::vector<uint8_t> data;
  if (!platform::ReadWholeFile(path, data, error)) return false;
  return DecodePicture(data.data(), data.size(), platform::LowerExtension(path), out, error);
}

}  // namespace formats
