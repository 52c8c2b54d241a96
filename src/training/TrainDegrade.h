// Degradations of rendered training pages, so that the library also learns
// the cells of scanned, blurred, noisy, skewed or low-resolution pages: a
// small seeded random generator of our own (the same seed gives the same page
// on every run) and the grey-level pipeline applied to a 1-bit page.
#pragma once

#include <cstdint>

#include "training/PageRenderer.h"

namespace training {

// SplitMix64: small, fast and fully defined, unlike the distributions of the
// standard library, whose output differs between implementations.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Uniform();              // [0, 1)
  int32_t Below(int32_t bound);  // 0 … bound − 1; bound > 0
  double Gaussian();             // mean 0, deviation 1 (Box–Muller)

 private:
  uint64_t state_;
};

struct Degradation {
  int32_t Reduce = 1;         // the page was rendered at this many times the target resolution
  double SkewDegrees = 0;     // counter-clockwise positive
  double BlurSigma = 0;       // pixels at the target resolution
  double InkSpread = 0;       // 0 … 1: how much partly covered pixels turn to ink
  double NoiseDeviation = 0;  // grey levels (0 … 255 scale)
  int32_t Threshold = 128;    // grey level at or below which a pixel is ink
  int32_t BlackSpecks = 0;
  int32_t WhiteSpecks = 0;
  uint64_t Seed = 1;
  // A page whose strokes fell apart is thickened as the recognition run
  // thickens it (training pages); false leaves it as the scan made it (test
  // pages, which the recognition run must mend itself).
  bool ThickenBroken = true;

  // True when the page can be used as rendered.
  bool IsIdentity() const {
    return Reduce == 1 && SkewDegrees == 0 && BlurSigma == 0 && InkSpread == 0 && NoiseDeviation == 0 &&
           BlackSpecks == 0 && WhiteSpecks == 0;
  }
};

// Degrades a rendered page (1 bit, ink = 1) in place: reduction by area
// averaging, rotation, blur, ink spread, noise, threshold, specks. Every
// character box becomes the ink extent inside its transformed box grown by
// kBoxGrowth pixels; characters left without ink are dropped.
void DegradePage(RenderedPage& page, const Degradation& degradation);

constexpr int32_t kBoxGrowth = 2;

// The extent of the ink pixels (bit 1) of a 1-bit bitmap inside the given
// inclusive box (clipped to the page). False when there is none.
bool InkExtent(const platform::Bitmap& page, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom);

}  // namespace training
