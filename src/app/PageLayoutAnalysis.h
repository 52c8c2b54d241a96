// The layout of a page around the recognition run: the text regions of a
// page set in columns, in the order they are read, and the paragraphs of
// the lines a run found in one region.
//
// The recognition run takes bands across the whole page, so the lines of
// two columns side by side would come out interleaved. The page is therefore
// cut into regions first: the ink is reduced to a quarter of its size and
// smeared across the gaps between characters and lines, so that each column
// of text becomes a few solid blocks; the blocks are then cut recursively,
// across at blank bands that run the whole width, and up and down at blank
// gutters, as in a recursive X-Y cut. Columns are read left to right, and top
// to bottom within each; stretches that span the width stay whole.
#pragma once

#include <vector>

#include "core/EngineRecords.h"
#include "platform/Bitmap.h"

namespace app {

// The text regions of the monochrome page in reading order. Empty when the
// page is not set in columns: it is then read whole, as a single region.
std::vector<core::Box> FindTextRegions(const platform::Bitmap& mono);

// Which of the lines of one region (their boxes, top to bottom) begin a
// paragraph: the first line, a line whose left end is indented from the
// region's left edge by most of a text height, and a line whose gap to the
// line above is wider than the usual gap by half a text height or more.
std::vector<bool> ParagraphStarts(const std::vector<core::Box>& lines);

}  // namespace app
