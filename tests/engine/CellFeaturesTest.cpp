// Cell sampling, edge profile, masking and feature words on hand-made pages.
#include <gtest/gtest.h>

#include "engine/CellFeatures.h"
#include "engine/EngineState.h"
#include "support/CellFixtures.h"

namespace engine {
namespace {

using cells::FillInk;
using cells::MakeBlankPage;
using cells::MakeBlock;
using cells::SetInk;

void Process(const CharBlock& block) {
  NormaliseCell(block);
  ComputeFeatures();
}

int32_t InkCells() {
  int32_t n = 0;
  for (auto& column : CellGrid)
    for (uint8_t cell : column) n += cell;
  return n;
}

TEST(CellFeatures, BlankAndSolidBoxes) {
  MakeBlankPage(100, 100);
  CharBlock block = MakeBlock(10, 60, 10, 60);
  Process(block);
  EXPECT_EQ(InkCells(), 0);
  for (int32_t row = 0; row < 14; ++row)
    for (int32_t l = 0; l < kCellSize; ++l) ASSERT_EQ(EdgeProfile[row][l], row < 12 ? 14 : 0);
  PackFeatures(block);
  for (int32_t w = 0; w < kFeatureWords; ++w) EXPECT_EQ(block.Features[w], w < 28 ? 444444 : 0) << w;

  FillInk(10, 60, 10, 60);
  Process(block);
  EXPECT_EQ(InkCells(), kCellSize * kCellSize);
  PackFeatures(block);
  for (int32_t w = 0; w < kFeatureWords; ++w) EXPECT_EQ(block.Features[w], 0) << w;
}

// A box reaching off the page samples paper there and never reads outside
// the page bits, however far off it lies; masking is left out for it.
TEST(CellFeatures, BoxesOffThePageSamplePaperThere) {
  MakeBlankPage(64, 64);
  FillInk(0, 63, 0, 63);
  const std::vector<uint8_t> page = cells::PageSnapshot();
  // Span 96 from x = 16: grid columns 0 … 23 sample x = 16 … 62, the rest
  // lie beyond the right edge; rows likewise beyond the bottom edge.
  Process(MakeBlock(16, 112, 16, 112, kCutLeft | kCutRight));
  for (int32_t i = 0; i < kCellSize; ++i)
    for (int32_t j = 0; j < kCellSize; ++j)
      ASSERT_EQ(CellGrid[i][j], i < 24 && j < 24 ? 1 : 0) << i << "," << j;

  constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  const CharBlock wild[] = {
      MakeBlock(kMin, kMax, kMin, kMax, kCutLeft | kCutRight),
      MakeBlock(kMax, kMin, kMax, kMin, kCutLeft),
      MakeBlock(-50, -10, 10, 20),
      MakeBlock(70, 90, 70, 90, kCutRight),
      MakeBlock(40, 20, 50, 10, kCutLeft),
  };
  for (const CharBlock& block : wild) Process(block);
  Process(wild[2]);
  EXPECT_EQ(InkCells(), 0);
  EXPECT_EQ(cells::PageSnapshot(), page);
}

TEST(CellFeatures, HorizontalBarAtGridRow23) {
  // Span 48 gives a step of exactly 1: grid row j is page row Top + j.
  MakeBlankPage(100, 100);
  FillInk(0, 48, 23, 25);
  CharBlock block = MakeBlock(0, 48, 0, 48);
  Process(block);
  for (int32_t c = 0; c < kCellSize; ++c) {
    EXPECT_EQ(EdgeProfile[0][c], 14);
    EXPECT_EQ(EdgeProfile[4][c], 14);
    EXPECT_EQ(EdgeProfile[8][c], 7);
    EXPECT_EQ(EdgeProfile[12][c], 0);
  }
  PackFeatures(block);
  EXPECT_EQ(block.Features[0], 444444);
  EXPECT_EQ(block.Features[12], 444444);
  EXPECT_EQ(block.Features[20], 222222);  // band 2 from the top
  EXPECT_EQ(block.Features[21], 222222);
  EXPECT_EQ(block.Features[28], 0);
}

TEST(CellFeatures, DirectionsAndCrossings) {
  MakeBlankPage(100, 100);
  SetInk(40, 20);                                    // grid column 40, row 20
  for (int32_t y = 0; y < 48; y += 4) SetInk(3, y);  // 12 runs down column 3
  SetInk(5, 0);
  SetInk(5, 10);
  SetInk(5, 11);
  SetInk(5, 40);  // 3 runs down column 5
  Process(MakeBlock(0, 48, 0, 48));
  // From the top, line 40: depth 20.
  EXPECT_EQ(EdgeProfile[0][40], 14);
  EXPECT_EQ(EdgeProfile[4][40], 12);
  EXPECT_EQ(EdgeProfile[8][40], 4);
  // From the right, line 20: depth 7.
  EXPECT_EQ(EdgeProfile[1][20], 7);
  EXPECT_EQ(EdgeProfile[5][20], 14);
  // From the bottom, line 47 − 40: depth 27.
  EXPECT_EQ(EdgeProfile[2][7], 14);
  EXPECT_EQ(EdgeProfile[6][7], 14);
  EXPECT_EQ(EdgeProfile[10][7], 11);
  // From the left, line 47 − 20: the ink of column 3 comes first.
  EXPECT_EQ(EdgeProfile[3][27], 3);
  EXPECT_EQ(EdgeProfile[11][27], 14);
  EXPECT_EQ(EdgeProfile[12][3], 4);
  EXPECT_EQ(EdgeProfile[12][5], 2);
  EXPECT_EQ(EdgeProfile[12][4], 0);
  EXPECT_EQ(EdgeProfile[13][10], 0);  // one run along row 10
}

TEST(CellFeatures, SamplePositionsRoundHalfToEven) {
  // Span 24 gives steps of 0.5. Columns: x = round(i/2) + Left, so page
  // column Left + 2 is sampled by i = 3 (1.5), 4 and 5 (2.5). Rows:
  // y = round(j/2 + Top) with Top odd, so page row 2 is sampled by j = 1
  // (1.5), 2 (2) and 3 (2.5).
  MakeBlankPage(100, 100);
  const int32_t left = 10, top = 1;
  for (int32_t y = top; y <= top + 24; ++y) SetInk(left + 2, y);
  Process(MakeBlock(left, left + 24, top, top + 24));
  for (int32_t i = 0; i < kCellSize; ++i) EXPECT_EQ(CellGrid[i][0], (i >= 3 && i <= 5) ? 1 : 0) << i;

  MakeBlankPage(100, 100);
  for (int32_t x = left; x <= left + 24; ++x) SetInk(x, 2);
  Process(MakeBlock(left, left + 24, top, top + 24));
  for (int32_t j = 0; j < kCellSize; ++j) EXPECT_EQ(CellGrid[0][j], (j >= 1 && j <= 3) ? 1 : 0) << j;
}

TEST(CellFeatures, OnePixelWideBoxSamplesOneColumn) {
  MakeBlankPage(100, 100);
  for (int32_t y = 10; y <= 58; y += 3) SetInk(20, y);
  Process(MakeBlock(20, 20, 10, 58));
  EXPECT_GT(InkCells(), 0);
  for (int32_t i = 1; i < kCellSize; ++i)
    for (int32_t j = 0; j < kCellSize; ++j) ASSERT_EQ(CellGrid[i][j], CellGrid[0][j]);
}

TEST(CellFeatures, TrimsOnlyCutCells) {
  // Two blank columns on the left of the box: kept without CutSides,
  // trimmed away when the box is trimmed.
  MakeBlankPage(100, 100);
  FillInk(12, 60, 10, 58);
  Process(MakeBlock(10, 58, 10, 58));
  EXPECT_EQ(CellGrid[0][0], 0);
  EXPECT_EQ(CellGrid[2][0], 1);

  Box box{10, 58, 5, 70};
  TrimColumns(box);
  TrimRows(box);
  EXPECT_EQ(box.Left, 12);
  EXPECT_EQ(box.Right, 58);
  EXPECT_EQ(box.Top, 10);
  EXPECT_EQ(box.Bottom, 58);
  Box blank{70, 90, 70, 90};
  TrimColumns(blank);
  TrimRows(blank);
  EXPECT_EQ(blank.Left, 70);
  EXPECT_EQ(blank.Bottom, 90);

  Process(MakeBlock(10, 58, 10, 58, kCutLeft));  // trimmed: ink from column 0
  EXPECT_EQ(CellGrid[0][0], 1);
}

TEST(CellFeatures, MaskingHidesTheNeighbourAndRestoresThePage) {
  MakeBlankPage(100, 100);
  FillInk(5, 25, 30, 31);   // the neighbour's stroke crossing the left edge at 20
  FillInk(25, 26, 25, 45);  // the cell's own stroke, touching it
  FillInk(40, 45, 20, 50);  // a separate stroke of the cell
  const std::vector<uint8_t> before = cells::PageSnapshot();
  Process(MakeBlock(20, 50, 20, 50, kCutLeft));
  EXPECT_EQ(PageBits, before);
  // Only the separate stroke was sampled: the trimmed box is that stroke.
  EXPECT_EQ(InkCells(), kCellSize * kCellSize);

  // Without the cut, the touching strokes are sampled as they are.
  Process(MakeBlock(20, 50, 20, 50));
  EXPECT_LT(InkCells(), kCellSize * kCellSize);
  EXPECT_EQ(PageBits, before);
}

TEST(CellFeatures, SeedsAreClippedToTheJob) {
  MakeBlankPage(100, 100);
  FillInk(0, 30, 30, 31);
  const std::vector<uint8_t> before = cells::PageSnapshot();
  Job.Left = 20;  // the seed column 19 lies outside the job: nothing masked
  MaskNeighbourStrokes(kCutLeft, {19, 19, 51, 51});
  EXPECT_EQ(PageBits, before);
  RestoreMaskedPixels();
  Job.Left = 0;
  MaskNeighbourStrokes(kCutLeft, {19, 19, 51, 51});
  EXPECT_FALSE(IsInk(25, 30));
  EXPECT_TRUE(IsInk(19, 30));  // the seed itself stays
  RestoreMaskedPixels();
  EXPECT_EQ(PageBits, before);
}

TEST(CellFeatures, NestedMaskingRestoresEachLevel) {
  MakeBlankPage(120, 100);
  FillInk(0, 100, 40, 41);  // one long stroke through both boxes
  FillInk(60, 61, 20, 60);  // a cross stroke inside the inner box
  const std::vector<uint8_t> before = cells::PageSnapshot();
  MaskNeighbourStrokes(kCutLeft, {9, 9, 41, 71});  // outer: columns 10 … 40
  const std::vector<uint8_t> outerMasked = cells::PageSnapshot();
  EXPECT_FALSE(IsInk(30, 40));
  EXPECT_TRUE(IsInk(60, 40));
  // A trial cell masking again through NormaliseCell, and by hand.
  NormaliseCell(MakeBlock(50, 80, 10, 70, kCutLeft | kCutRight));
  EXPECT_EQ(PageBits, outerMasked);
  MaskNeighbourStrokes(kCutRight, {49, 9, 81, 71});
  EXPECT_FALSE(IsInk(60, 40));
  EXPECT_FALSE(IsInk(60, 20));
  RestoreMaskedPixels();
  EXPECT_EQ(PageBits, outerMasked);
  RestoreMaskedPixels();
  EXPECT_EQ(PageBits, before);
  EXPECT_EQ(LogTop, 0);
  RestoreMaskedPixels();  // nothing active: the page stays as it is
  EXPECT_EQ(PageBits, before);
}

TEST(CellFeatures, FillStoppedByAFullStackIsRestoredCompletely) {
  // Over 520000 ink pixels connected to the seed column: the fill stops
  // with masked pixels still on the stack.
  MakeBlankPage(800, 700);
  FillInk(0, 799, 0, 699);
  const std::vector<uint8_t> before = cells::PageSnapshot();
  MaskNeighbourStrokes(kCutLeft, {0, 0, 799, 699});
  EXPECT_GT(LogTop, 500000);
  int32_t masked = 0;
  for (int32_t y = 1; y < 699; ++y)
    for (int32_t x = 1; x < 799; ++x) masked += !IsInk(x, y);
  EXPECT_EQ(masked, LogTop);
  RestoreMaskedPixels();
  EXPECT_EQ(PageBits, before);
}

// --- smoothing and quantisation on hand-set profiles ---------------------------

void FillProfile(int32_t value) {
  for (auto& row : EdgeProfile)
    for (int32_t& v : row) v = value;
}

TEST(FeatureWords, QuantiseDepthsAndKeepCrossings) {
  const int32_t expected[15] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4};
  for (int32_t d = 0; d <= 14; ++d) {
    FillProfile(d);
    for (int32_t l = 0; l < kCellSize; ++l) EdgeProfile[12][l] = l % 5;
    ComputeFeatures();
    for (int32_t w = 0; w < 28; ++w)
      for (int32_t k = 0; k < 6; ++k) ASSERT_EQ(FeatureDigits[w][k], expected[d]) << d << " " << w;
    // Word 28 samples lines 1, 5, … 21 of the column crossings unchanged.
    for (int32_t k = 0; k < 6; ++k) EXPECT_EQ(FeatureDigits[28][k], (1 + 4 * k) % 5);
  }
}

// Word 8 samples row 0 at line 13 first, with prev = line 9 and next = line
// 17; the candidates are lines 12, 14 and 15. With prev 4 and next 6 the own
// value 5 costs 2, values 2 and 8 cost 6, 1 and 9 cost 8.
int32_t FirstDigitOfWord8(int32_t p12, int32_t p14, int32_t p15) {
  FillProfile(5);
  EdgeProfile[0][9] = 4;
  EdgeProfile[0][17] = 6;
  EdgeProfile[0][12] = p12;
  EdgeProfile[0][14] = p14;
  EdgeProfile[0][15] = p15;
  ComputeFeatures();
  return FeatureDigits[8][0];
}

TEST(FeatureWords, SmoothingTieRules) {
  EXPECT_EQ(FirstDigitOfWord8(2, 8, 5), 2);   // i−1 and i+1 tie: i+1 (8)
  EXPECT_EQ(FirstDigitOfWord8(2, 8, 2), 2);   // i+2 ties with i+1: i+1
  EXPECT_EQ(FirstDigitOfWord8(2, 8, 12), 3);  // i+2 stands out more: 12
  EXPECT_EQ(FirstDigitOfWord8(1, 8, 5), 0);   // i−1 stands out most: 1
  EXPECT_EQ(FirstDigitOfWord8(1, 8, 9), 0);   // i+2 only ties with i−1
  EXPECT_EQ(FirstDigitOfWord8(1, 8, 10), 3);  // i+2 beats i−1: 10
  EXPECT_EQ(FirstDigitOfWord8(4, 6, 6), 1);   // all tie with the own line: 5 stays
  EXPECT_EQ(FirstDigitOfWord8(4, 6, 13), 3);  // only i+2 stands out: 13
}

TEST(FeatureWords, LastSampleUsesTheLineAfterOrZero) {
  // Start 1: the last sample (line 21) compares with line 25 and with its
  // own raw value; 5 against prev 10 and next 5 ties with 10 and stays.
  FillProfile(5);
  EdgeProfile[0][22] = 10;
  EdgeProfile[0][25] = 10;
  ComputeFeatures();
  EXPECT_EQ(FeatureDigits[0][5], 1);
  // Start 25: the last sample (line 45) compares with the previous sample
  // and 0; line 44 with 2 costs the same as the own 5 and loses.
  FillProfile(5);
  EdgeProfile[0][44] = 2;
  ComputeFeatures();
  EXPECT_EQ(FeatureDigits[1][5], 1);
}

}  // namespace
}  // namespace engine
