// The pair sorts: ascending keys for short (bubble sort) and long
// (partitioned) arrays, equal keys, and the empty and single-pair cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/UnitSort.h"

using engine::SortPair;

namespace {

using SortFunction = void (*)(SortPair*, int32_t);

std::vector<SortPair> RandomPairs(size_t n, int32_t keyRange, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> key(-keyRange, keyRange);
  std::vector<SortPair> pairs(n);
  for (size_t i = 0; i < n; ++i) pairs[i] = {key(random), static_cast<int32_t>(i)};
  return pairs;
}

// The keys come out as std::sort orders them, and the values still belong
// to their keys (the pairs are a permutation of the input).
void ExpectSorted(SortFunction sort, std::vector<SortPair> pairs) {
  std::vector<SortPair> expected = pairs;
  sort(pairs.data(), static_cast<int32_t>(pairs.size()));
  auto byKeyThenValue = [](const SortPair& a, const SortPair& b) {
    return a.Key != b.Key ? a.Key < b.Key : a.Value < b.Value;
  };
  for (size_t i = 1; i < pairs.size(); ++i) ASSERT_LE(pairs[i - 1].Key, pairs[i].Key) << "at " << i;
  std::vector<SortPair> got = pairs;
  std::sort(got.begin(), got.end(), byKeyThenValue);
  std::sort(expected.begin(), expected.end(), byKeyThenValue);
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].Key, expected[i].Key);
    ASSERT_EQ(got[i].Value, expected[i].Value);
  }
}

class SortTest : public ::testing::TestWithParam<SortFunction> {};

TEST_P(SortTest, EmptyAndSingleArraysAreLeftAlone) {
  GetParam()(nullptr, 0);
  SortPair one{7, 3};
  GetParam()(&one, 1);
  EXPECT_EQ(one.Key, 7);
  EXPECT_EQ(one.Value, 3);
}

TEST_P(SortTest, ShortArraysOfEveryLengthUpToTheBubbleLimitAndBeyond) {
  for (size_t n = 2; n <= 12; ++n) {
    for (uint32_t seed = 0; seed < 50; ++seed) ExpectSorted(GetParam(), RandomPairs(n, 20, seed));
  }
}

TEST_P(SortTest, LongArraysWithManyEqualKeys) {
  for (uint32_t seed = 0; seed < 20; ++seed) {
    ExpectSorted(GetParam(), RandomPairs(1000, 5, seed));
    ExpectSorted(GetParam(), RandomPairs(777, 100000, seed));
  }
}

TEST_P(SortTest, AscendingDescendingAndConstantInput) {
  std::vector<SortPair> ascending(5000), descending(5000), constant(300);
  for (int32_t i = 0; i < 5000; ++i) {
    ascending[i] = {i, i};
    descending[i] = {5000 - i, i};
  }
  for (int32_t i = 0; i < 300; ++i) constant[i] = {4, i};
  ExpectSorted(GetParam(), ascending);
  ExpectSorted(GetParam(), descending);
  ExpectSorted(GetParam(), constant);
}

INSTANTIATE_TEST_SUITE_P(BothSorts, SortTest, ::testing::Values(&engine::SortPairs, &engine::QuickSortPairs));

}  // namespace
