#include "engine/PageLayout.h"
namespace engine {
void LayoutBand() {}
void LayoutLine() {}
void DispatchBlock(int32_t& index, int32_t, int32_t) { ++index; }
CharSizeInfo CharSize(const CharBlock&) { return {0, false}; }
int32_t AsciiPairAspect(const CharBlock&) { return 0; }
void AddToSizeStats(const CharBlock&) {}
}  // namespace engine
