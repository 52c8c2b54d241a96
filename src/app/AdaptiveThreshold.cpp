// Adaptive threshold (see AdaptiveThreshold.h).
//
// The page's contrast is first normalised tile by tile (the darkest and
// lightest grey of each neighbourhood stretched to the full range), which
// evens out light that falls off across the page and grey or coloured paper;
// a Sauvola threshold then decides each pixel by the mean and spread of the
// grey around it. On a grainy page that leaves the paper full of specks; such
// a page is smoothed a little first and thresholded again.
#include "app/AdaptiveThreshold.h"

#include <algorithm>

#include "app/PagePix.h"

namespace app {
namespace {

// Contrast normalisation: tiles of 50 pixels, tiles whose grey spans less
// than 50 levels taken as plain paper, the tile values smoothed over 2 tiles.
constexpr int kContrastTile = 50;
constexpr int kMinContrast = 50;
constexpr int kContrastSmoothing = 2;
// Sauvola: the window reaches 25 pixels either way; a pixel is ink when it is
// darker than mean × (1 + k × (deviation / 128 − 1)) with k = 0.3.
constexpr int kSauvolaHalfWindow = 25;
constexpr float kSauvolaFactor = 0.3f;
constexpr int kSauvolaTilePixels = 1000;  // tiles keep the window sums small
// A page is grainy when more than half of its ink components are specks of
// at most 2 × 2 pixels; it is then smoothed over 3 × 3 pixels.
constexpr int kSpeckSide = 3;
constexpr int kGrainyPercent = 50;
constexpr int kSmoothing = 1;

PixPtr Binarise(PIX* grey) {
  const PixPtr normal(pixContrastNorm(nullptr, grey, kContrastTile, kContrastTile, kMinContrast,
                                      kContrastSmoothing, kContrastSmoothing));
  if (!normal) return nullptr;
  PIX* binary = nullptr;
  const int nx = std::max(1, pixGetWidth(grey) / kSauvolaTilePixels);
  const int ny = std::max(1, pixGetHeight(grey) / kSauvolaTilePixels);
  if (pixSauvolaBinarizeTiled(normal.get(), kSauvolaHalfWindow, kSauvolaFactor, nx, ny, nullptr, &binary) != 0)
    return nullptr;
  return PixPtr(binary);
}

bool Grainy(PIX* binary) {
  l_int32 all = 0, specks = 0;
  if (pixCountConnComp(binary, 8, &all) != 0 || all == 0) return false;
  const PixPtr small(pixSelectBySize(binary, kSpeckSide, kSpeckSide, 8, L_SELECT_IF_BOTH, L_SELECT_IF_LT, nullptr));
  if (!small || pixCountConnComp(small.get(), 8, &specks) != 0) return false;
  return specks * 100 > all * kGrainyPercent;
}

}  // namespace

bool AdaptiveThreshold(const platform::Bitmap& grey, platform::Bitmap& mono) {
  const PixPtr pix = GreyToPix(grey);
  if (!pix) return false;
  PixPtr binary = Binarise(pix.get());
  if (binary && Grainy(binary.get())) {
    const PixPtr smooth(pixBlockconv(pix.get(), kSmoothing, kSmoothing));
    if (smooth) binary = Binarise(smooth.get());
  }
  return binary && PixToMono(binary.get(), mono);
}

}  // namespace app
