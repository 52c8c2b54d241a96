// Finding which way up a monochrome page of Chinese text lies.
//
// Two measurements: first the direction of the text lines, from how many
// blank pixel rows (or columns) separate the lines in narrow stripes of the
// page, which tells a level or upside-down page (lines across) from one
// lying on its side (lines up and down); then which end is up, by reading a
// few lines of the page in each of the remaining turns and keeping the turn
// that gives the most confident characters. The reading starts with the
// likelier turn and stops as soon as it is convincing, so a level page costs
// one short reading.
#pragma once

#include <cstdint>

#include "platform/Bitmap.h"

namespace app {

// The clockwise turn in degrees (0, 90, 180 or 270) that brings the text of
// the monochrome page upright; 0 when the page shows no readable text. The
// template library must be loaded: the turns are judged by recognising.
int32_t DetectOrientation(const platform::Bitmap& mono);

}  // namespace app
