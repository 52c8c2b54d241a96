// Sorting of (key, value) pairs by ascending key, and the exchange helpers.
//
// SortPairs is a quicksort whose pivot is picked from the first, middle and
// last keys; short arrays (10 pairs or fewer) are finished by a bidirectional
// bubble sort. QuickSortPairs is the plain quicksort with the middle element
// as pivot. Neither is stable; callers rely only on the ascending keys, but
// the exact pivot rules are kept so that equal keys end up where they always
// did.
#include "engine/UnitSort.h"

#include <utility>

namespace engine {

namespace {

constexpr int32_t kBubbleSortLimit = 10;

// Alternate upward and downward passes; each pass ends at the last exchange
// of the pass before, beyond which the array is already in order.
void BubbleSortPairs(SortPair* items, int32_t n) {
  int32_t low = 0;
  int32_t high = n - 1;
  while (low < high) {
    int32_t lastSwap = low;
    for (int32_t i = low; i < high; ++i) {
      if (items[i].Key > items[i + 1].Key) {
        std::swap(items[i], items[i + 1]);
        lastSwap = i;
      }
    }
    high = lastSwap;
    if (low >= high) break;
    lastSwap = high;
    for (int32_t i = high; i > low; --i) {
      if (items[i - 1].Key > items[i].Key) {
        std::swap(items[i - 1], items[i]);
        lastSwap = i;
      }
    }
    low = lastSwap;
  }
}

// The pivot of SortPairs: the last element when key[mid] <= key[hi] <= key[lo],
// else the middle one when key[hi] <= key[mid] <= key[lo], else the first.
int32_t PivotIndex(const SortPair* items, int32_t n) {
  const int32_t lo = 0;
  const int32_t hi = n - 1;
  const int32_t mid = hi / 2;
  if (items[mid].Key <= items[hi].Key && items[hi].Key <= items[lo].Key) return hi;
  if (items[hi].Key <= items[mid].Key && items[mid].Key <= items[lo].Key) return mid;
  return lo;
}

// Takes the pivot out, moves the first element into its place and partitions
// around the hole left at the front; returns the pivot's final position.
int32_t PartitionAroundHole(SortPair* items, int32_t n) {
  const int32_t p = PivotIndex(items, n);
  const SortPair pivot = items[p];
  items[p] = items[0];
  int32_t i = 0;
  int32_t j = n - 1;
  while (i < j) {
    while (i < j && items[j].Key >= pivot.Key) --j;
    if (i < j) items[i++] = items[j];
    while (i < j && items[i].Key <= pivot.Key) ++i;
    if (i < j) items[j--] = items[i];
  }
  items[i] = pivot;
  return i;
}

}  // namespace

void SortPairs(SortPair* items, int32_t n) {
  // The smaller part is sorted by recursion and the larger one in the loop,
  // which bounds the depth of the recursion; the order produced is the same.
  while (n > kBubbleSortLimit) {
    const int32_t k = PartitionAroundHole(items, n);
    const int32_t leftCount = k;
    const int32_t rightCount = n - k - 1;
    if (leftCount < rightCount) {
      SortPairs(items, leftCount);
      items += k + 1;
      n = rightCount;
    } else {
      SortPairs(items + k + 1, rightCount);
      n = leftCount;
    }
  }
  if (n > 1) BubbleSortPairs(items, n);
}

namespace {

void QuickSortRange(SortPair* items, int32_t first, int32_t last) {
  int32_t i;
  do {
    i = first;
    int32_t j = last;
    int32_t pivot = (first + last) / 2;
    do {
      while (items[i].Key < items[pivot].Key) ++i;
      while (items[j].Key > items[pivot].Key) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        // The pivot is followed by its index when it moves.
        if (pivot == i) {
          pivot = j;
        } else if (pivot == j) {
          pivot = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (first < j) QuickSortRange(items, first, j);
    first = i;
  } while (i < last);
}

}  // namespace

void QuickSortPairs(SortPair* items, int32_t n) {
  if (n < 1) return;
  QuickSortRange(items, 0, n - 1);
}

void SwapInt16(uint16_t& a, uint16_t& b) {
  std::swap(a, b);
}
void SwapInt32(int32_t& a, int32_t& b) {
  std::swap(a, b);
}

}  // namespace engine
