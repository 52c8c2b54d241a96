// Pair sorts (placeholder until the sorts are written).
#include "engine/UnitSort.h"

#include <utility>

namespace engine {
void SortPairs(SortPair*, int32_t) {}
void QuickSortPairs(SortPair*, int32_t) {}
void SwapInt16(uint16_t& a, uint16_t& b) { std::swap(a, b); }
void SwapInt32(int32_t& a, int32_t& b) { std::swap(a, b); }
}  // namespace engine
