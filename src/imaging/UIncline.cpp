// Skew detection by free rays and the automatic correction (see UIncline.h).
//
// A ray from (x0, y0) at slope m visits x0 ± k, y0 ± round(m·k) for
// k = 1 … maxLen; its length is the k at which it leaves the page or meets
// its minHits-th ink pixel, maxLen + 1 if neither happens. The row offsets
// round(m·k) are the same for every ray of a slope, so they are computed once
// per page. The product of the single-precision slope and k is formed
// exactly (in double) before it is rounded, halves to even.
#include "imaging/UIncline.h"

#include <algorithm>
#include <vector>

#include "core/Rounding.h"
#include "imaging/Rotation.h"
#include "platform/PageBits.h"

namespace imaging {

namespace {

constexpr int32_t kScanColumns = 5;
constexpr int32_t kColumnDivisor = kScanColumns + 1;
constexpr int32_t kPixelsPerHit = 500;

// round(m·k) for k = 0 … maxLen.
std::vector<int32_t> RowOffsets(float slope, int32_t maxLen) {
  std::vector<int32_t> offsets(static_cast<size_t>(maxLen) + 1);
  for (int32_t k = 0; k <= maxLen; ++k) {
    offsets[k] = static_cast<int32_t>(core::RoundHalfEven(static_cast<double>(slope) * k));
  }
  return offsets;
}

// Walks one ray; `direction` is +1 to the right, −1 to the left.
int64_t RayLength(const SkewPage& page, int32_t x0, int32_t y0, int32_t direction,
                  const std::vector<int32_t>& offsets, int32_t minHits, int32_t maxLen) {
  int32_t hits = 0;
  for (int32_t k = 1; k <= maxLen; ++k) {
    const int64_t x = x0 + static_cast<int64_t>(direction) * k;
    const int64_t y = y0 + static_cast<int64_t>(direction) * offsets[k];
    if (x < 0 || x >= page.Width || y < 0 || y >= page.Height) return k;
    if (page.IsInk(static_cast<int32_t>(x), static_cast<int32_t>(y)) && ++hits >= minHits) return k;
  }
  return static_cast<int64_t>(maxLen) + 1;
}

// The ray geometry of one page: its limits and each entry's row offsets.
struct RaySet {
  RaySet(const SkewPage& page)
      : MinHits(imaging::MinHits(page.Width, page.Height)), MaxLen(MaxRayLength(page.Width, page.Height)) {
    for (int32_t e = 0; e < kSkewEntries; ++e) Offsets[e] = RowOffsets(SkewTable[e].Slope, MaxLen);
  }
  int32_t MinHits;
  int32_t MaxLen;
  std::array<std::vector<int32_t>, kSkewEntries> Offsets;
};

void MeasureRays(const SkewPage& page, const RaySet& rays, int32_t x0, int32_t y0, SkewSums& sums) {
  for (int32_t e = 0; e < kSkewEntries; ++e) {
    sums[e] += RayLength(page, x0, y0, 1, rays.Offsets[e], rays.MinHits, rays.MaxLen) +
               RayLength(page, x0, y0, -1, rays.Offsets[e], rays.MinHits, rays.MaxLen);
  }
}

bool ValidPage(const SkewPage& page) {
  return page.Width > 0 && page.Height > 0 && page.RowBytes >= platform::DibRowBytes(page.Width, 1) &&
         page.Bits.size() / page.RowBytes >= static_cast<size_t>(page.Height);
}

int32_t BestEntry(const SkewSums& sums) {
  int32_t best = 0;
  for (int32_t e = 1; e < kSkewEntries; ++e) {
    if (sums[e] >= sums[best]) best = e;  // ties go to the later entry
  }
  return best;
}

// Detects the skew and turns the page back; with onlyClearSkew the page is
// turned only when ClearlySkewed says so.
bool Deskew(platform::Bitmap& graphic, bool onlyClearSkew) {
  if (graphic.BitCount() != 1) return false;
  int32_t size = 0, width = 0, rowBytes = 0, height = 0;
  std::vector<uint8_t> page;
  if (!platform::GetPageBits(graphic, size, width, page, rowBytes, height)) return false;
  const auto fill = static_cast<int32_t>(FillValue(graphic));
  const SkewPage skewPage{page, width, height, rowBytes, fill ^ 1};
  int32_t rayPairs = 0;
  const SkewSums sums = MeasureSkew(skewPage, &rayPairs);
  const int32_t entry = BestEntry(sums);
  if (entry == 0 || (onlyClearSkew && !ClearlySkewed(sums, entry, rayPairs))) return true;
  std::vector<uint8_t> turned;
  try {
    turned.resize(page.size());
  } catch (const std::bad_alloc&) {
    return true;  // the page stays as it was; the write-back is not reported either
  }
  platform::BitmapInfoHeader header;
  platform::FillBitmapHeader(graphic, header, 0);
  if (RotateBits1(page, turned, fill, SkewTable[entry].CorrectionAngle, height / 2, width / 2, header)) {
    platform::SetPageBits(graphic, turned);
  }
  return true;
}

}  // namespace

bool ClearlySkewed(const SkewSums& sums, int32_t entry, int32_t rayPairs) {
  return rayPairs >= kMinSkewRayPairs && entry > 0 && entry < kSkewEntries &&
         sums[entry] * kClearSkewDenominator > sums[0] * (kClearSkewDenominator + 1);
}

int32_t MinHits(int32_t width, int32_t height) {
  return std::max(1, std::min(width, height) / kPixelsPerHit);
}

int32_t MaxRayLength(int32_t width, int32_t height) {
  return std::max(width, height);
}

void MeasureRays(const SkewPage& page, int32_t x0, int32_t y0, SkewSums& sums) {
  if (!ValidPage(page)) return;
  MeasureRays(page, RaySet(page), x0, y0, sums);
}

SkewSums MeasureSkew(const SkewPage& page, int32_t* rayPairs) {
  SkewSums sums{};
  if (rayPairs) *rayPairs = 0;
  if (!ValidPage(page)) return sums;
  const RaySet rays(page);
  for (int32_t i = 1; i <= kScanColumns; ++i) {
    const int32_t x0 = (page.Width / kColumnDivisor) * i;
    // Each ink run on the column starts one pair of rays, half-way between
    // the previous starting point and the top of the run.
    int32_t p = 0;
    int32_t y0 = 0;
    bool inInk = false;
    for (int32_t y = 0; y < page.Height; ++y) {
      const bool ink = page.IsInk(x0, y);
      if (ink && !inInk) {
        y0 = (y + p) / 2;
        MeasureRays(page, rays, x0, y0, sums);
        if (rayPairs) ++*rayPairs;
        inInk = true;
      } else if (!ink && inInk) {
        p = y0;
        inInk = false;
      }
    }
  }
  return sums;
}

int32_t DetectSkew(const SkewPage& page) {
  return BestEntry(MeasureSkew(page));
}

bool AutoDeskew(platform::Bitmap& graphic) {
  return Deskew(graphic, false);
}

bool StraightenIfSkewed(platform::Bitmap& graphic) {
  return Deskew(graphic, true);
}

}  // namespace imaging
