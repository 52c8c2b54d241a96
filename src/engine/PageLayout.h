// Page layout: a band of components becomes text lines of character blocks,
// and a classified line is corrected block by block.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

void LayoutBand();
void LayoutLine();
void DispatchBlock(int32_t& index, int32_t lineAvgWidth, int32_t maxMergedWidth);

struct CharSizeInfo {
  int32_t Size;
  bool Reliable;
};
CharSizeInfo CharSize(const core::CharBlock& block);
int32_t AsciiPairAspect(const core::CharBlock& block);
void AddToSizeStats(const core::CharBlock& block);

}  // namespace engine
