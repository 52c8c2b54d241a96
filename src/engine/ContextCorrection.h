// Contextual correction of look-alike characters and of letter case.
#pragma once

#include <cstdint>

#include "core/EngineRecords.h"

namespace engine {

// Shape class of the ASCII character(s) of codes[0]; −1 is reserved for a
// letter whose case is still to be decided.
constexpr int32_t kCaseUndecided = -1;
int32_t GlyphClass(const core::CharCode* codes);
void CorrectAmbiguous(int32_t index);
void ResolveLetterCase();
// The hanzi of the second GB2312 level (rare characters, radicals, names)
// are well under one in a hundred of the characters of running text. When
// one of them is read with at most seven votes more than a first-level hanzi
// among the candidates, that common character is taken; each keeps its
// place's score, so the scores stay in order.
void PreferCommonHanzi(core::CharBlock& block);
// Of the Chinese characters read within four votes of the first candidate,
// the one that the context file supports better beside its neighbours is
// taken: a pair the file names counts two, a pair it cannot tell (both lists
// full of more frequent neighbours) one, a pair it would have named but does
// not nothing. It takes a whole named pair more, or equal votes; each
// candidate keeps its place's score.
void PreferKnownPairs();
// Reads as 」 the letter, sign or 彐 that closes an open 「 of the line
// (run after the letter case is resolved).
void CloseCornerBrackets();
// Reads as 「 the letter, sign or 厂 of the size of a 」 of the line that
// opens the text that 」 closes: it follows Chinese text or starts the line
// (run after CloseCornerBrackets, so that a 」 found there counts).
void OpenCornerBrackets();
// A heavy 。 after Latin text, after a mark or after a blot can read as the
// letter o, O or the digit 0. A round letter or digit less than 0.4 of a
// Chinese character high (o is half as high, O and 0 three quarters) that
// is not followed by a Latin letter or digit is 。 (run after the letter
// case is resolved).
void ReadSmallRoundsAsPeriods();
// Chinese faces set “ and ‘ at the right of their cells, next to the text
// they open, and ” and ’ at the left, next to the text they close. A quote
// with clearly more white on one side than on the other (0.35 of a Chinese
// character) is the one whose text lies on the other side. What light print
// left of a double quote at the top of the line, read as a hyphen, dash or
// dot, is turned the same way (towards the nearer text).
void OrientQuotes();

// Helpers over *LineBlocks, exposed for the tests.
int32_t NearestNonDash(int32_t index);
// The two search cursors of NearestLetterOrDigit, kept between its calls.
struct NeighbourCursors {
  int32_t Index;  // the block whose neighbours are searched
  int32_t Left;   // next position to look at on the left
  int32_t Right;  // next position to look at on the right
};
NeighbourCursors StartNeighbourSearch(int32_t index);
int32_t NearestLetterOrDigit(NeighbourCursors& cursors);
int32_t NeighbourKind(int32_t index);
int32_t DigitLetterKind(bool takeFirst, core::CharCode code);
int32_t CaseReference(int32_t mask, int32_t index);

}  // namespace engine
