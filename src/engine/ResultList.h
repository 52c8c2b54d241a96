// Operations on the engine's result lists: merging blocks (overlap and column
// merges, parts and sub-blocks), releasing blocks and lines, and emitting a
// finished line as text with spaces, indentation and character-map entries.
#pragma once

#include <cstdint>
#include <string>

#include "core/EngineRecords.h"

namespace engine {

// Merges into list[index] every block that touches it (mode 0: the boxes
// overlap; mode 1: the columns overlap). `index` keeps pointing at the block.
void MergeOverlapping(core::BlockList& list, int32_t mode, int32_t& index);
void MergeColumns(core::BlockList& list);
void UnionBox(core::CharBlock& destination, const core::CharBlock& source);
void UnionBox(core::Box& destination, const core::Box& source);
// Merges list[dropIndex] into list[keepIndex] as a sub-block and removes it.
void AbsorbBlock(core::BlockList& list, int32_t keepIndex, int32_t dropIndex);
// Releases a block; clears PrevBlock when it names the block.
void FreeBlock(core::CharBlock* block);
void FreePageLines();
// Inserts `count` copies of `value` at `position` of Job.CharMap, padding
// with nullptr entries when the map is shorter.
void CharMapInsert(int32_t position, int32_t count, core::CharBlock* value);

struct EmittedLine {
  std::string Text;  // GBK
  int32_t Indent = 0;
  std::string Ruler;  // index ruler, in learning mode only
};
// Emits *LineBlocks: returns its text and indentation and appends its entries
// to Job.CharMap.
EmittedLine EmitLine();
// The index ruler label of block k for a block text of `textBytes` bytes:
// the block number's last digit, with a letter for its tens (64 + k div 10)
// when the text has room, right-aligned.
std::string RulerLabel(int32_t k, int32_t textBytes);

int32_t AsciiWidth(uint8_t c, bool narrowDigits);
// Width of a full character at the block's type size, from the block width
// and its first candidate.
int32_t RefWidth(const core::CharCode* codes, int32_t width);

}  // namespace engine
