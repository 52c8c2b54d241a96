// Rounding as the engine defines it: to the nearest integer, halves to even.
//
// A threshold such as rnd(0.3 × n) is a product of an integer with a fixed
// decimal factor; it is computed exactly in integers (rnd(3n / 10)), so that
// a half really is a half and goes to the even neighbour. Values that the
// engine keeps in floating point (cell sampling steps, slice pitches) are
// rounded with RoundHalfEven, which uses the processor's default rounding.
#pragma once

#include <cmath>
#include <cstdint>

namespace core {

// round(numerator / denominator), halves to even; denominator > 0.
constexpr int64_t RoundHalfEvenDiv(int64_t numerator, int64_t denominator) {
  int64_t q = numerator / denominator;
  int64_t r = numerator % denominator;
  if (r < 0) {  // floor division
    r += denominator;
    --q;
  }
  const int64_t twice = 2 * r;
  if (twice > denominator || (twice == denominator && (q & 1) != 0)) ++q;
  return q;
}

inline int64_t RoundHalfEven(long double value) {
  return static_cast<int64_t>(std::nearbyintl(value));
}
inline int64_t RoundHalfEven(double value) {
  return static_cast<int64_t>(std::nearbyint(value));
}

}  // namespace core
