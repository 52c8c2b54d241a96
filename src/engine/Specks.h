// Specks of dirt in a corrected line of blocks, and lines that hold nothing
// but such marks.
#pragma once

#include "core/EngineRecords.h"

namespace engine {

// Releases the blocks of the line that are specks rather than characters:
// small marks that stand where no character cell has room (between two
// Chinese characters set at their normal spacing), or that stand alone far
// from every other block of the line. `hanziSize` is the size of a Chinese
// character in the line (HanziSizeOf); without one nothing is released.
void DropSpecks(core::BlockList& line, int32_t hanziSize);

// Releases the dots and commas (a piece of a broken 。, a dot of dirt) that stand
// in the empty part of the cell of a mark that ends a clause (， 、 。 ； ：
// ！ ？), or after such a mark at the end of the line: no mark of the text
// follows these marks there. Run after the pieces of characters are joined
// by the pitch, so that a piece that completes a character is not lost.
void DropDotsInMarkCells(core::BlockList& line, int32_t hanziSize);

// A line is noise when every block of it is a dot, dash or symbol (a
// speck, a rule, a stray mark), or when it is one doubtful block.
bool IsNoiseLine(const core::BlockList& line);

}  // namespace engine
