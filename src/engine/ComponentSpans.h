// Column spans of the ink components inside a box of the page, found by
// tracing the components' contours (Moore-neighbour walk, 8-connected).
#pragma once

#include <cstdint>
#include <vector>

#include "core/EngineRecords.h"

namespace engine {

struct ComponentBox {
  int32_t Left = 2147483647;
  int32_t Right = 0;
  int32_t Top = 2147483647;
  int32_t Bottom = 0;
  int32_t ContourLength = 0;
};

// Fills `spans` (cleared first) with the spans inside `box`, by increasing
// left edge. Reads PageBits only.
void FindComponentSpans(const core::Box& box, std::vector<ComponentBox>& spans);

}  // namespace engine
