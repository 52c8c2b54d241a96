// The end of a vanished 一: a small mark at the middle of the line that
// stands at the right end of an empty cell between Chinese characters.
// A middle dot of the text is set in the middle of its cell, a comma or a
// pause mark low at its left, quotes at the top of the line, a hyphen of
// Latin text between letters; none of them fits that place.
#include "engine/FadedStrokes.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/EngineState.h"

namespace engine {

namespace {

constexpr CharCode kHanziOne = MakeCode(0xD2, 0xBB);  // 一
constexpr CharCode kComma = MakeCode(0xA3, 0xAC);     // ，
constexpr CharCode kChinesePeriod = MakeCode(0xA1, 0xA3);  // 。
constexpr CharCode kFullPeriod = MakeCode(0xA3, 0xAE);     // ．

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

namespace {

constexpr int64_t kMarkHundredths = 25;  // a small mark is narrower and lower than this
// Heights above the line's baseline, in thousandths of a Chinese character.
constexpr int32_t kHighest = 500;    // a 。 remnant starts below the middle of the line
constexpr int32_t kCommaSlack = 30;  // a comma starts this near the commas' top
constexpr size_t kMinCommas = 5;

// The commas read after Chinese characters on the page so far: the heights
// of their tops and their widths.
struct CommaRecord {
  std::vector<int32_t> Heights;
  std::vector<int32_t> Widths;
};
CommaRecord& Commas() {
  static CommaRecord commas;
  return commas;
}

int32_t Median(std::vector<int32_t> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// The baseline at position i: the middle bottom of the Chinese characters
// among the two blocks on either side (the line may still be slightly
// skewed), or −1.
int32_t BaselineAt(const BlockList& line, size_t i) {
  constexpr size_t kReach = 2;
  std::vector<int32_t> bottoms;
  for (size_t k = i > kReach ? i - kReach : 0; k <= i + kReach && k < line.size(); ++k) {
    if (k != i && IsHanzi(line[k]->Codes[0])) bottoms.push_back(line[k]->Bottom);
  }
  return bottoms.empty() ? -1 : Median(std::move(bottoms));
}

}  // namespace

void SettleFadedPeriods(BlockList& line, int32_t hanziSize) {
  if (hanziSize <= 0) return;
  // The height of row y above `baseline`.
  const auto height = [hanziSize](int32_t baseline, int32_t y) {
    return static_cast<int32_t>(1000 * int64_t{baseline - y} / hanziSize);
  };
  const auto afterHanzi = [&line](size_t i) { return i > 0 && IsHanzi(line[i - 1]->Codes[0]); };
  CommaRecord& commas = Commas();
  for (size_t i = 1; i < line.size(); ++i) {
    const CharBlock& p = *line[i];
    if (!afterHanzi(i) || p.Codes[0] != kComma || !IsConfident(p)) continue;
    commas.Heights.push_back(height(BaselineAt(line, i), p.Top));
    commas.Widths.push_back(p.Right - p.Left + 1);
  }
  if (commas.Heights.size() < kMinCommas) return;
  const int32_t commaTop = Median(commas.Heights);
  const int32_t commaWidth = Median(commas.Widths);
  for (size_t i = 1; i < line.size(); ++i) {
    CharBlock& p = *line[i];
    if (!afterHanzi(i) || !IsOneOf(p.Codes[0], {kComma, kChinesePeriod, kFullPeriod})) continue;
    const int32_t width = p.Right - p.Left + 1;
    if (100 * int64_t{width} >= kMarkHundredths * hanziSize ||
        100 * int64_t{p.Bottom - p.Top + 1} >= kMarkHundredths * hanziSize) {
      continue;
    }
    const int32_t baseline = BaselineAt(line, i);
    const int32_t top = height(baseline, p.Top);
    CharCode settled = p.Codes[0];
    if (height(baseline, p.Bottom) >= commaTop - kCommaSlack && top < kHighest) settled = kChinesePeriod;
    if (p.Codes[0] == kChinesePeriod && 4 * width <= 5 * commaWidth &&
        std::abs(top - commaTop) <= kCommaSlack) {
      settled = kComma;
    }
    if (settled == p.Codes[0]) continue;
    p.Codes[0] = settled;
    p.Codes[1] = 0;
  }
}

int32_t MarkVanishedPeriods(BlockList& line, int32_t hanziSize) {
  constexpr size_t kRunningText = 8;
  constexpr int64_t kNarrowestGapTenths = 9;
  constexpr int64_t kWidestGapTenths = 15;
  constexpr int64_t kMarkTenths = 3;
  if (hanziSize <= 0) return 0;
  const auto hanzi =
      std::count_if(line.begin(), line.end(), [](const CharBlock* b) { return IsHanzi(b->Codes[0]); });
  if (static_cast<size_t>(hanzi) < kRunningText) return 0;
  int32_t marked = 0;
  for (size_t i = 1; i < line.size(); ++i) {
    const CharBlock& a = *line[i - 1];
    const CharBlock& b = *line[i];
    const int64_t gap = int64_t{b.Left} - a.Right - 1;
    if (!IsHanzi(a.Codes[0]) || !IsHanzi(b.Codes[0]) || 10 * gap < kNarrowestGapTenths * hanziSize ||
        10 * gap > kWidestGapTenths * hanziSize) {
      continue;
    }
    const int32_t baseline = BaselineAt(line, i - 1);
    const auto size = static_cast<int32_t>(kMarkTenths * hanziSize / 10);
    CharBlock* mark = NewBlock();
    mark->Codes[0] = kChinesePeriod;
    mark->Scores[0] = DoubtfulScore;
    SetBox(*mark, Box{a.Right + 1 + size / 2, a.Right + size + size / 2, std::max(baseline - size + 1, 0),
                      baseline});
    mark->LineNo = a.LineNo;
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(i), mark);
    ++i;
    ++marked;
  }
  return marked;
}

void ForgetCommaHeights() {
  Commas() = CommaRecord{};
}

}  // namespace engine
