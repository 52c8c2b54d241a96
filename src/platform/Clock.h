// The tick count of the platform: milliseconds since an arbitrary start.
#pragma once

#include <cstdint>

namespace platform {

uint32_t GetTickCount();
// A finer clock for measurements, in seconds.
double MonotonicSeconds();

}  // namespace platform
