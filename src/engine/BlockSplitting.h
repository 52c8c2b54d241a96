// Splitting of too wide or badly recognised character blocks.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

bool SplitWideBlock(int32_t ratio, core::BlockList& lineBlocks, int32_t index);
bool SplitTouchingPair(core::CharBlock& block, core::CharBlock*& left, core::CharBlock*& right);
int32_t FindCutColumn(const core::CharBlock& block, int32_t step, int32_t from, int32_t to);
int32_t SplitMultiPartBlock(int32_t index);
void SortParts(core::CharBlock& block);

// A SplitWideBlock call: its block, the block's width ratio, the list and
// the block's index there.
struct SplitContext {
  core::CharBlock* Block;
  int32_t Ratio;
  core::BlockList* List;
  int32_t Index;
};
// A new block over the rows of `b` from column `left` to `right`, without
// parts, with the given cut sides.
core::CharBlock* NewPiece(const core::CharBlock& b, int32_t left, int32_t right, uint8_t cutSides);

// Cuts the context's block at `column` (which belongs to neither piece) when
// both pieces hold; true when the block was replaced by them.
bool SplitBlockAt(const SplitContext& context, int32_t column);

// The most groups GroupParts forms.
constexpr int32_t kMaxPartGroups = 20;
// Groups the sorted parts of a block by the extent of each group's first
// part; the number of groups, or −1 when there would be more than 20.
int32_t GroupParts(const core::CharBlock& block, core::Box* groups, int32_t* overlaps);

// Recognises a record whose box is set, without context: with trimRows its
// Top and Bottom are first trimmed to the rows holding ink between Left and
// Right; then the cell is normalised (masking across its CutSides), measured
// and classified in the range mode. A box without columns or rows is not
// classified: it gets score 0 and no candidate.
void RecogniseTrial(core::CharBlock& record, int32_t rangeMode, bool trimRows);

// Classifier used by RecogniseTrial in place of ClassifyCell when set; lets
// the tests script what the trials read.
using TrialClassifierFn = void (*)(core::CharBlock& record, int32_t rangeMode);
extern TrialClassifierFn TrialClassifier;

}  // namespace engine
