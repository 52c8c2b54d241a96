// A page outcome as bytes, to pass it from a worker process to the process
// that writes the outputs: every field of the outcome and of its recognised
// page, the page image included.
#pragma once

#include <string>

#include "cli/Batch.h"

namespace cli {

std::string EncodeOutcome(const PageOutcome& outcome);
// False when the bytes are not a whole outcome (the outcome is then
// unspecified).
bool DecodeOutcome(const std::string& bytes, PageOutcome& outcome);

}  // namespace cli
