// GraphicsMagick decoding (see MagickReader.h).
//
// Before a picture is decoded, its stated size is read without its pixels
// (GraphicsMagick's "ping") and checked against the caps of the readers,
// counting the pixel cache GraphicsMagick decodes into. The library is also
// set up once with resource limits (width, height, pixels, memory, one
// thread), so that a coder that cannot tell its size beforehand fails inside
// instead of allocating gigabytes. Every read names its coder explicitly
// ("affirmed"), so data is only ever decoded as the format its extension
// promises.
// Warnings are tolerated when a picture came out, except those saying the
// data was corrupt or cut short.
#include "formats/MagickReader.h"

#include <Magick++.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "formats/PictureLimits.h"

namespace formats {
namespace {

constexpr int64_t kMagickMaxRead = int64_t{512} << 20;
// GraphicsMagick keeps every pixel of a decoded picture in its pixel cache.
constexpr int64_t kCacheBytesPerPixel = sizeof(MagickLib::PixelPacket);
constexpr double kCentimetresPerMetre = 100.0;
constexpr double kInchesPerMetre = 39.3700787;

void SetUpMagick() {
  static std::once_flag once;
  std::call_once(once, [] {
    Magick::InitializeMagick(nullptr);
    using namespace MagickLib;
    SetMagickResourceLimit(WidthResource, kMaxSide);
    SetMagickResourceLimit(HeightResource, kMaxSide);
    SetMagickResourceLimit(PixelsResource, kMaxPagePixels);
    SetMagickResourceLimit(MemoryResource, kPageMemoryBudget);
    SetMagickResourceLimit(MapResource, kPageMemoryBudget);
    SetMagickResourceLimit(DiskResource, 0);
    SetMagickResourceLimit(ReadResource, kMagickMaxRead);
    SetMagickResourceLimit(ThreadsResource, 1);
  });
}

uint8_t Channel(MagickLib::Quantum q) {
  return ScaleQuantumToChar(q);
}

int32_t PerMetre(double resolution, Magick::ResolutionType units) {
  if (units == Magick::PixelsPerInchResolution)
    return static_cast<int32_t>(resolution * kInchesPerMetre + 0.5);
  if (units == Magick::PixelsPerCentimeterResolution) {
    return static_cast<int32_t>(resolution * kCentimetresPerMetre + 0.5);
  }
  return 0;
}

void StoreIndex(uint8_t* row, int32_t x, uint16_t bitCount, unsigned index) {
  if (bitCount == 8) {
    row[x] = static_cast<uint8_t>(index);
  } else if (bitCount == 4) {
    row[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4));
  } else if (index) {
    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
}

bool FromPalette(Magick::Image& image, platform::Bitmap& out) {
  const unsigned entries = image.colorMapSize();
  const uint16_t bitCount = entries <= 2 ? 1 : entries <= 16 ? 4 : 8;
  const auto width = static_cast<int32_t>(image.columns());
  const auto height = static_cast<int32_t>(image.rows());
  out.Reset(width, height, bitCount);
  const MagickLib::Image* raw = image.constImage();
  out.Palette().assign(size_t{1} << bitCount, platform::RgbQuad{});
  for (unsigned i = 0; i < entries; ++i) {
    const MagickLib::PixelPacket& c = raw->colormap[i];
    out.Palette()[i] = platform::RgbQuad{Channel(c.blue), Channel(c.green), Channel(c.red), 0};
  }
  out.Palette().resize(std::max<size_t>(entries, 2));
  for (int32_t y = 0; y < height; ++y) {
    if (!image.getConstPixels(0, y, width, 1)) return false;
    const MagickLib::IndexPacket* indexes = image.getConstIndexes();
    if (!indexes) return false;
    uint8_t* row = out.Row(y);
    for (int32_t x = 0; x < width; ++x) StoreIndex(row, x, bitCount, indexes[x] < entries ? indexes[x] : 0);
  }
  return true;
}

bool FromPixels(Magick::Image& image, platform::Bitmap& out) {
  const auto width = static_cast<int32_t>(image.columns());
  const auto height = static_cast<int32_t>(image.rows());
  const Magick::ImageType type = image.type();
  const uint16_t bitCount = type == Magick::BilevelType ? 1 : type == Magick::GrayscaleType ? 8 : 24;
  out.Reset(width, height, bitCount);
  for (int32_t y = 0; y < height; ++y) {
    const MagickLib::PixelPacket* pixels = image.getConstPixels(0, y, width, 1);
    if (!pixels) return false;
    uint8_t* row = out.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      const MagickLib::PixelPacket& p = pixels[x];
      if (bitCount == 1) {
        StoreIndex(row, x, 1, Channel(p.red) < 128 ? 1 : 0);  // entry 1 is black
      } else if (bitCount == 8) {
        row[x] = Channel(p.red);
      } else {
        row[3 * x] = Channel(p.blue);
        row[3 * x + 1] = Channel(p.green);
        row[3 * x + 2] = Channel(p.red);
      }
    }
  }
  return true;
}

// A picture with transparency, laid on a white page.
void FlattenOnWhite(Magick::Image& image) {
  Magick::Image page(Magick::Geometry(image.columns(), image.rows()), Magick::Color("white"));
  page.composite(image, 0, 0, Magick::OverCompositeOp);
  image = page;
}

// Warnings that mean the picture came out damaged or incomplete.
bool IsDamageWarning(MagickLib::ExceptionType severity) {
  return severity == MagickLib::CorruptImageWarning || severity == MagickLib::FileOpenWarning ||
         severity == MagickLib::ResourceLimitWarning;
}

struct InfoDeleter {
  void operator()(MagickLib::ImageInfo* info) const { MagickLib::DestroyImageInfo(info); }
};

// The settings of a read with the coder fixed ("affirmed"): GraphicsMagick
// otherwise trusts the data's signature over the format it was asked for.
std::unique_ptr<MagickLib::ImageInfo, InfoDeleter> ReadInfo(const std::string& coder, bool vector) {
  std::unique_ptr<MagickLib::ImageInfo, InfoDeleter> info(MagickLib::CloneImageInfo(nullptr));
  if (!info || coder.size() >= sizeof info->magick) return nullptr;
  std::snprintf(info->magick, sizeof info->magick, "%s", coder.c_str());
  std::snprintf(info->filename, sizeof info->filename, "%s:", coder.c_str());
  info->affirm = 1;
  info->subimage = 0;
  info->subrange = 1;
  if (vector) {
    const std::string density = std::to_string(kVectorDotsPerInch) + "x" + std::to_string(kVectorDotsPerInch);
    MagickLib::CloneString(&info->density, density.c_str());
  }
  return info;
}

// Checks the size the data states before anything is decoded. A coder that
// cannot state it without decoding is left to the resource limits.
bool DeclaredSizeAllowed(const uint8_t* data, size_t size, const std::string& coder, bool vector,
                         std::string& error) {
  const auto info = ReadInfo(coder, vector);
  if (!info) return true;
  MagickLib::ExceptionInfo exception;
  MagickLib::GetExceptionInfo(&exception);
  MagickLib::Image* image = MagickLib::PingBlob(info.get(), data, size, &exception);
  MagickLib::DestroyExceptionInfo(&exception);
  if (!image) return true;
  const bool allowed = PictureSizeAllowed(image->columns, image->rows, 24, &error, kCacheBytesPerPixel);
  MagickLib::DestroyImageList(image);
  return allowed;
}

// Reads the first frame with the coder fixed.
MagickLib::Image* ReadFirstFrame(const uint8_t* data, size_t size, const std::string& coder, bool vector,
                                 std::string& error) {
  const auto info = ReadInfo(coder, vector);
  if (!info) return nullptr;
  MagickLib::ExceptionInfo exception;
  MagickLib::GetExceptionInfo(&exception);
  MagickLib::Image* image = MagickLib::BlobToImage(info.get(), data, size, &exception);
  const MagickLib::ExceptionType severity = exception.severity;
  if (severity != MagickLib::UndefinedException)
    error = exception.reason ? exception.reason : "decoder failed";
  MagickLib::DestroyExceptionInfo(&exception);
  if (image && (severity >= MagickLib::ErrorException || IsDamageWarning(severity))) {
    MagickLib::DestroyImageList(image);
    return nullptr;
  }
  if (image && image->next) {
    MagickLib::Image* rest = image->next;
    image->next = nullptr;
    rest->previous = nullptr;
    MagickLib::DestroyImageList(rest);
  }
  return image;
}

}  // namespace

