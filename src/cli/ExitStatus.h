// The exit statuses of pellarocr-cli, for the whole run and for each page:
// 0 success, 1 bad usage or environment (an output that cannot be written
// included), 2 an unreadable or corrupt input, 3 an internal error.
#pragma once

namespace cli {

constexpr int kExitSuccess = 0;
constexpr int kExitUsage = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInternal = 3;

// The status of a run made of parts with these statuses: an internal error
// outweighs a failure of the environment, which outweighs a bad input.
inline int CombinedStatus(int status, int other) {
  if (status == kExitInternal || other == kExitInternal) return kExitInternal;
  if (status == kExitUsage || other == kExitUsage) return kExitUsage;
  return status > other ? status : other;
}

}  // namespace cli
