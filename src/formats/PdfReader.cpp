// PDF pages through Poppler's C++ interface (see PdfReader.h).
//
// The document is opened on the caller's bytes without copying them. The
// size a page will have is worked out from its crop box and rotation before
// anything is drawn, so an enormous page is refused instead of allocated.
// Poppler's own messages are swallowed: the caller reports failures itself.
#include "formats/PdfReader.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "formats/PixelRows.h"

namespace formats {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kInchesPerMetre = 39.3700787;

void Silent(const std::string&, void*) {}

std::unique_ptr<poppler::document> OpenDocument(const uint8_t* data, size_t size, std::string* error) {
  static std::once_flag once;
  std::call_once(once, [] { poppler::set_debug_error_function(Silent, nullptr); });
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return nullptr;
  };
  if (data == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return fail("not a PDF file");
  std::unique_ptr<poppler::document> document(
      poppler::document::load_from_raw_data(reinterpret_cast<const char*>(data), static_cast<int>(size)));
  if (!document) return fail("damaged or unsupported PDF file");
  if (document->is_locked()) return fail("the PDF file is protected by a password");
  return document;
}

// The rendered size of a page in pixels, its rotation taken into account.
void RenderedSize(const poppler::page& page, int dotsPerInch, double& width, double& height) {
  const poppler::rectf box = page.page_rect();
  width = std::ceil(box.width() / kPointsPerInch * dotsPerInch);
  height = std::ceil(box.height() / kPointsPerInch * dotsPerInch);
  const poppler::page::orientation_enum turn = page.orientation();
  if (turn == poppler::page::landscape || turn == poppler::page::seascape) std::swap(width, height);
}

}  // namespace

int PdfPageCount(const uint8_t* data, size_t size, std::string* error) {
  const auto document = OpenDocument(data, size, error);
  if (!document) return 0;
  const int pages = document->pages();
  if (pages <= 0 && error) *error = "the PDF file has no pages";
  return pages > 0 ? pages : 0;
}

bool DecodePdfPage(const uint8_t* data, size_t size, int index, int dotsPerInch, platform::Bitmap& out,
                   std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (dotsPerInch < kMinPdfDotsPerInch || dotsPerInch > kMaxPdfDotsPerInch) return fail("bad resolution");
  const auto document = OpenDocument(data, size, error);
  if (!document) return false;
  if (index < 0 || index >= document->pages()) return fail("the PDF file has no such page");
  const std::unique_ptr<poppler::page> page(document->create_page(index));
  if (!page) return fail("damaged PDF page");
  double width = 0, height = 0;
  RenderedSize(*page, dotsPerInch, width, height);
  if (!(width >= 1 && height >= 1)) return fail("the PDF page has no area");
  std::string why;
  if (!PictureSizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height), 8, &why)) return fail(why);

  poppler::page_renderer renderer;
  renderer.set_render_hint(poppler::page_renderer::antialiasing);
  renderer.set_render_hint(poppler::page_renderer::text_antialiasing);
  renderer.set_image_format(poppler::image::format_gray8);
  const poppler::image image = renderer.render_page(page.get(), dotsPerInch, dotsPerInch);
  if (!image.is_valid() || image.format() != poppler::image::format_gray8 || image.width() <= 0 ||
      image.height() <= 0 || !PictureSizeAllowed(image.width(), image.height(), 8)) {
    return fail("the PDF page cannot be drawn");
  }
  platform::Bitmap picture(image.width(), image.height(), 8);
  const char* rows = image.const_data();
  for (int32_t y = 0; y < picture.Height(); ++y) {
    std::memcpy(picture.Row(y), rows + static_cast<size_t>(y) * image.bytes_per_row(),
                static_cast<size_t>(picture.Width()));
  }
  picture.XPelsPerMeter = picture.YPelsPerMeter = static_cast<int32_t>(dotsPerInch * kInchesPerMetre + 0.5);
  out = std::move(picture);
  return true;
}

}  // namespace formats
