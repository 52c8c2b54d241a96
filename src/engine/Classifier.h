// The character classifier: feature words vote over the template library.
// The vote table and the shape lists are work areas of EngineState.h.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"
#include "engine/RangeLists.h"

namespace engine {

// Builds the shape lists and the range starts; called once at start-up.
void BuildShapeLists();
void ClearVotes();
void ClassifyCell(core::CharBlock& block, int32_t rangeMode, bool useContext);

// round(10 × width / height), halves to even: the aspect value of a block.
int32_t AspectTimesTen(const core::CharBlock& block);

}  // namespace engine
