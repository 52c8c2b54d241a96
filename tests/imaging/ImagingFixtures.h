// Pixel helpers for the imaging tests: 1-bit and 8-bit pixels of a Bitmap.
#pragma once

#include <cstdint>

#include "platform/Bitmap.h"

namespace imaging::testing {

inline int Bit(const platform::Bitmap& b, int32_t x, int32_t y) {
  return (b.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

inline void SetBit(platform::Bitmap& b, int32_t x, int32_t y, int value) {
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  b.Row(y)[x >> 3] = value ? (b.Row(y)[x >> 3] | mask) : (b.Row(y)[x >> 3] & ~mask);
}

// Ink is bit 1 on a page whose palette entry 0 is white.
inline void Ink(platform::Bitmap& b, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  for (int32_t y = top; y <= bottom; ++y)
    for (int32_t x = left; x <= right; ++x) SetBit(b, x, y, 1);
}

}  // namespace imaging::testing
