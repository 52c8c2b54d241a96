// Dots and commas that the page scan dropped as specks.
#pragma once

#include <cstdint>
#include <vector>

#include "core/EngineRecords.h"

namespace engine {

// On a low-resolution page (Chinese characters under 35 pixels) a comma, or
// the dot of ！ ； ？, can be smaller than the components the page scan
// keeps; the dot of a Latin i or j can be at any size. `specks` are the components the
// scan set aside in the line's band. A speck right above or below a narrow
// mark of the line (in its columns) is tried as the dot of that mark; specks
// in a gap after a Chinese character wide enough for a cell of its own are
// tried as the mark that stands there. The union is kept when it reads such
// a mark with confidence. Specks that were used are taken out of the list.
void RestoreSmallMarks(core::BlockList& line, std::vector<core::Box>& specks, int32_t hanziSize);

}  // namespace engine
