// PDF pages as page images: each page is rendered to an 8-bit grey picture
// at a chosen resolution. A page that carries a text layer is rendered like
// any other, so its text is read from the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Bitmap.h"

namespace formats {

// The resolution PDF pages are rendered at unless the caller asks for
// another one, and the range a caller may ask for.
constexpr int kPdfDotsPerInch = 300;
constexpr int kMinPdfDotsPerInch = 50;
constexpr int kMaxPdfDotsPerInch = 1200;

// The number of pages, or 0 (with `error`) when the data is not a PDF file
// that can be opened (damaged, or locked by a password).
int PdfPageCount(const uint8_t* data, size_t size, std::string* error = nullptr);

// Renders page `index` (0 for the first) at `dotsPerInch` into an 8-bit grey
// picture on white paper. False (with `error`) for a page that does not
// exist, would be larger than the readers' size limits, or cannot be drawn.
bool DecodePdfPage(const uint8_t* data, size_t size, int index, int dotsPerInch, platform::Bitmap& out,
                   std::string* error = nullptr);

}  // namespace formats
