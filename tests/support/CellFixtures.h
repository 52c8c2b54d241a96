// Test pages for the cell stages: a blank 1-bit page installed as the run's
// PageBits (ink = bit 1, the job region the whole page), drawing helpers and
// blocks built from a box.
#pragma once

#include <cstdint>
#include <vector>

#include "core/EngineRecords.h"

namespace cells {

void MakeBlankPage(int32_t width, int32_t height);
void SetInk(int32_t x, int32_t y);
// Every pixel of the inclusive box becomes ink.
void FillInk(int32_t left, int32_t right, int32_t top, int32_t bottom);
// A block with the box and CutSides set and every other field zero.
core::CharBlock MakeBlock(int32_t left, int32_t right, int32_t top, int32_t bottom, uint8_t cutSides = 0);
// The page as it is now, for comparisons.
std::vector<uint8_t> PageSnapshot();

}  // namespace cells
