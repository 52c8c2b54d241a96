#include "engine/ResultList.h"

#include "engine/EngineState.h"
namespace engine {
void MergeOverlapping(BlockList&, int32_t, int32_t&) {}
void MergeColumns(BlockList&) {}
void UnionBox(CharBlock&, const CharBlock&) {}
void UnionBox(Box&, const Box&) {}
void AbsorbBlock(BlockList&, int32_t, int32_t) {}
void FreeBlock(CharBlock* block) {
  if (PrevBlock == block) PrevBlock = nullptr;
  delete block;
}
void FreePageLines() {}
void CharMapInsert(int32_t, int32_t, CharBlock*) {}
EmittedLine EmitLine() { return {}; }
int32_t AsciiWidth(uint8_t, bool) { return 100; }
int32_t RefWidth(const CharCode*, int32_t width) { return width; }
}  // namespace engine
