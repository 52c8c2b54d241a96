// Library numbers of characters (1 … 15886) and of feature words (0 … 15624).
#pragma once

#include <cstdint>
#include <stdexcept>

#include "core/EngineRecords.h"

namespace library {

using CharIndex = uint16_t;

constexpr CharIndex kMaxCharIndex = 15886;

// Raised by CodeToIndex for a code outside the three ranges; its message is
// "error!".
class CodeError : public std::runtime_error {
 public:
  CodeError() : std::runtime_error("error!") {}
};

CharIndex CodeToIndex(core::CharCode code);
core::CharCode IndexToCode(CharIndex index);
// The decimal feature word read as a base-5 number.
int32_t FeatureWordToIndex(int32_t word);

}  // namespace library
