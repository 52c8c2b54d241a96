// The look-alike rules on hand-set cell measurements and pages.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <utility>

#include "engine/CellFeatures.h"
#include "engine/EngineState.h"
#include "engine/LookAlikeRules.h"
#include "support/CellFixtures.h"

namespace engine {
namespace {

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
constexpr CharCode kOther = MakeCode(0xB0, 0xA1);         // 啊

// A block of the given size at the origin with the candidates given.
CharBlock Candidates(std::initializer_list<std::pair<CharCode, int32_t>> list, int32_t width = 40,
                     int32_t height = 40) {
  CharBlock block = cells::MakeBlock(0, width - 1, 0, height - 1);
  int32_t k = 0;
  for (auto [code, score] : list) {
    block.Codes[k] = code;
    block.Scores[k++] = score;
  }
  block.Codes[k] = 0;
  block.Scores[k] = 0;
  return block;
}

void ExpectList(const CharBlock& block, std::initializer_list<std::pair<CharCode, int32_t>> list) {
  int32_t k = 0;
  for (auto [code, score] : list) {
    EXPECT_EQ(block.Codes[k], code) << k;
    EXPECT_EQ(block.Scores[k++], score) << k;
  }
  EXPECT_EQ(block.Codes[k], 0);
}

void ClearCell() {
  std::memset(CellGrid, 0, sizeof(CellGrid));
  std::memset(FeatureDigits, 0, sizeof(FeatureDigits));
  for (auto& row : EdgeProfile)
    for (int32_t& v : row) v = 5;
}

using List = std::initializer_list<std::pair<CharCode, int32_t>>;

// The candidates after the rules ran on a cell of the given size.
CharBlock Applied(List list, int32_t width = 40, int32_t height = 40) {
  CharBlock block = Candidates(list, width, height);
  ApplyLookAlikeRules(block);
  return block;
}

TEST(PreferCandidate, RaisesExchangesOrReplaces) {
  CharBlock block = Candidates({{kRi, 50}, {kYue, 48}});
  PreferCandidate(block, kRi, kYue);
  ExpectList(block, {{kRi, 52}, {kYue, 48}});
  block = Candidates({{kRi, 50}, {kOther, 49}, {kYue, 48}});
  PreferCandidate(block, kYue, kRi);
  ExpectList(block, {{kYue, 50}, {kOther, 49}, {kRi, 50}});
  block = Candidates({{kRi, 50}, {kOther, 49}});
  PreferCandidate(block, kYue, kRi);
  ExpectList(block, {{kYue, 50}, {kOther, 49}});
}

TEST(LookAlikeRules, AspectRules) {
  ClearCell();
  ExpectList(Applied({{kRi, 50}}, 8, 10), {{kRi, 52}});                           // F = 8
  ExpectList(Applied({{kRi, 50}, {kYue, 47}}, 14, 10), {{kYue, 49}, {kRi, 50}});  // F = 14
  ExpectList(Applied({{kRi, 50}, {kOther, 47}}, 14, 10), {{kYue, 50}, {kOther, 47}});
  ExpectList(Applied({{kRi, 50}, {kYue, 47}}, 11, 10), {{kRi, 50}, {kYue, 47}});      // F = 11
  ExpectList(Applied({{kOther, 50}, {kRi, 47}}, 14, 10), {{kOther, 50}, {kRi, 47}});  // no group
  ExpectList(Applied({{kBracket, 50}, {kFang, 49}}, 7, 10), {{kFang, 51}, {kBracket, 50}});
  ExpectList(Applied({{kFang, 50}}, 13, 20), {{kBracket, 50}});  // F = round(6.5) = 6
}

TEST(LookAlikeRules, ProfileRules) {
  ClearCell();  // a steady left side: 人; no notch: 井
  ExpectList(Applied({{kRu, 50}, {kRen, 49}}), {{kRen, 51}, {kRu, 50}});
  ExpectList(Applied({{kBing, 50}}), {{kJing, 50}});
  // Band 1 blank on the upper lines, where band 2 plus 14 counts: the lower
  // lines at 13 are not close enough to the 17 above.
  for (int32_t l = 0; l < kCellSize; ++l) {
    EdgeProfile[7][l] = l >= 38 ? 13 : 14;
    EdgeProfile[11][l] = 3;
  }
  ExpectList(Applied({{kRen, 50}, {kRu, 49}}), {{kRu, 51}, {kRen, 50}});

  EdgeProfile[0][10] = 7;
  EdgeProfile[0][12] = 8;  // deeper than 7: not counted
  EdgeProfile[0][14] = 9;
  EdgeProfile[0][31] = 3;
  EdgeProfile[0][33] = 6;
  ExpectList(Applied({{kTian, 50}}), {{kYao, 50}});  // 7 − 3 > 3
  ExpectList(Applied({{kGan, 50}, {kQian, 50}}), {{kQian, 52}, {kGan, 50}});
  EdgeProfile[0][31] = 4;
  ExpectList(Applied({{kYao, 50}}), {{kTian, 50}});

  EdgeProfile[0][27] = 10;  // a notch at 28
  EdgeProfile[0][28] = 5;
  EdgeProfile[0][29] = 5;
  EdgeProfile[0][30] = 4;
  ExpectList(Applied({{kJing, 50}}), {{kBing, 50}});

  FeatureDigits[28][5] = 1;  // one crossing only: 几
  ExpectList(Applied({{kFan, 50}}), {{kJi, 50}});
  FeatureDigits[29][1] = 2;
  ExpectList(Applied({{kJi, 50}}), {{kFan, 50}});
}

TEST(LookAlikeRules, DiagonalProbesDecideSAndEight) {
  ClearCell();  // an empty grid: every probe runs far, ｓ
  ExpectList(Applied({{kWideEight, 50}, {kWideS, 43}}), {{kWideEight, 50}, {kWideS, 43}});  // lead 7
  ExpectList(Applied({{kWideEight, 50}, {kWideS, 44}}), {{kWideS, 46}, {kWideEight, 50}});
  ExpectList(Applied({{kWideS, 50}}), {{kWideS, 50}});  // ８ not second: no rule
  std::memset(CellGrid, 1, sizeof(CellGrid));           // every probe meets ink at once
  ExpectList(Applied({{kWideEight, 50}, {kWideS, 48}}), {{kWideEight, 52}, {kWideS, 48}});
}

void InkRow(int32_t row, int32_t firstColumn, int32_t count) {
  for (int32_t c = firstColumn; c < firstColumn + count; ++c) CellGrid[c][row] = 1;
}

TEST(LookAlikeRules, RowInkDecidesLetterPairs) {
  const CharCode co = AsciiPairCode('c', 'o'), oo = AsciiPairCode('o', 'o');
  const CharCode cc = AsciiPairCode('c', 'c'), oc = AsciiPairCode('o', 'c');
  ClearCell();  // m = 0, M = 0: co
  ExpectList(Applied({{kInfinity, 50}, {co, 49}}), {{co, 51}, {oo, 50}});
  InkRow(23, 11, 5);
  InkRow(24, 20, 5);
  InkRow(11, 11, 8);  // M = 8 ≥ round(8.5) = 8
  ExpectList(Applied({{oo, 50}}), {{co, 50}});
  CellGrid[11][11] = 0;  // M = 7
  ExpectList(Applied({{co, 50}}), {{oo, 50}});

  ClearCell();
  InkRow(24, 12, 5);  // T = 10, round(18) = 18
  InkRow(12, 12, 9);
  InkRow(36, 20, 9);  // S = 18
  ExpectList(Applied({{kProportional, 50}}), {{cc, 50}});
  CellGrid[20][36] = 0;  // S = 17
  ExpectList(Applied({{cc, 50}, {oc, 45}}), {{oc, 47}, {cc, 50}});
}

// Three full-height strokes in a box 80 wide: the centre stroke at 40 … 43,
// the right one at 60 … 63 (right gap 16), the left one ending at `leftEnd`.
CharBlock AppliedToStrokes(int32_t leftEnd, CharCode first) {
  cells::MakeBlankPage(100, 30);
  cells::FillInk(leftEnd - 3, leftEnd, 0, 19);
  cells::FillInk(40, 43, 0, 19);
  cells::FillInk(60, 63, 0, 19);
  return Applied({{first, 50}}, 80, 20);
}

TEST(LookAlikeRules, GapRatioDecidesRnAndM) {
  const CharCode rn = AsciiPairCode('r', 'n');
  ClearCell();
  ExpectList(AppliedToStrokes(17, kWideM), {{rn, 50}});     // left gap 22: r = 137
  ExpectList(AppliedToStrokes(23, rn), {{kWideM, 50}});     // left gap 16: r = 100
  ExpectList(AppliedToStrokes(8, kWideM), {{kWideM, 50}});  // left gap 31: r = 193
  cells::MakeBlankPage(100, 30);
  cells::FillInk(0, 79, 7, 11);  // solid middle rows: no gap
  ExpectList(Applied({{kWideM, 50}}, 80, 20), {{kWideM, 50}});
}

// A box three rows tall on a page of three rows: the band of five middle rows
// reaches above and below the page, where there is only paper, so the
// strokes on the page decide as they do in a tall box.
TEST(LookAlikeRules, GapRatioOfAFlatBoxReadsOnlyThePage) {
  const CharCode rn = AsciiPairCode('r', 'n');
  ClearCell();
  for (const int32_t leftEnd : {17, 23, 8}) {
    for (const CharCode first : {rn, kWideM}) {
      const CharBlock tall = AppliedToStrokes(leftEnd, first);
      cells::MakeBlankPage(100, 3);
      cells::FillInk(leftEnd - 3, leftEnd, 0, 2);
      cells::FillInk(40, 43, 0, 2);
      cells::FillInk(60, 63, 0, 2);
      const CharBlock flat = Applied({{first, 50}}, 80, 3);
      EXPECT_EQ(flat.Codes[0], tall.Codes[0]) << leftEnd;
      EXPECT_EQ(flat.Scores[0], tall.Scores[0]) << leftEnd;
    }
  }
}

}  // namespace
}  // namespace engine
