// Specks: dirt on a scanned page comes through the page scan as small
// components, and the classifier reads them as dots, commas or quotes. A
// real mark of Chinese text occupies a character cell of its own, next to
// the text it belongs to. So a small mark is a speck when the two Chinese
// characters around it stand at their normal spacing (less than half a
// character apart: no room for a cell between them), or when it stands
// further than one and a half characters from each of its neighbours. A
// mark that ends a clause (， 、 。 ； ： ！ ？) fills only part of its cell, and no
// dot or comma follows it, so a dot or comma in the empty rest of that cell
// or after it at the end of the line (a piece of a broken 。, a dot of dirt)
// is no mark of the text either.
#include "engine/Specks.h"

#include <algorithm>
#include <cstdlib>

#include "engine/EngineState.h"
#include "engine/ResultList.h"

namespace engine {

namespace {

constexpr uint8_t kSymbolLead = 0xA1;
constexpr CharCode kHanziOne = MakeCode(0xD2, 0xBB);  // 一

// Sizes and gaps in tenths of the Chinese character size.
constexpr int64_t kBetweenSpeckTenths = 5;  // a speck between two hanzi is smaller than half a character
constexpr int64_t kNoCellGapTenths = 5;     // two hanzi closer than this leave no cell between them
constexpr int64_t kLoneSpeckHundredths = 35;  // a lone speck is smaller than this
constexpr int64_t kLoneGapTenths = 15;      // ... and further than this from its neighbours
constexpr int64_t kQuoteDropTenths = 2;     // a quote's top is at most this far below the hanzi tops
constexpr int64_t kDotOffsetHundredths = 15;  // a middle dot's middle is this near the hanzi's middle
constexpr int64_t kCommaTenths = 5;         // a comma or full stop is smaller than this
constexpr int64_t kLeadingDotTenths = 2;    // a dot that opens a line is smaller than this
constexpr int64_t kLeadingGapTenths = 3;    // ... and at least this far from the text after it
constexpr int64_t kTrailingGapTenths = 5;   // a dot ending a line this far after the text

constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);         // ·
constexpr CharCode kFullStop = MakeCode(0xA1, 0xA3);          // 。
constexpr CharCode kLeftQuote = MakeCode(0xA1, 0xAE);         // ‘
constexpr CharCode kRightQuote = MakeCode(0xA1, 0xAF);        // ’
constexpr CharCode kLeftDoubleQuote = MakeCode(0xA1, 0xB0);   // “
constexpr CharCode kRightDoubleQuote = MakeCode(0xA1, 0xB1);  // ”

// Commas and full stops, set at the left of a cell of their own, and the
// ASCII comma that a small or broken ， is often read as.
constexpr std::initializer_list<CharCode> kCommasAndStops = {
    MakeCode(0xA3, 0xAC),  // ，
    MakeCode(0xA1, 0xA2),  // 、
    MakeCode(0xA1, 0xA3),  // 。
    AsciiCode(','),
};

// The tall marks that also end a clause, set in a cell of their own.
constexpr std::initializer_list<CharCode> kTallStops = {
    MakeCode(0xA3, 0xBB),  // ；
    MakeCode(0xA3, 0xBA),  // ：
    MakeCode(0xA3, 0xA1),  // ！
    MakeCode(0xA3, 0xBF),  // ？
};

// What dirt or a stroke fragment reads as: dots and commas, never quotes.
constexpr std::initializer_list<CharCode> kDotMarks = {
    kMiddleDot,            // ·
    MakeCode(0xA3, 0xAE),  // ．
    MakeCode(0xA3, 0xAC),  // ，
    MakeCode(0xA1, 0xA2),  // 、
    AsciiCode('.'),        // .
    AsciiCode(','),        // ,
};

constexpr std::initializer_list<CharCode> kNoiseMarks = {
    kHanziOne,
    MakeCode(0xA3, 0xDF),  // ＿
    MakeCode(0xA3, 0xDE),  // ＾
    MakeCode(0xA3, 0xAE),  // ．
    MakeCode(0xA3, 0xAC),  // ，
    MakeCode(0xA3, 0xA7),  // ＇
    MakeCode(0xA1, 0xF6),  // ■
    MakeCode(0xA1, 0xF1),  // ●
};

int32_t SizeOf(const CharBlock& b) {
  return std::max(b.Right - b.Left, b.Bottom - b.Top);
}

// A confident Chinese character, Latin letter or digit (full-width or ASCII,
// alone or in a pair): text, never a speck.
bool IsConfidentText(const CharBlock& b) {
  if (!IsConfident(b)) return false;
  const CharCode code = b.Codes[0];
  return IsHanzi(code) || IsLatinLetterOrDigit(code);
}

// Chinese text: a hanzi (whatever its score) or a full-width mark, a
// double-byte character other than a full-width letter or digit.
bool IsChineseText(const CharBlock& b) {
  return LeadByte(b.Codes[0]) >= 0x80 && !IsLatinLetterOrDigit(b.Codes[0]);
}

bool IsSmall(const CharBlock& b, int32_t hanziSize) {
  return 100 * int64_t{SizeOf(b)} < kLoneSpeckHundredths * hanziSize;
}

// Quotes and the middle dot are shared with Latin text, and some faces set
// them in narrow cells, so they may stand between Chinese characters at
// normal spacing. A confident quote at the top of the line or a confident
// middle dot at its middle is such a mark, not a speck.
bool IsNarrowMarkInPlace(const CharBlock& p, const CharBlock& a, const CharBlock& b, int32_t hanziSize) {
  if (!IsConfident(p)) return false;
  const CharCode code = p.Codes[0];
  if (code == kLeftQuote || code == kRightQuote || code == kLeftDoubleQuote || code == kRightDoubleQuote) {
    return 10 * int64_t{p.Top - std::min(a.Top, b.Top)} <= kQuoteDropTenths * hanziSize;
  }
  if (code == kMiddleDot) {
    // Four times the distance of the dot's middle from the middle of the two hanzi.
    const int64_t offset4 = 2 * int64_t{p.Top + p.Bottom} - (int64_t{a.Top} + a.Bottom + b.Top + b.Bottom);
    return 100 * std::abs(offset4) < 4 * kDotOffsetHundredths * hanziSize;
  }
  return false;
}

// Between two characters of Chinese text (one of them a hanzi) that stand
// closer than half a character: no room for a cell.
bool IsSqueezedBetween(const CharBlock& p, const CharBlock& left, const CharBlock& right, int32_t hanziSize) {
  return IsChineseText(left) && IsChineseText(right) && (IsHanzi(left.Codes[0]) || IsHanzi(right.Codes[0])) &&
         10 * int64_t{SizeOf(p)} < kBetweenSpeckTenths * hanziSize &&
         10 * int64_t{right.Left - left.Right} < kNoCellGapTenths * hanziSize &&
         !IsNarrowMarkInPlace(p, left, right, hanziSize);
}

// Block i is a confident mark that ends a clause and fills only part of its
// cell: a comma or full stop of a mark's size (a Latin o or n read as 。 is
// larger), or ； ： ！ ？ right after a Chinese character (in a Latin word a
// letter read as ！ or ： can be followed by a real comma).
bool EndsClause(const BlockList& line, size_t i, int32_t hanziSize) {
  const CharBlock& b = *line[i];
  if (!IsConfident(b)) return false;
  if (IsOneOf(b.Codes[0], kCommasAndStops)) return 10 * int64_t{SizeOf(b)} < kCommaTenths * hanziSize;
  return IsOneOf(b.Codes[0], kTallStops) && i > 0 && IsHanzi(line[i - 1]->Codes[0]);
}

// A small dot or comma after a mark that ends a clause and smaller than it,
// that ends within one character size of that mark's left edge (in the
// mark's cell) or ends the line. (The pieces of a broken …, read as a comma
// and dots, are all of one size.)
bool IsInMarkCell(const BlockList& line, size_t i, int32_t hanziSize) {
  if (i == 0) return false;
  const CharBlock& p = *line[i];
  const CharBlock& mark = *line[i - 1];
  return IsOneOf(p.Codes[0], kDotMarks) && IsSmall(p, hanziSize) && EndsClause(line, i - 1, hanziSize) &&
         SizeOf(p) < SizeOf(mark) && (p.Right < mark.Left + hanziSize || i + 1 == line.size());
}

// Small, and with the small blocks near it (a speck's neighbour is often
// another speck) further than one and a half characters from every other
// block of the line.
bool IsLone(const BlockList& line, size_t i, int32_t hanziSize) {
  const auto small = [&](size_t j) { return IsSmall(*line[j], hanziSize); };
  const auto far = [hanziSize](int64_t gap) { return 10 * gap > kLoneGapTenths * hanziSize; };
  if (!small(i)) return false;
  size_t first = i, last = i;
  while (first > 0 && small(first - 1) && !far(line[first]->Left - line[first - 1]->Right)) --first;
  while (last + 1 < line.size() && small(last + 1) && !far(line[last + 1]->Left - line[last]->Right)) ++last;
  if (first == 0 && last + 1 == line.size()) return false;
  return (first == 0 || far(line[first]->Left - line[first - 1]->Right)) &&
         (last + 1 == line.size() || far(line[last + 1]->Left - line[last]->Right));
}

// A dot, comma or full stop smaller than a fifth of a character.
bool IsTinyDot(const CharBlock& b, int32_t hanziSize) {
  return (IsOneOf(b.Codes[0], kDotMarks) || b.Codes[0] == kFullStop) &&
         10 * int64_t{SizeOf(b)} < kLeadingDotTenths * hanziSize;
}

// A tiny dot that opens the line and stands apart from what follows it or
// comes right before a Chinese character, or opens a run of tiny dots that
// does: no line of text begins with a clause mark, so these are dirt in the
// margin or the indent. A dot that touches the word after it (".packages")
// and a full-size comma are kept.
bool IsLeadingSpeck(const BlockList& line, size_t i, int32_t hanziSize) {
  if (i != 0 || line.size() < 2) return false;
  size_t next = 0;
  while (next < line.size() && IsTinyDot(*line[next], hanziSize)) ++next;
  if (next == 0 || next == line.size()) return false;
  if (IsHanzi(line[next]->Codes[0])) return true;
  const int32_t gap = std::max(line[1]->Left - line[0]->Right, line[next]->Left - line[next - 1]->Right);
  return 10 * int64_t{gap} >= kLeadingGapTenths * hanziSize;
}

// A tiny dot other than 。 that ends the line, or a run of them that does,
// at least half a character after the text: a comma stands close after the
// character it follows, and a middle dot between two words, so these are
// dirt in the margin. (Some faces set 。 in the middle of its cell, half a
// character from the text.)
bool IsTrailingDot(const BlockList& line, size_t i, int32_t hanziSize) {
  const auto tinyDot = [&line, hanziSize](size_t k) {
    return line[k]->Codes[0] != kFullStop && IsTinyDot(*line[k], hanziSize);
  };
  if (i == 0 || !tinyDot(i)) return false;
  for (size_t k = i + 1; k < line.size(); ++k) {
    if (!tinyDot(k)) return false;
  }
  return 10 * int64_t{line[i]->Left - line[i - 1]->Right} >= kTrailingGapTenths * hanziSize;
}

bool IsSpeck(const BlockList& line, size_t i, int32_t hanziSize) {
  const CharBlock& p = *line[i];
  if (IsConfidentText(p)) return false;
  if (i > 0 && i + 1 < line.size() && IsSqueezedBetween(p, *line[i - 1], *line[i + 1], hanziSize)) return true;
  return IsLeadingSpeck(line, i, hanziSize) || IsTrailingDot(line, i, hanziSize) ||
         IsLone(line, i, hanziSize);
}

bool IsMark(const CharBlock& b) {
  const CharCode code = b.Codes[0];
  return IsOneOf(code, kNoiseMarks) || LeadByte(code) == kSymbolLead;
}

// Releases the blocks of the line for which drop(line, i) holds, judged from
// the start of the line on what is left of it.
template <typename Drop>
void ReleaseWhere(BlockList& line, Drop drop) {
  for (size_t i = 0; i < line.size();) {
    if (!drop(line, i)) {
      ++i;
      continue;
    }
    FreeBlock(line[i]);
    line.erase(line.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

}  // namespace

void DropSpecks(BlockList& line, int32_t hanziSize) {
  if (hanziSize <= 0) return;
  ReleaseWhere(line, [hanziSize](const BlockList& l, size_t i) { return IsSpeck(l, i, hanziSize); });
}

void DropDotsInMarkCells(BlockList& line, int32_t hanziSize) {
  if (hanziSize <= 0) return;
  ReleaseWhere(line, [hanziSize](const BlockList& l, size_t i) { return IsInMarkCell(l, i, hanziSize); });
}

bool IsNoiseLine(const BlockList& line) {
  if (line.size() == 1 && !IsConfident(*line.front())) return true;
  return std::all_of(line.begin(), line.end(), [](const CharBlock* b) { return IsMark(*b); });
}

}  // namespace engine
