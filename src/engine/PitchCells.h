// Pieces of Chinese characters joined by the pitch of the line.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

// Chinese text sets every character in a cell of the same width, so the
// whole characters of a line (confident hanzi about as wide as `hanziSize`)
// mark a grid of cells. Blocks between them that share one cell are pieces
// of one character that the segmentation left apart (a character whose
// radicals stand apart, strokes broken on a light scan). Each such group is
// recognised as one cell and joined when it reads a Chinese character with
// at least kCellFloor votes; a group holding a whole confident character,
// or made only of full-width marks, is left as it is. Returns the number of
// groups joined.
int32_t JoinPiecesByPitch(core::BlockList& line, int32_t hanziSize);

// Votes a joined cell needs: well clear of what an unrelated union reads
// (such a union rarely reaches the 32 votes of a candidate at all).
constexpr int32_t kCellFloor = 40;

}  // namespace engine
