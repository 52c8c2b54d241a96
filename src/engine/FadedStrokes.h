// Characters whose thin strokes vanished on light print.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

// A Song 一 is a thin horizontal stroke that ends in a heavy triangle on the
// right. On light print the stroke vanishes and only that end is left: a
// small mark at the middle height of the line, at the right end of a cell
// of its own between Chinese characters, which the classifier reads as a
// middle dot, a comma, a hyphen or a quote. Such a mark is read as 一, over
// the width of a character ending where the mark ends, and kept doubtful so
// that it is shown for checking. Returns the number of marks read as 一.
int32_t ReadStrokeEndsAsOne(core::BlockList& line, int32_t hanziSize);

}  // namespace engine
