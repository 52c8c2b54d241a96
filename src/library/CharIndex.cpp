#include "library/CharIndex.h"
namespace library {
CharIndex CodeToIndex(engine::CharCode) { throw CodeError(); }
engine::CharCode IndexToCode(CharIndex) { return 0; }
int32_t FeatureWordToIndex(int32_t) { return 0; }
}  // namespace library
