// Automatic skew detection and correction of monochrome pages.
//
// From starting points on five vertical scan lines, straight rays are sent
// left and right at 17 slopes (0 and ±1° … ±8°); each ray runs until it has
// crossed a few ink pixels or left the page. The slope along which the rays
// run farthest in all is taken as the direction of the text lines, and the
// page is turned back by that whole number of degrees.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/Bitmap.h"

namespace imaging {

struct SkewEntry {
  float Slope;              // tangent; positive: lines descend to the right
  int32_t CorrectionAngle;  // degrees to turn the page by (positive: clockwise)
};

constexpr int32_t kSkewEntries = 17;

// Entry 0 is level; entries 1..8 descend to the right by 1°..8° and are turned
// back counter-clockwise; entries 9..16 rise by 1°..8° and are turned back
// clockwise.
inline constexpr std::array<SkewEntry, kSkewEntries> SkewTable = {{
    {0.0f, 0},
    {0.017455060f, -1},
    {0.034920771f, -2},
    {0.052407779f, -3},
    {0.069926813f, -4},
    {0.087488659f, -5},
    {0.105104238f, -6},
    {0.122784562f, -7},
    {0.140540823f, -8},
    {-0.017455060f, 1},
    {-0.034920771f, 2},
    {-0.052407779f, 3},
    {-0.069926813f, 4},
    {-0.087488659f, 5},
    {-0.105104238f, 6},
    {-0.122784562f, 7},
    {-0.140540823f, 8},
}};

// A 1-bit top-down page and what counts as ink on it.
struct SkewPage {
  std::span<const uint8_t> Bits;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t RowBytes = 0;
  int32_t Ink = 1;  // the bit value of ink

  bool IsInk(int32_t x, int32_t y) const {
    return ((Bits[static_cast<size_t>(y) * RowBytes + (x >> 3)] >> (7 - (x & 7))) & 1) == Ink;
  }
};

// The total free length found for each entry.
using SkewSums = std::array<int64_t, kSkewEntries>;

// Ink pixels a ray may cross before it stops: 1 below 1000 pixels on the
// smaller side, one more for every further 500.
int32_t MinHits(int32_t width, int32_t height);
// The longest ray.
int32_t MaxRayLength(int32_t width, int32_t height);

// Adds, for each entry, the free lengths of the rays from (x0, y0) to the
// right and to the left along its slope.
void MeasureRays(const SkewPage& page, int32_t x0, int32_t y0, SkewSums& sums);

// For each entry, the free lengths of all rays sent from the five scan lines;
// `rayPairs` (may be null) is given the number of pairs sent.
SkewSums MeasureSkew(const SkewPage& page, int32_t* rayPairs = nullptr);

// The entry 0..16 whose slope the text lines follow; on a tie the later entry
// wins, so a page without ink on the scan lines gives entry 16.
int32_t DetectSkew(const SkewPage& page);

// Detects the skew of a 1-bit bitmap and turns it back in place (fill white,
// about the centre). False when its pixels cannot be taken; true otherwise,
// also when no turn was needed.
bool AutoDeskew(platform::Bitmap& graphic);

// True when the page has text enough to measure (at least kMinSkewRayPairs
// pairs of rays: a page of text sends a few hundred, a page of one line
// fewer than ten, and sloped rays escape past the ends of a lone line into
// the margins) and the rays of `entry` ran clearly farther in all than the
// level ones: by more than one part in kClearSkewDenominator (text set at a
// slope gives its slope 40 % and more over level).
constexpr int32_t kMinSkewRayPairs = 40;
constexpr int64_t kClearSkewDenominator = 20;
bool ClearlySkewed(const SkewSums& sums, int32_t entry, int32_t rayPairs);

// As AutoDeskew, but the page is turned only when its lines clearly slope
// (ClearlySkewed). A level page, and a page whose rays tie (no ink on the
// scan lines, a single rule), stay exactly as they are.
bool StraightenIfSkewed(platform::Bitmap& graphic);

}  // namespace imaging
