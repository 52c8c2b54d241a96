#include "engine/CellFeatures.h"
namespace engine {
uint8_t CellGrid[kCellSize][kCellSize];
int32_t EdgeProfile[14][kCellSize];
int32_t FeatureDigits[kFeatureWords][6];
void TrimRows(Box&) {}
void TrimColumns(Box&) {}
void MaskNeighbourStrokes(uint8_t, const OuterBox&) {}
void RestoreMaskedPixels() {}
void NormaliseCell(const CharBlock&) {}
void ComputeFeatures() {}
void PackFeatures(CharBlock&) {}
}  // namespace engine
