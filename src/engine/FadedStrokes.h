// Characters whose thin strokes vanished on light print.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

// A Song 一 is a thin horizontal stroke that ends in a heavy triangle on the
// right. On light print the stroke vanishes and only that end is left: a
// small mark at the middle height of the line, at the right end of a cell
// of its own between Chinese characters, which the classifier reads as a
// middle dot, a comma, a hyphen or a quote. Such a mark is read as 一, over
// the width of a character ending where the mark ends, and kept doubtful so
// that it is shown for checking. Returns the number of marks read as 一.
int32_t ReadStrokeEndsAsOne(core::BlockList& line, int32_t hanziSize);

// On light print the thin ring of 。 breaks up and often only a short arc of
// it is left, while a comma keeps its heavy head; the classifier reads such
// small marks as ， or 。 about at random. Where they stand tells them apart:
// the head of a comma starts where the face sets the top of its commas, so a
// small mark after a Chinese character that ends about where the commas
// start (and starts below the middle of the line) is what is left of a 。,
// and a small mark read as 。 that starts where the commas start and is
// hardly wider than they are is a comma. The commas' height and width are
// learned from the commas read after Chinese characters on the page so far,
// this line's included, and are used from the fifth one on.
void SettleFadedPeriods(core::BlockList& line, int32_t hanziSize);
// On light print a 。 can vanish altogether, while the heavy head of a comma
// stays: in a line of running Chinese text (eight Chinese characters or
// more), a gap between two Chinese characters as wide as a cell of its own
// (0.9 to 1.5 of a character) holds a mark that is no longer there. It is
// filled with a doubtful 。 at the baseline on the left of the gap, so that
// the text keeps its sentence and the place is shown for checking. Only for
// pages whose strokes fell apart (LightPrint), and not in learning mode,
// where a mark without ink must not be taught. Returns the number of marks.
int32_t MarkVanishedPeriods(core::BlockList& line, int32_t hanziSize);
// Forgets the commas' height and width (at the start of a page).
void ForgetCommaHeights();

}  // namespace engine
