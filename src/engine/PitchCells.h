// Pieces of Chinese characters joined, and characters run together cut
// apart, by the pitch of the line.
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
// made only of marks among which a quote or bracket, or made of the letters
// of a Latin word, is left as it is. Returns the number of groups joined.
int32_t JoinPiecesByPitch(core::BlockList& line, int32_t hanziSize);

// Cuts the doubtful blocks of the line that span two or more cells of its
// pitch and stand as tall as a character (characters that heavy print ran
// together) into one block a cell, when every cell then reads a Chinese
// character with at least kCellFloor votes. Returns the number of blocks cut.
int32_t SplitRunTogetherCells(core::BlockList& line, int32_t hanziSize);

// Votes a joined cell needs: those of any candidate. The place of the cell
// in the grid of the line is the main evidence; the union of an unrelated
// pair of pieces rarely reads as a Chinese character at all, and on light
// print a joined cell read with the fewest votes is right more often than
// the pieces it replaces.
constexpr int32_t kCellFloor = 32;

}  // namespace engine
