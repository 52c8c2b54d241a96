// Hand-made tests that settle groups of look-alike characters the voting
// cannot tell apart (short strokes of a few hanzi, "ｓ"/"８", touching Latin
// letters). The first candidate picks the group; its one test reads the cell
// grid, the edge profile, the feature digits, the aspect value or the page
// pixels, and the preferred member is put first.
#include "engine/LookAlikeRules.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <iterator>

#include "core/Rounding.h"
#include "engine/CellFeatures.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"

namespace engine {

namespace {

constexpr int32_t kPreferBonus = 2;
constexpr int32_t kNoInk = 14;  // a depth band without ink

constexpr CharCode kRu = MakeCode(0xC8, 0xEB);            // 入
constexpr CharCode kRen = MakeCode(0xC8, 0xCB);           // 人
constexpr CharCode kTian = MakeCode(0xCC, 0xEC);          // 天
constexpr CharCode kYao = MakeCode(0xD8, 0xB2);           // 夭
constexpr CharCode kGan = MakeCode(0xB8, 0xC9);           // 干
constexpr CharCode kQian = MakeCode(0xC7, 0xA7);          // 千
constexpr CharCode kJing = MakeCode(0xBE, 0xAE);          // 井
constexpr CharCode kBing = MakeCode(0xB2, 0xA2);          // 并
constexpr CharCode kYue = MakeCode(0xD4, 0xBB);           // 曰
constexpr CharCode kRi = MakeCode(0xC8, 0xD5);            // 日
constexpr CharCode kFang = MakeCode(0xD8, 0xCE);          // 匚
constexpr CharCode kBracket = MakeCode(0xA3, 0xDB);       // ［
constexpr CharCode kFan = MakeCode(0xB7, 0xB2);           // 凡
constexpr CharCode kJi = MakeCode(0xBC, 0xB8);            // 几
constexpr CharCode kWideS = MakeCode(0xA3, 0xF3);         // ｓ
constexpr CharCode kWideEight = MakeCode(0xA3, 0xB8);     // ８
constexpr CharCode kInfinity = MakeCode(0xA1, 0xDE);      // ∞
constexpr CharCode kProportional = MakeCode(0xA1, 0xD8);  // ∝
constexpr CharCode kWideM = MakeCode(0xA3, 0xED);         // ｍ
constexpr CharCode kCo = AsciiPairCode('c', 'o');
constexpr CharCode kOo = AsciiPairCode('o', 'o');
constexpr CharCode kCc = AsciiPairCode('c', 'c');
constexpr CharCode kOc = AsciiPairCode('o', 'c');
constexpr CharCode kRn = AsciiPairCode('r', 'n');

// Either `a` (other `b`) or `b` (other `a`), by the test.
void PreferEither(CharBlock& block, bool preferA, CharCode a, CharCode b) {
  if (preferA) {
    PreferCandidate(block, a, b);
  } else {
    PreferCandidate(block, b, a);
  }
}

// Rule 1: the left side of the upper part of 人 falls off steadily; 入 has
// a hook there. Left profile, band 1 and, below it, band 2.
bool PrefersRen() {
  auto val = [](int32_t l) {
    return EdgeProfile[7][l] != kNoInk ? EdgeProfile[7][l] : EdgeProfile[11][l] + kNoInk;
  };
  int32_t min1 = INT_MAX, min2 = INT_MAX;
  for (int32_t l = 36; l <= 47; ++l) {
    const int32_t v = val(l);
    if (v < min1) {
      min2 = min1;
      min1 = v;
    } else if (v < min2) {
      min2 = v;
    }
  }
  int32_t max1 = 0, max2 = 0;
  for (int32_t l = 27; l <= 37; ++l) {
    const int32_t v = val(l);
    if (v > max1) {
      max2 = max1;
      max1 = v;
    } else if (v > max2) {
      max2 = v;
    }
  }
  return min2 + 2 > max2;
}

// Rules 2 and 3: the left part of the top stroke lies clearly lower than the
// right part.
bool TopStrokeDropsLeft() {
  const int32_t* top = EdgeProfile[0];
  int32_t u = 0;
  for (int32_t l : {14, 12, 10}) {
    if (top[l] <= 7) u = std::max(u, top[l]);
  }
  const int32_t t = std::min(top[31], top[33]);
  return u - 3 > t;
}

// Rule 4: a notch in the top profile right of the middle.
bool HasTopNotch() {
  const int32_t* P = EdgeProfile[0];
  for (int32_t k = 27; k <= 29; ++k) {
    if (P[k + 1] < P[k] && P[k + 1] >= P[k + 2] && P[k + 1] > P[k + 3]) return true;
  }
  return false;
}

// Rule 7: strokes crossed in grid columns 17, 21, 25 and 29.
bool HasInnerStroke() {
  const int32_t values[] = {FeatureDigits[28][4], FeatureDigits[28][5], FeatureDigits[29][0],
                            FeatureDigits[29][1]};
  return std::count_if(std::begin(values), std::end(values), [](int32_t v) { return v >= 1; }) >= 2;
}

// Rule 8: diagonal probes that run far (no ink in their first six cells)
// show the open sides of ｓ.
bool IsOpenLikeS() {
  constexpr int32_t kProbeLength = 12;
  constexpr int32_t kFarStart = 6;
  auto far = [](int32_t firstInk) { return firstInk < 0 || firstInk >= kFarStart; };
  int32_t n = 0;
  for (int32_t r = 23; r <= 35; ++r) {
    int32_t firstInk = -1;
    for (int32_t k = 0; k < kProbeLength && firstInk < 0; ++k) {
      if (CellGrid[5 + k][r + k]) firstInk = k;
    }
    n += far(firstInk);
  }
  for (int32_t r = 23; r >= 11; --r) {
    int32_t firstInk = -1;
    for (int32_t k = 0; k < kProbeLength && firstInk < 0; ++k) {
      if (CellGrid[41 - k][r - k]) firstInk = k;
    }
    n += far(firstInk);
  }
  return n >= 4;
}

int32_t InkInGridRow(int32_t row, int32_t firstColumn, int32_t lastColumn) {
  int32_t n = 0;
  for (int32_t c = firstColumn; c <= lastColumn; ++c) n += CellGrid[c][row];
  return n;
}

// Rule 9: "co" has more ink in the upper and lower rows than in the middle.
bool PrefersCo() {
  const int32_t m = std::min(InkInGridRow(24, 11, 35), InkInGridRow(23, 11, 35));
  const int32_t M = std::max(InkInGridRow(11, 11, 35), InkInGridRow(35, 11, 35));
  return M >= RoundHalfEvenDiv(17 * m, 10);
}

// Rule 10: the same for "cc" against "oc".
bool PrefersCc() {
  const int32_t S = InkInGridRow(12, 12, 36) + InkInGridRow(36, 12, 36);
  const int32_t T = 2 * InkInGridRow(24, 12, 36);
  return S >= RoundHalfEvenDiv(18 * T, 10);
}

// Rule 11: the ratio of the gaps between the strokes of "rn"/"ｍ", measured
// on the page in the box's middle rows. 0 when no ratio can be measured.
// Rows of the band above or below the page (a flat box at its edge) are paper.
int32_t GapRatio(const CharBlock& block) {
  constexpr int32_t kDark = 2;  // a column is dark with more ink pixels
  constexpr int32_t kHalfBand = 2;
  const int32_t cx = (block.Left + block.Right + 1) / 2;
  const int32_t cy = (block.Top + block.Bottom) / 2;
  const int32_t d = (block.Right - block.Left) / 6;
  const int32_t bandTop = std::max(cy - kHalfBand, 0);
  const int32_t bandBottom = std::min(cy + kHalfBand, PageHeight - 1);
  auto ink = [&](int32_t x) {
    int32_t n = 0;
    for (int32_t y = bandTop; y <= bandBottom; ++y) n += IsInk(x, y);
    return n;
  };
  int32_t g1 = -1;
  for (int32_t x = cx - d, prev = 0; x <= block.Right; ++x) {
    const int32_t v = ink(x);
    if (v <= kDark && prev > kDark) {
      g1 = x;
      break;
    }
    prev = v;
  }
  int32_t w1 = -1;
  if (g1 >= 0) {
    for (int32_t x = g1 + d, prev = INT_MAX; x <= block.Right; ++x) {
      const int32_t v = ink(x);
      if (v > kDark && prev <= kDark) {
        w1 = x - g1;
        break;
      }
      prev = v;
    }
  }
  int32_t g2 = -1;
  for (int32_t x = cx + d, prev = 0; x >= block.Left; --x) {
    const int32_t v = ink(x);
    if (v <= kDark && prev > kDark) {
      g2 = x;
      break;
    }
    prev = v;
  }
  int32_t w2 = -1;
  if (g2 >= 0) {
    for (int32_t x = g2 - d, prev = INT_MAX; x >= block.Left; --x) {
      const int32_t v = ink(x);
      if (v > kDark && prev <= kDark) {
        w2 = g2 - x;
        break;
      }
      prev = v;
    }
  }
  if (w1 <= 0 || w2 <= 0) return 0;
  return w2 * 100 / w1;
}

}  // namespace

void PreferCandidate(CharBlock& block, CharCode preferred, CharCode other) {
  if (block.Codes[0] == preferred) {
    block.Scores[0] += kPreferBonus;
    return;
  }
  block.Codes[0] = preferred;
  for (size_t k = 1; k < std::size(block.Codes) && block.Codes[k] != 0; ++k) {
    if (block.Codes[k] != preferred) continue;
    block.Codes[k] = other;
    std::swap(block.Scores[0], block.Scores[k]);
    block.Scores[0] += kPreferBonus;
    return;
  }
}

void ApplyLookAlikeRules(CharBlock& block) {
  const CharCode first = block.Codes[0];
  if (first == kRu || first == kRen) {
    PreferEither(block, PrefersRen(), kRen, kRu);
  } else if (first == kTian || first == kYao) {
    PreferEither(block, TopStrokeDropsLeft(), kYao, kTian);
  } else if (first == kGan || first == kQian) {
    PreferEither(block, TopStrokeDropsLeft(), kQian, kGan);
  } else if (first == kJing || first == kBing) {
    PreferEither(block, HasTopNotch(), kBing, kJing);
  } else if (first == kYue || first == kRi) {
    const int32_t F = AspectTimesTen(block);
    if (F <= 9) PreferCandidate(block, kRi, kYue);
    if (F >= 13) PreferCandidate(block, kYue, kRi);
  } else if (first == kFang || first == kBracket) {
    PreferEither(block, AspectTimesTen(block) > 6, kFang, kBracket);
  } else if (first == kFan || first == kJi) {
    PreferEither(block, HasInnerStroke(), kFan, kJi);
  } else if ((first == kWideS && block.Codes[1] == kWideEight) ||
             (first == kWideEight && block.Codes[1] == kWideS)) {
    const int32_t lead = block.Scores[0] - block.Scores[1];
    if (lead >= 0 && lead <= 6) PreferEither(block, IsOpenLikeS(), kWideS, kWideEight);
  } else if (IsOneOf(first, {kCo, kOo, kInfinity})) {
    PreferEither(block, PrefersCo(), kCo, kOo);
  } else if (IsOneOf(first, {kCc, kOc, kProportional})) {
    PreferEither(block, PrefersCc(), kCc, kOc);
  } else if (first == kRn || first == kWideM) {
    const int32_t r = GapRatio(block);
    if (r >= 130 && r <= 160) PreferCandidate(block, kRn, kWideM);
    if (r >= 90 && r <= 129) PreferCandidate(block, kWideM, kRn);
  }
}

}  // namespace engine
