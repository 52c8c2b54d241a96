// Joining the pieces of a character by the pitch of its line, and cutting
// characters run together into the cells of that pitch.
//
// The anchors are the line's whole characters: confident hanzi at least 0.8
// of the Chinese character size wide. The pitch is the median distance
// between the centres of neighbouring anchors that stand in adjacent cells.
// Between two anchors the number of cells is the distance of their centres
// in pitches, less one, and the cells divide that distance evenly (lines
// are justified, so each stretch keeps its own pitch); before the first and
// after the last anchor the cells continue at the line's pitch. A block
// belongs to the cell its centre falls into; blocks in the cell of an anchor
// are left alone.
#include "engine/PitchCells.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/BlockSplitting.h"
#include "engine/EngineState.h"
#include "engine/Classifier.h"
#include "engine/ResultList.h"

namespace engine {

namespace {

// In tenths of the Chinese character size.
constexpr int64_t kWholeTenths = 8;         // a whole character is at least this wide
constexpr int64_t kAdjacentLowTenths = 9;   // centres of characters in adjacent cells
constexpr int64_t kAdjacentHighTenths = 15;  // lie this far apart
constexpr int64_t kJoinedMaxTenths = 12;    // a joined cell is at most this wide
constexpr size_t kMinPitchPairs = 2;
constexpr int32_t kNoCell = INT32_MIN;

// Twice the centre column, so that it stays an integer.
int64_t Centre2(const CharBlock& b) {
  return int64_t{b.Left} + b.Right;
}

bool IsWholeHanzi(const CharBlock& b, int32_t hanziSize) {
  return IsConfident(b) && IsHanzi(b.Codes[0]) && 10 * int64_t{b.Right - b.Left} >= kWholeTenths * hanziSize;
}

constexpr std::initializer_list<CharCode> kPairedMarks = {
    MakeCode(0xA1, 0xAE), MakeCode(0xA1, 0xAF), MakeCode(0xA1, 0xB0), MakeCode(0xA1, 0xB1),  // ‘ ’ “ ”
    MakeCode(0xA1, 0xB8), MakeCode(0xA1, 0xB9), MakeCode(0xA1, 0xB6), MakeCode(0xA1, 0xB7),  // 「 」 《 》
    MakeCode(0xA3, 0xA8), MakeCode(0xA3, 0xA9),                                              // （ ）
};

// A quote or a bracket: with another mark it may share a cell in faces that
// set quotes narrow (。” ，“), where dots and commas alone do not.
bool IsQuoteOrBracket(CharCode code) {
  return IsOneOf(code, kPairedMarks);
}

// A confident punctuation mark or symbol; full-width letters and digits are
// not marks.
bool IsConfidentMark(const CharBlock& b) {
  const CharCode code = b.Codes[0];
  return IsConfident(b) && LeadByte(code) >= 0x80 && !IsHanzi(code) && !IsLatinLetterOrDigit(code);
}

// A confident Latin letter or digit, alone or in a pair, ASCII or full-width:
// the letters of a word, which has no cells of its own.
bool IsConfidentLatin(const CharBlock& b) {
  return IsConfident(b) && IsLatinLetterOrDigit(b.Codes[0]);
}

// Letters read in the pieces of a broken character look like a short word
// that fills one cell between two Chinese characters of the grid. A real
// Latin word (or number) reaches beyond the cell, or meets punctuation or
// the end of the line, or stands apart from the Chinese text by printed
// spaces, which put the characters around it further apart than two cells.
bool IsLatinWord(const BlockList& line, size_t first, size_t last, int64_t pitch2) {
  constexpr int64_t kGridSlackTenths = 3;  // of a pitch
  if (first > 0 && IsConfidentLatin(*line[first - 1])) return true;
  if (last + 1 < line.size() && IsConfidentLatin(*line[last + 1])) return true;
  if (first == 0 || last + 1 == line.size()) return true;
  const CharBlock& before = *line[first - 1];
  const CharBlock& after = *line[last + 1];
  if (!IsHanzi(before.Codes[0]) || !IsHanzi(after.Codes[0])) return true;
  const int64_t offGrid = Centre2(after) - Centre2(before) - 2 * pitch2;
  return 10 * std::abs(offGrid) > kGridSlackTenths * pitch2;
}

// Twice the pitch of the line, or 0 when too few neighbouring anchors show it.
int64_t Pitch2(const BlockList& line, const std::vector<size_t>& anchors, int32_t hanziSize) {
  std::vector<int64_t> distances;
  for (size_t k = 1; k < anchors.size(); ++k) {
    const int64_t d2 = Centre2(*line[anchors[k]]) - Centre2(*line[anchors[k - 1]]);
    if (10 * d2 >= 2 * kAdjacentLowTenths * hanziSize && 10 * d2 <= 2 * kAdjacentHighTenths * hanziSize)
      distances.push_back(d2);
  }
  if (distances.size() < kMinPitchPairs) return 0;
  std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
  return distances[distances.size() / 2];
}

// The cell of every block: cells are numbered along the line, anchors and
// blocks in an anchor's cell have none.
std::vector<int32_t> CellsOf(const BlockList& line, const std::vector<size_t>& anchors, int64_t pitch2) {
  std::vector<int32_t> cells(line.size(), kNoCell);
  int32_t base = 0;  // number of the first anchor's cell
  const auto outside = [&](size_t from, size_t to, const CharBlock& anchor, int32_t direction) {
    for (size_t i = from; i < to; ++i) {
      const double steps = static_cast<double>(direction * (Centre2(*line[i]) - Centre2(anchor))) / pitch2;
      const auto k = static_cast<int32_t>(std::lround(steps));
      if (k >= 1) cells[i] = base + direction * k;
    }
  };
  const CharBlock& first = *line[anchors.front()];
  base = 0;
  outside(0, anchors.front(), first, -1);
  for (size_t a = 0; a + 1 < anchors.size(); ++a) {
    const CharBlock& left = *line[anchors[a]];
    const CharBlock& right = *line[anchors[a + 1]];
    const int64_t span2 = Centre2(right) - Centre2(left);
    const auto n = static_cast<int32_t>(std::lround(static_cast<double>(span2) / pitch2)) - 1;
    if (n >= 1) {
      const double cell2 = static_cast<double>(span2) / (n + 1);
      for (size_t i = anchors[a] + 1; i < anchors[a + 1]; ++i) {
        const auto k = static_cast<int32_t>(std::lround((Centre2(*line[i]) - Centre2(left)) / cell2));
        if (k >= 1 && k <= n) cells[i] = base + k;
      }
    }
    base += std::max(n, 0) + 1;
  }
  outside(anchors.back() + 1, line.size(), *line[anchors.back()], +1);
  return cells;
}

// Tries the blocks first … last (inclusive) as one cell; true when joined.
bool JoinCell(BlockList& line, size_t first, size_t last, int32_t hanziSize, int64_t pitch2) {

  bool allMarks = true;
  bool anyPaired = false;
  bool allLatin = true;
  for (size_t i = first; i <= last; ++i) {
    if (IsWholeHanzi(*line[i], hanziSize)) return false;
    allMarks = allMarks && IsConfidentMark(*line[i]);
    anyPaired = anyPaired || IsQuoteOrBracket(line[i]->Codes[0]);
    allLatin = allLatin && IsConfidentLatin(*line[i]);
  }
  allMarks = allMarks && anyPaired;
  if (allMarks || (allLatin && IsLatinWord(line, first, last, pitch2))) return false;
  CharBlock trial{};
  Box box = BoxOf(*line[first]);
  for (size_t i = first + 1; i <= last; ++i) UnionBox(box, BoxOf(*line[i]));
  if (10 * int64_t{box.Right - box.Left} > kJoinedMaxTenths * hanziSize) return false;
  SetBox(trial, box);
  trial.CutSides = static_cast<uint8_t>((line[first]->CutSides & kCutLeft) | (line[last]->CutSides & kCutRight));
  RecogniseTrial(trial, kRangeAll, false);
  if (!IsHanzi(trial.Codes[0]) || trial.Scores[0] < kCellFloor) return false;
  const auto keep = static_cast<int32_t>(first);
  for (size_t i = first; i < last; ++i) AbsorbBlock(line, keep, keep + 1);
  CharBlock& joined = *line[first];
  std::memcpy(static_cast<void*>(&joined), static_cast<const void*>(&trial), kResultPartBytes);
  joined.CutSides = trial.CutSides;
  return true;
}

// A doubtful block at least as tall as a character that spans two or more
// cells: characters run together by heavy print. It is cut into that many
// equal cells, each read whole (the ink that crosses a cut is the blot that
// joined the characters, not a neighbour's stroke to mask), and the cut is
// kept when every cell reads a Chinese character with at least kCellFloor
// votes, more than the block read as a whole.
bool SplitAcrossCells(BlockList& line, size_t index, int32_t hanziSize, int64_t pitch2) {
  constexpr int64_t kMinCellsTenths = 16;  // of a pitch: the width of two run-together cells
  constexpr int64_t kTallTenths = 8;       // of the character size: the height of a character
  const CharBlock& b = *line[index];
  const int64_t width2 = 2 * int64_t{b.Right - b.Left};
  if (IsConfident(b) || 10 * int64_t{b.Bottom - b.Top} < kTallTenths * hanziSize ||
      10 * width2 < kMinCellsTenths * pitch2) {
    return false;
  }
  const auto cells = static_cast<int32_t>(std::lround(static_cast<double>(width2) / pitch2));
  std::vector<CharBlock*> pieces;
  const auto release = [&pieces] {
    for (CharBlock* piece : pieces) FreeBlock(piece);
    return false;
  };
  for (int32_t k = 0; k < cells; ++k) {
    const int32_t left = b.Left + (b.Right - b.Left) * k / cells + (k > 0 ? 1 : 0);
    const int32_t right = b.Left + (b.Right - b.Left) * (k + 1) / cells;
    pieces.push_back(NewPiece(b, left, right, 0));
    RecogniseTrial(*pieces.back(), kRangeAll, true);
    const CharBlock& piece = *pieces.back();
    if (!IsHanzi(piece.Codes[0]) || piece.Scores[0] < kCellFloor || piece.Scores[0] <= b.Scores[0]) return release();
  }
  FreeBlock(line[index]);
  line[index] = pieces.front();
  line.insert(line.begin() + static_cast<std::ptrdiff_t>(index) + 1, pieces.begin() + 1, pieces.end());
  return true;
}

// The line's pitch doubled, from its whole characters; 0 when too few show it.
int64_t LinePitch2(const BlockList& line, int32_t hanziSize, std::vector<size_t>& anchors) {
  anchors.clear();
  if (hanziSize <= 0) return 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (IsWholeHanzi(*line[i], hanziSize)) anchors.push_back(i);
  }
  return anchors.size() > kMinPitchPairs ? Pitch2(line, anchors, hanziSize) : 0;
}

}  // namespace

int32_t JoinPiecesByPitch(BlockList& line, int32_t hanziSize) {
  std::vector<size_t> anchors;
  const int64_t pitch2 = LinePitch2(line, hanziSize, anchors);
  if (pitch2 <= 0) return 0;
  const std::vector<int32_t> cells = CellsOf(line, anchors, pitch2);
  // From the end of the line, so that joining a group leaves the positions
  // of the groups before it as they were.
  int32_t joined = 0;
  for (size_t last = line.size(); last-- > 0;) {
    if (cells[last] == kNoCell) continue;
    size_t first = last;
    while (first > 0 && cells[first - 1] == cells[last]) --first;
    if (first < last && JoinCell(line, first, last, hanziSize, pitch2)) ++joined;
    last = first;
  }
  return joined;
}

int32_t SplitRunTogetherCells(BlockList& line, int32_t hanziSize) {
  std::vector<size_t> anchors;
  const int64_t pitch2 = LinePitch2(line, hanziSize, anchors);
  if (pitch2 <= 0) return 0;
  int32_t split = 0;
  for (size_t i = line.size(); i-- > 0;) {
    if (SplitAcrossCells(line, i, hanziSize, pitch2)) ++split;
  }
  return split;
}

}  // namespace engine
