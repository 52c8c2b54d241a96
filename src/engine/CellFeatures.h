// Character cell normalisation and the 32 feature words of a cell.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

constexpr int32_t kCellSize = 48;

// CellGrid[i][j]: grid column i, grid row j; 1 = ink.
extern uint8_t CellGrid[kCellSize][kCellSize];
extern int32_t EdgeProfile[14][kCellSize];
extern int32_t FeatureDigits[core::kFeatureWords][6];

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
