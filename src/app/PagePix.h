// Pages handed to the page-image library (Leptonica) and back: its pictures
// keep 32-bit words whose most significant bit or byte is the leftmost
// pixel, where our bitmaps keep bytes in order; rows are copied whole and the
// bytes of every word swapped.
#pragma once

// The library calls its rectangle Box, as the engine calls its own; in our
// view of the library's headers it is renamed (its functions have C linkage,
// so the name of the type does not reach the linker).
#define Box LeptonicaBox
#include <leptonica/allheaders.h>
#undef Box

#include <memory>

#include "platform/Bitmap.h"

namespace app {

struct PixDeleter {
  void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

struct BoxaDeleter {
  void operator()(BOXA* boxa) const { boxaDestroy(&boxa); }
};
using BoxaPtr = std::unique_ptr<BOXA, BoxaDeleter>;

// A 1-bit picture of a monochrome page with ink as 1, whichever bit value
// means ink in the page's palette; null when it cannot be made.
PixPtr MonoToPix(const platform::Bitmap& mono);
// An 8-bit picture of a page with the grey palette.
PixPtr GreyToPix(const platform::Bitmap& grey);
// A monochrome page (palette white, black) of a 1-bit picture; false when
// the picture is not 1 bit deep.
bool PixToMono(PIX* pix, platform::Bitmap& mono);

}  // namespace app
