#include "engine/BlockSplitting.h"
namespace engine {
bool SplitWideBlock(int32_t, BlockList&, int32_t) { return false; }
bool SplitTouchingPair(CharBlock&, CharBlock*&, CharBlock*&) { return false; }
int32_t FindCutColumn(const CharBlock&, int32_t, int32_t from, int32_t to) { return (from + to) / 2; }
int32_t SplitMultiPartBlock(int32_t) { return 0; }
void SortParts(CharBlock&) {}
}  // namespace engine
