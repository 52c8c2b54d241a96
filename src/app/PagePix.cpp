// Bitmaps to Leptonica pictures and back (see PagePix.h).
#include "app/PagePix.h"

#include <cstring>

#include "engine/EngineState.h"

namespace app {
namespace {

// A picture of the bitmap's size and depth holding its rows as they are.
// Our rows and the library's are both padded to whole 32-bit words.
PixPtr CopyRows(const platform::Bitmap& bitmap) {
  static_assert(sizeof(l_uint32) == 4);
  // The library's own messages would only repeat failures the callers report.
  static const int quiet = setMsgSeverity(L_SEVERITY_NONE);
  (void)quiet;
  PixPtr raw(pixCreateNoInit(bitmap.Width(), bitmap.Height(), bitmap.BitCount()));
  if (!raw || pixGetWpl(raw.get()) * 4 != bitmap.RowBytes()) return nullptr;
  std::memcpy(pixGetData(raw.get()), bitmap.Bits().data(), bitmap.ImageSize());
  // Swapping the bytes of each word puts the leftmost pixel in its high bits.
  return PixPtr(pixEndianByteSwapNew(raw.get()));
}

}  // namespace

PixPtr MonoToPix(const platform::Bitmap& mono) {
  if (mono.BitCount() != 1 || mono.Empty()) return nullptr;
  PixPtr pix = CopyRows(mono);
  if (!pix) return nullptr;
  if (engine::InkValueOf(mono) == 0) pixInvert(pix.get(), pix.get());
  pixSetPadBits(pix.get(), 0);
  return pix;
}

PixPtr GreyToPix(const platform::Bitmap& grey) {
  if (grey.BitCount() != 8 || grey.Empty()) return nullptr;
  return CopyRows(grey);
}

bool PixToMono(PIX* pix, platform::Bitmap& mono) {
  if (pix == nullptr || pixGetDepth(pix) != 1) return false;
  platform::Bitmap page(pixGetWidth(pix), pixGetHeight(pix), 1);
  const PixPtr swapped(pixEndianByteSwapNew(pix));
  if (!swapped || pixGetWpl(swapped.get()) * 4 != page.RowBytes()) return false;
  std::memcpy(page.Bits().data(), pixGetData(swapped.get()), page.ImageSize());
  mono = std::move(page);
  return true;
}

}  // namespace app
