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
// The size of a Chinese character in a line: the mean CharSize of its
// confident hanzi other than 一; the page's mean size (SizeSum / SizeCount)
// when the line has none; 0 when that is unknown too.
int32_t HanziSizeOf(const core::BlockList& line);
void AddToSizeStats(const core::CharBlock& block);

}  // namespace engine
