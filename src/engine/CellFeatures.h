// Character cell normalisation and the 32 feature words of a cell; the
// cell, its edge profiles and feature digits are work areas of EngineState.h.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"

namespace engine {

// The widened box of a masking: left, top, right, bottom.
struct OuterBox {
  int32_t Left, Top, Right, Bottom;
};

void TrimRows(core::Box& box);
void TrimColumns(core::Box& box);
void MaskNeighbourStrokes(uint8_t sides, const OuterBox& outer);
void RestoreMaskedPixels();
void NormaliseCell(const core::CharBlock& block);
void ComputeFeatures();
// Packs FeatureDigits into the block's Features (word = d0·10⁵ + … + d5).
void PackFeatures(core::CharBlock& block);

}  // namespace engine
