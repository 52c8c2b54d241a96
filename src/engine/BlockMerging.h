// Merging of narrow blocks and even re-division of badly cut pairs.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

int32_t MergeNarrowBlock(int32_t index, int32_t maxWidth);
int32_t PairMetrics(const core::Box& a, const core::Box& b, int32_t& gapTenths);
int32_t ResplitPair(int32_t index, int32_t avgWidth);
int32_t SplitEvenly(int32_t index, int32_t n);

}  // namespace engine
