// Character cell normalisation and the 32 feature words of a cell.
#pragma once

#include <cstdint>

#include "engine/EngineRecords.h"

namespace engine {

constexpr int32_t kCellSize = 48;

// CellGrid[i][j]: grid column i, grid row j; 1 = ink.
extern uint8_t CellGrid[kCellSize][kCellSize];
extern int32_t EdgeProfile[14][kCellSize];
extern int32_t FeatureDigits[kFeatureWords][6];

// The widened box of a masking: left, top, right, bottom.
struct OuterBox {
  int32_t Left, Top, Right, Bottom;
};

void TrimRows(Box& box);
void TrimColumns(Box& box);
void MaskNeighbourStrokes(uint8_t sides, const OuterBox& outer);
void RestoreMaskedPixels();
void NormaliseCell(const CharBlock& block);
void ComputeFeatures();
// Packs FeatureDigits into the block's Features (word = d0·10⁵ + … + d5).
void PackFeatures(CharBlock& block);

}  // namespace engine
