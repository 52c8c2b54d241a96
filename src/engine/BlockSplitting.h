// Splitting of too wide or badly recognised character blocks.
#pragma once

#include <cstdint>

#include "engine/EngineRecords.h"

namespace engine {

bool SplitWideBlock(int32_t ratio, BlockList& lineBlocks, int32_t index);
bool SplitTouchingPair(CharBlock& block, CharBlock*& left, CharBlock*& right);
int32_t FindCutColumn(const CharBlock& block, int32_t step, int32_t from, int32_t to);
int32_t SplitMultiPartBlock(int32_t index);
void SortParts(CharBlock& block);

}  // namespace engine
