// Character cell normalisation and the 32 feature words of a cell.
//
// A block's box is sampled into a 48 × 48 grid (after masking the strokes of
// a neighbour it was cut off, and trimming to its ink). The grid is measured
// from its four sides: for every line the depth at which ink is first met in
// three overlapping depth bands, and the number of strokes crossed along
// columns and rows (each line read as a bit mask). Six samples of one measured row make a feature word; the
// depth samples are smoothed against their neighbours and quantised to 0 … 4.
// The stored library was built from exactly these values, so sample
// positions, rounding, smoothing order and tie rules are reproduced exactly.
// Whatever box a cell is given, it never reads outside the page.
#include "engine/CellFeatures.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/Rounding.h"
#include "engine/EngineState.h"

namespace engine {

namespace {

// --- masking --------------------------------------------------------------

// The fill stops when fewer than this many slots remain between log and stack.
constexpr int32_t kMinFreeSlots = 10;

bool StrictlyInside(const OuterBox& outer, int32_t x, int32_t y) {
  return outer.Left < x && x < outer.Right && outer.Top < y && y < outer.Bottom;
}

void PushInkOfColumn(int32_t x, const OuterBox& outer) {
  const int32_t top = std::max(Job.Top, outer.Top);
  const int32_t bottom = std::min(outer.Bottom, Job.Bottom);
  for (int32_t y = top; y <= bottom; ++y) {
    if (IsInk(x, y)) PushPoint(x, y);
  }
}

// Pixels still on the stack when the fill stops early were masked when they
// were pushed but never reached the log; they are moved into the log so that
// the restore brings them back too. Seeds (outside the box) were not masked
// and are dropped. The stack lies above the log, so copying upward in index
// order never overwrites an entry not yet copied.
void LogPendingStackPixels(const OuterBox& outer) {
  for (int32_t i = StackTop + 1; i <= kStackEmpty; ++i) {
    if (StrictlyInside(outer, PointX[i], PointY[i])) AppendToLog(PointX[i], PointY[i]);
  }
  StackTop = kStackEmpty;
}

// --- edge profile -----------------------------------------------------------

constexpr int32_t kNoInk = 14;  // a band without ink
constexpr int32_t kBandLength = 14;
constexpr int32_t kBandCount = 3;
constexpr int32_t kBandStart[kBandCount] = {0, 8, 16};
constexpr int32_t kDirections = 4;
constexpr int32_t kColumnCrossingsRow = 12;
constexpr int32_t kRowCrossingsRow = 13;
constexpr int32_t kMaxCrossings = 4;

// The lines of the grid as bit masks, bit p for position p counted from the
// side the line is measured from: columns from the top and from the bottom,
// rows from the left and from the right. A band's depth is then the lowest
// set bit of the band, and a line's ink runs are the set bits whose
// predecessor is clear.
using LineBits = uint64_t;
constexpr LineBits kBandMask = (LineBits{1} << kBandLength) - 1;

struct GridLines {
  LineBits ColumnFromTop[kCellSize];
  LineBits ColumnFromBottom[kCellSize];
  LineBits RowFromLeft[kCellSize];
  LineBits RowFromRight[kCellSize];
};

// Eight bytes of 0 or 1 (the first in the lowest byte) as eight bits (the
// first lowest): the product puts byte k's bit at bit 56 + k, and no two of
// its partial products meet.
LineBits PackBytes(uint64_t bytes) {
  return (bytes * 0x0102040810204080ULL) >> 56;
}

// An 8 × 8 bit matrix, bit 8r + c for row r and column c, transposed.
LineBits Transpose8(LineBits x) {
  x = (x & 0xAA55AA55AA55AA55ULL) | ((x & 0x00AA00AA00AA00AAULL) << 7) | ((x >> 7) & 0x00AA00AA00AA00AAULL);
  x = (x & 0xCCCC3333CCCC3333ULL) | ((x & 0x0000CCCC0000CCCCULL) << 14) | ((x >> 14) & 0x0000CCCC0000CCCCULL);
  x = (x & 0xF0F0F0F00F0F0F0FULL) | ((x & 0x00000000F0F0F0F0ULL) << 28) | ((x >> 28) & 0x00000000F0F0F0F0ULL);
  return x;
}

// A line measured from the other side: bit p becomes bit kCellSize − 1 − p.
LineBits Reversed(LineBits x) {
  x = __builtin_bswap64(x);
  x = ((x >> 4) & 0x0F0F0F0F0F0F0F0FULL) | ((x & 0x0F0F0F0F0F0F0F0FULL) << 4);
  x = ((x >> 2) & 0x3333333333333333ULL) | ((x & 0x3333333333333333ULL) << 2);
  x = ((x >> 1) & 0x5555555555555555ULL) | ((x & 0x5555555555555555ULL) << 1);
  return x >> (64 - kCellSize);
}

// The columns eight cells at a time; the rows are the columns' bits
// transposed eight by eight.
GridLines LinesOfGrid() {
  static_assert(kCellSize % 8 == 0);
  GridLines lines{};
  for (int32_t i = 0; i < kCellSize; ++i) {
    LineBits column = 0;
    for (int32_t j = 0; j < kCellSize; j += 8) {
      uint64_t bytes;
      std::memcpy(&bytes, &CellGrid[i][j], sizeof(bytes));
      column |= PackBytes(bytes) << j;
    }
    lines.ColumnFromTop[i] = column;
    lines.ColumnFromBottom[i] = Reversed(column);
  }
  for (int32_t i0 = 0; i0 < kCellSize; i0 += 8) {
    for (int32_t j0 = 0; j0 < kCellSize; j0 += 8) {
      LineBits block = 0;  // bit 8r + c: column i0 + r, row j0 + c
      for (int32_t r = 0; r < 8; ++r) block |= ((lines.ColumnFromTop[i0 + r] >> j0) & 0xFF) << (8 * r);
      block = Transpose8(block);  // bit 8c + r
      for (int32_t c = 0; c < 8; ++c) lines.RowFromLeft[j0 + c] |= ((block >> (8 * c)) & 0xFF) << i0;
    }
  }
  for (int32_t j = 0; j < kCellSize; ++j) lines.RowFromRight[j] = Reversed(lines.RowFromLeft[j]);
  return lines;
}

int32_t BandValue(LineBits line, int32_t start) {
  const LineBits band = (line >> start) & kBandMask;
  return band == 0 ? kNoInk : __builtin_ctzll(band);
}

// Runs of ink along the line, minus one, limited to 0 … 4.
int32_t Crossings(LineBits line) {
  const int32_t runs = __builtin_popcountll(line & ~(line << 1));
  return std::clamp(runs - 1, 0, kMaxCrossings);
}

void MeasureLine(LineBits line, int32_t direction, int32_t lineNo) {
  for (int32_t band = 0; band < kBandCount; ++band) {
    EdgeProfile[band * kDirections + direction][lineNo] = BandValue(line, kBandStart[band]);
  }
}

void MeasureEdgeProfile() {
  const GridLines lines = LinesOfGrid();
  for (int32_t c = 0; c < kCellSize; ++c) {
    MeasureLine(lines.ColumnFromTop[c], 0, c);
    EdgeProfile[kColumnCrossingsRow][c] = Crossings(lines.ColumnFromTop[c]);
    MeasureLine(lines.ColumnFromBottom[c], 2, kCellSize - 1 - c);
  }
  for (int32_t r = 0; r < kCellSize; ++r) {
    MeasureLine(lines.RowFromRight[r], 1, r);
    EdgeProfile[kRowCrossingsRow][r] = Crossings(lines.RowFromRight[r]);
    MeasureLine(lines.RowFromLeft[r], 3, kCellSize - 1 - r);
  }
}

void SampleGrid(const Box& box) {
  // The steps are single precision; positions are computed from them in
  // extended precision and rounded half to even. A step has 24 significant
  // bits and a grid index 6, and page coordinates stay far below 2^23, so the
  // products and sums are exact in double precision already: doubles give
  // the extended-precision positions bit for bit, at a fraction of the cost.
  const float stepX = static_cast<float>(static_cast<long double>(int64_t{box.Right} - box.Left) / kCellSize);
  const float stepY = static_cast<float>(static_cast<long double>(int64_t{box.Bottom} - box.Top) / kCellSize);
  // Positions off the page are paper: their rows read from a row of paper,
  // their columns are left blank.
  std::vector<uint8_t> paper;
  const uint8_t* rows[kCellSize];
  for (int32_t j = 0; j < kCellSize; ++j) {
    const int64_t y = RoundHalfEven(static_cast<double>(j) * stepY + box.Top);
    if (y < 0 || y >= PageHeight) {
      if (paper.empty()) paper.assign(static_cast<size_t>(RowBytes), InkValue ? 0x00 : 0xFF);
      rows[j] = paper.data();
    } else {
      rows[j] = PageBits.data() + static_cast<size_t>(y) * RowBytes;
    }
  }
  const uint8_t ink = InkValue;
  for (int32_t i = 0; i < kCellSize; ++i) {
    const int64_t x = RoundHalfEven(static_cast<double>(i) * stepX) + box.Left;
    if (x < 0 || x >= PageWidth) {
      std::fill_n(CellGrid[i], kCellSize, 0);
      continue;
    }
    const size_t byte = static_cast<size_t>(x >> 3);
    const int32_t shift = 7 - static_cast<int32_t>(x & 7);
    for (int32_t j = 0; j < kCellSize; ++j) CellGrid[i][j] = ((rows[j][byte] >> shift) & 1) == ink ? 1 : 0;
  }
}

// --- feature words ----------------------------------------------------------

constexpr int32_t kDigits = 6;
constexpr int32_t kSampleStride = 4;
constexpr int32_t kDepthWords = 28;
constexpr int32_t kFirstHalfStart = 1;
constexpr int32_t kSecondHalfStart = 25;
constexpr int32_t kMiddleStart = 13;

struct WordSource {
  int32_t Row;
  int32_t Start;
};

// Words 0 … 7: band 0 of the four sides, two halves each; 8 … 11: band 0 of
// the four sides, the middle; 12 … 19 and 20 … 27: bands 1 and 2, two halves
// each; 28 … 31: column and row crossings, two halves each.
WordSource SourceOfWord(int32_t w) {
  const int32_t half = (w % 2 == 0) ? kFirstHalfStart : kSecondHalfStart;
  if (w < 8) return {w / 2, half};
  if (w < 12) return {w - 8, kMiddleStart};
  if (w < 20) return {4 + (w - 12) / 2, half};
  if (w < 28) return {8 + (w - 20) / 2, half};
  return {kColumnCrossingsRow + (w - 28) / 2, half};
}

int32_t Quantise(int32_t depth) {
  if (depth <= 2) return 0;
  if (depth <= 5) return 1;
  if (depth <= 9) return 2;
  if (depth <= 13) return 3;
  return 4;
}

// Replaces each sample, in order, by the value among its own line and the
// lines i − 1, i + 1, i + 2 that differs most from the previous (already
// replaced) and the next sample. Ties keep the own line, then prefer i + 1
// over i − 1, and i ± 1 over i + 2.
void SmoothSamples(const int32_t* P, int32_t s, int32_t* v) {
  int32_t prev = (s >= kSampleStride) ? P[s - kSampleStride] : 0;
  int32_t next = 0;
  for (int32_t k = 0; k < kDigits; ++k) {
    const int32_t i = s + kSampleStride * k;
    if (k > 0) prev = v[k - 1];
    if (k < kDigits - 1) {
      next = v[k + 1];
    } else if (s + kSampleStride * kDigits < kCellSize) {
      // The last sample of a start-1 or start-13 word compares with the line
      // after it, in place of the previous sample; next stays as it was.
      prev = P[s + kSampleStride * kDigits];
    } else {
      next = 0;
    }
    auto cost = [&](int32_t x) { return std::abs(x - prev) + std::abs(x - next); };
    const int32_t c0 = cost(v[k]);
    const int32_t cA = cost(P[i - 1]);
    const int32_t cB = cost(P[i + 1]);
    const int32_t cC = cost(P[i + 2]);
    if (std::max(cA, cB) > c0) {
      if (cA > cB) {
        v[k] = (cC > cA) ? P[i + 2] : P[i - 1];
      } else {
        v[k] = (cC > cB) ? P[i + 2] : P[i + 1];
      }
    } else if (cC > c0) {
      v[k] = P[i + 2];
    }
  }
}

}  // namespace

void TrimRows(Box& box) {
  auto rowHasInk = [&](int32_t y) {
    for (int32_t x = box.Left; x <= box.Right; ++x) {
      if (IsInk(x, y)) return true;
    }
    return false;
  };
  for (int32_t y = box.Top; y <= box.Bottom; ++y) {
    if (!rowHasInk(y)) continue;
    box.Top = y;
    for (int32_t b = box.Bottom; b >= box.Top; --b) {
      if (rowHasInk(b)) {
        box.Bottom = b;
        break;
      }
    }
    return;
  }
}

void TrimColumns(Box& box) {
  auto columnHasInk = [&](int32_t x) {
    for (int32_t y = box.Top; y <= box.Bottom; ++y) {
      if (IsInk(x, y)) return true;
    }
    return false;
  };
  for (int32_t x = box.Left; x <= box.Right; ++x) {
    if (!columnHasInk(x)) continue;
    box.Left = x;
    for (int32_t r = box.Right; r >= box.Left; --r) {
      if (columnHasInk(r)) {
        box.Right = r;
        break;
      }
    }
    return;
  }
}

void MaskNeighbourStrokes(uint8_t sides, const OuterBox& outer) {
  StackTop = kStackEmpty;
  if (MaskingDepth == 0) LogTop = 0;
  if (MaskingDepth < kMaxMaskingDepth) {
    MaskLogStart[MaskingDepth++] = LogTop;
  } else {
    ++FoldedMaskings;
  }

  if ((sides & kCutLeft) && outer.Left >= Job.Left) PushInkOfColumn(outer.Left, outer);
  if ((sides & kCutRight) && outer.Right <= Job.Right) PushInkOfColumn(outer.Right, outer);

  static constexpr int32_t kNeighbourDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
  static constexpr int32_t kNeighbourDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
  while (StackTop != kStackEmpty) {
    int32_t x, y;
    PopPoint(x, y);
    if (StrictlyInside(outer, x, y)) AppendToLog(x, y);
    for (int32_t n = 0; n < 8; ++n) {
      const int32_t nx = x + kNeighbourDx[n];
      const int32_t ny = y + kNeighbourDy[n];
      if (StrictlyInside(outer, nx, ny) && IsInk(nx, ny)) {
        PushPoint(nx, ny);
        MaskPagePixel(nx, ny);
      }
    }
    if (LogTop >= StackTop - kMinFreeSlots) {
      LogPendingStackPixels(outer);
      break;
    }
  }
}

void RestoreMaskedPixels() {
  if (FoldedMaskings > 0) {  // restored with the enclosing masking
    --FoldedMaskings;
    return;
  }
  if (MaskingDepth == 0) return;  // nothing is masked; the log is not ours
  const int32_t start = MaskLogStart[--MaskingDepth];
  while (LogTop > start) {
    --LogTop;
    UnmaskPagePixel(PointX[LogTop], PointY[LogTop]);
  }
}

void NormaliseCell(const CharBlock& block) {
  Box box = BoxOf(block);
  // Masking and trimming walk the pixels of the box, so a box that is empty
  // or reaches off the page is only sampled (and its off-page samples are
  // paper): no box, however wrong, makes the cell read outside the page.
  const bool masked = block.CutSides != 0 && BoxOnPage(box);
  if (masked) {
    MaskNeighbourStrokes(block.CutSides, {block.Left - 1, block.Top - 1, block.Right + 1, block.Bottom + 1});
    TrimColumns(box);
    TrimRows(box);
  }
  SampleGrid(box);
  MeasureEdgeProfile();
  if (masked) RestoreMaskedPixels();
}

void ComputeFeatures() {
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    const WordSource source = SourceOfWord(w);
    const int32_t* P = EdgeProfile[source.Row];
    int32_t* v = FeatureDigits[w];
    for (int32_t k = 0; k < kDigits; ++k) v[k] = P[source.Start + kSampleStride * k];
    if (w >= kDepthWords) continue;  // crossings are 0 … 4 already
    SmoothSamples(P, source.Start, v);
    for (int32_t k = 0; k < kDigits; ++k) v[k] = Quantise(v[k]);
  }
}

void PackFeatures(CharBlock& block) {
  for (int32_t w = 0; w < kFeatureWords; ++w) {
    int32_t word = 0;
    for (int32_t k = 0; k < kDigits; ++k) word = word * 10 + FeatureDigits[w][k];
    block.Features[w] = word;
  }
}

}  // namespace engine
