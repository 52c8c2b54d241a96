// Enhanced metafiles (see PictureReader.h): libemf2svg turns the records into
// an SVG document, which GraphicsMagick renders at 300 dots per inch. Built
// without libemf2svg, metafiles are refused.
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/MagickReader.h"
#include "formats/PictureLimits.h"
#include "formats/PictureReader.h"

#ifdef PELLAR_HAVE_EMF2SVG
#include <emf2svg.h>
#endif

namespace formats {
namespace {

constexpr size_t kEmfHeaderBytes = 88;
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kSignatureOffset = 40;
constexpr size_t kFrameOffset = 24;  // left, top, right, bottom in 0.01 mm
constexpr double kHundredthsMmPerInch = 2540.0;

uint32_t Read32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

// The converter trusts its input; refuse what is plainly not a metafile.
bool LooksLikeEmf(const uint8_t* data, size_t size) {
  return size >= kEmfHeaderBytes && Read32(data) == kEmrHeader &&
         Read32(data + kSignatureOffset) == kEmfSignature;
}

int32_t Read32Signed(const uint8_t* p) {
  return static_cast<int32_t>(Read32(p));
}

// The picture's size in pixels at kVectorDotsPerInch, from the header's
// frame; false (with `error`) when the frame is empty or the page would be
// too large.
bool RenderSize(const uint8_t* data, double& width, double& height, std::string* error) {
  const uint8_t* frame = data + kFrameOffset;
  const int64_t frameWidth = int64_t{Read32Signed(frame + 8)} - Read32Signed(frame);
  const int64_t frameHeight = int64_t{Read32Signed(frame + 12)} - Read32Signed(frame + 4);
  width = static_cast<double>(frameWidth) / kHundredthsMmPerInch * kVectorDotsPerInch;
  height = static_cast<double>(frameHeight) / kHundredthsMmPerInch * kVectorDotsPerInch;
  if (!(width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide)) {
    if (error) *error = "bad metafile frame";
    return false;
  }
  return PictureSizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height), 24, error);
}

}  // namespace

bool DecodeEmf(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error) {
  if (!LooksLikeEmf(data, size)) {
    if (error) *error = "not an enhanced metafile";
    return false;
  }
#ifdef PELLAR_HAVE_EMF2SVG
  std::string contents(reinterpret_cast<const char*>(data), size);
  generatorOptions options{};
  options.svgDelimiter = true;
  if (!RenderSize(data, options.imgWidth, options.imgHeight, error)) return false;
  char* svg = nullptr;
  size_t svgLength = 0;
  const int converted = emf2svg(contents.data(), contents.size(), &svg, &svgLength, &options);
  if (!converted || !svg) {
    std::free(svg);
    if (error) *error = "cannot convert the metafile";
    return false;
  }
  std::string document(svg, svgLength);
  std::free(svg);
  return DecodeWithMagick(reinterpret_cast<const uint8_t*>(document.data()), document.size(), "SVG", out,
                          error, true);
#else
  (void)out;
  (void)RenderSize;
  if (error) *error = "metafiles are not supported in this build";
  return false;
#endif
}

}  // namespace formats
