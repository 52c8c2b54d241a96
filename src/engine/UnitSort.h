// Sorting of (key, value) pairs of 32-bit integers by ascending key, and the
// value-exchange helpers of the engine.
#pragma once

#include <cstdint>

namespace engine {

struct SortPair {
  int32_t Key;
  int32_t Value;
};

// Quicksort with a median-of-three pivot; arrays of up to 10 pairs are sorted
// by a bidirectional bubble sort. Not stable.
void SortPairs(SortPair* items, int32_t n);
// Quicksort with the middle element as pivot; does nothing when n < 1. Not stable.
void QuickSortPairs(SortPair* items, int32_t n);

void SwapInt16(uint16_t& a, uint16_t& b);
void SwapInt32(int32_t& a, int32_t& b);

}  // namespace engine
