// The end of a vanished 一: a small mark at the middle of the line that
// stands at the right end of an empty cell between Chinese characters.
// A middle dot of the text is set in the middle of its cell, a comma or a
// pause mark low at its left, quotes at the top of the line, a hyphen of
// Latin text between letters; none of them fits that place.
#include "engine/FadedStrokes.h"

#include <algorithm>
#include <cstdlib>

#include "engine/EngineState.h"

namespace engine {

namespace {

constexpr CharCode kHanziOne = MakeCode(0xD2, 0xBB);  // 一

// In tenths of the Chinese character size.
constexpr int64_t kEndWidthTenths = 4;    // the end of the stroke is narrower than this
constexpr int64_t kEndHeightTenths = 2;   // and lower than this
constexpr int64_t kMiddleBandTenths = 2;  // its middle is this near the middle of the hanzi beside it
constexpr int64_t kEmptyCellTenths = 6;   // the empty part of the cell before it is at least this wide
constexpr int64_t kRightEndRatio = 2;     // ... and this many times the room after it

bool IsStrokeEnd(const BlockList& line, size_t i, int32_t hanziSize) {
  if (i == 0 || i + 1 >= line.size()) return false;
  const CharBlock& p = *line[i];
  const CharBlock& before = *line[i - 1];
  const CharBlock& after = *line[i + 1];
  // The classifier may also read the end as a 一 of its own narrow width.
  if ((IsHanzi(p.Codes[0]) && p.Codes[0] != kHanziOne) || IsLatinLetterOrDigit(p.Codes[0])) return false;
  // After it a Chinese character, or the pieces of one that light print
  // broke into letters.
  if (!IsHanzi(before.Codes[0]) || !(IsHanzi(after.Codes[0]) || IsLatinLetterOrDigit(after.Codes[0]))) return false;
  if (10 * int64_t{p.Right - p.Left} >= kEndWidthTenths * hanziSize ||
      10 * int64_t{p.Bottom - p.Top} >= kEndHeightTenths * hanziSize) {
    return false;
  }
  // Twice the distance of the mark's middle from the middle of its neighbours.
  const int64_t offset2 =
      int64_t{p.Top} + p.Bottom - (int64_t{before.Top} + before.Bottom + after.Top + after.Bottom) / 2;
  if (10 * std::abs(offset2) > 2 * kMiddleBandTenths * hanziSize) return false;
  const int64_t room = p.Left - before.Right;
  const int64_t rest = after.Left - p.Right;
  return 10 * room >= kEmptyCellTenths * hanziSize && room >= kRightEndRatio * std::max<int64_t>(rest, 1);
}

}  // namespace

int32_t ReadStrokeEndsAsOne(BlockList& line, int32_t hanziSize) {
  if (hanziSize <= 0) return 0;
  int32_t read = 0;
  for (size_t i = 1; i + 1 < line.size(); ++i) {
    if (!IsStrokeEnd(line, i, hanziSize)) continue;
    CharBlock& p = *line[i];
    p.Codes[0] = kHanziOne;
    p.Codes[1] = 0;
    p.Scores[0] = DoubtfulScore;
    p.Scores[1] = 0;
    p.Left = std::max(p.Right - hanziSize + 1, line[i - 1]->Right + 1);
    ++read;
  }
  return read;
}

}  // namespace engine
