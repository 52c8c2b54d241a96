// Pages whose strokes fell apart: light print or a high threshold breaks the
// thin strokes of a face into dotted runs, and each character arrives as
// slivers and specks. Such a page shows many more tiny components than a
// sound one; thickening its ink joins the pieces again before the scan.
// Heavy print also leaves many tiny components (specks, the ragged edges of
// thick strokes), but its strokes are wide, and thickening would fill them.
#pragma once

#include <cstdint>
#include <vector>

#include "core/EngineRecords.h"

namespace engine {

struct FragmentCount {
  int32_t Tiny = 0;   // components of fewer pixels than the page scan keeps
  int32_t Whole = 0;  // components of kWholePixels or more
  // The length of the horizontal run of ink that the median ink pixel lies
  // in: about the width of the vertical strokes.
  int32_t StrokeWidth = 0;
};
constexpr int32_t kWholePixels = 40;
// Strokes at most this wide (pixels) can be broken ones; a light scan of a
// Song face at 300 dpi has 2 to 4, heavy print 8 or more.
constexpr int32_t kThinStrokePixels = 6;

// Counts the 8-connected ink components of the rows and columns of `region`
// (inclusive) in a 1-bit page of `rowBytes` bytes per row.
FragmentCount CountFragments(const std::vector<uint8_t>& bits, int32_t rowBytes, uint8_t inkValue,
                             const core::Box& region);

// True when the tiny components outnumber the whole ones and the strokes
// are thin: a page of broken strokes (sound pages, scans with specks and 200
// dpi pages have well under half as many tiny components).
bool HasBrokenStrokes(const FragmentCount& count);

// Thickens the ink of a page `width` pixels wide by two pixels to the left
// and right and one up and down, which joins the dotted runs of a broken
// stroke and the slivers of a character.
void RepairBrokenStrokes(std::vector<uint8_t>& bits, int32_t rowBytes, int32_t width, int32_t height,
                         uint8_t inkValue);

}  // namespace engine