bool DecodeWithMagick(const uint8_t* data, size_t size, const std::string& coder, platform::Bitmap& out,
                      std::string* error, bool vector) {
  SetUpMagick();
  std::string why = "no picture";
  auto fail = [&](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  if (size == 0) return fail("empty file");
  try {
    if (!DeclaredSizeAllowed(data, size, coder, vector, why)) return fail(why);
    MagickLib::Image* frame = ReadFirstFrame(data, size, coder, vector, why);
    if (!frame) return fail(why);
    Magick::Image image(frame);  // owns the frame from here
    if (image.columns() == 0 || image.rows() == 0) return fail("no picture");
    if (!PictureSizeAllowed(image.columns(), image.rows(), 24, &why)) return fail(why);
    if (image.colorSpace() == Magick::CMYKColorspace) image.colorSpace(Magick::RGBColorspace);
    if (image.matte()) FlattenOnWhite(image);
    platform::Bitmap picture;
    const bool palette =
        image.classType() == Magick::PseudoClass && image.colorMapSize() >= 1 && image.colorMapSize() <= 256;
    if (!(palette ? FromPalette(image, picture) : FromPixels(image, picture)))
      return fail("cannot read pixels");
    if (!vector) {
      picture.XPelsPerMeter = PerMetre(image.xResolution(), image.resolutionUnits());
      picture.YPelsPerMeter = PerMetre(image.yResolution(), image.resolutionUnits());
    } else {
      picture.XPelsPerMeter = picture.YPelsPerMeter =
          PerMetre(kVectorDotsPerInch, Magick::PixelsPerInchResolution);
    }
    out = std::move(picture);
    return true;
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}

}  // namespace formats
