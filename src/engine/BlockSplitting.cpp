// Splitting of character blocks that hold more than one character.
//
// SplitWideBlock looks at the ink components inside a wide block, takes the
// one nearest the middle, searches white valleys on both sides of it and lets
// the classifier judge up to three candidate boxes; the best is cut off the
// rest. SplitTouchingPair cuts two touching Latin letters or digits at the
// deepest white valley seen from the top. SplitMultiPartBlock undoes the
// joining of components at the widest gap between groups of its parts.
//
// Every operation either replaces the block at its index by a left and a
// right piece or leaves the list as it was. A piece is judged by a trial
// recognition of its box (RecogniseTrial).
#include "engine/BlockSplitting.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <vector>

#include "core/Rounding.h"
#include "engine/CellFeatures.h"
#include "engine/Classifier.h"
#include "engine/ComponentSpans.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "engine/UnitSort.h"

namespace engine {

TrialClassifierFn TrialClassifier = nullptr;

namespace {

constexpr CharCode kFullV = MakeCode(0xA3, 0xD6);          // Ｖ
constexpr CharCode kFullSmallV = MakeCode(0xA3, 0xF6);     // ｖ
constexpr CharCode kFullW = MakeCode(0xA3, 0xD7);          // Ｗ
constexpr CharCode kFullSmallW = MakeCode(0xA3, 0xF7);     // ｗ
constexpr CharCode kFullI = MakeCode(0xA3, 0xC9);          // Ｉ
constexpr CharCode kFullSmallL = MakeCode(0xA3, 0xEC);     // ｌ
constexpr CharCode kFullOne = MakeCode(0xA3, 0xB1);        // １
constexpr CharCode kFullSmallR = MakeCode(0xA3, 0xF2);     // ｒ
constexpr CharCode kFullSmallA = MakeCode(0xA3, 0xE1);     // ａ
constexpr CharCode kFullA = MakeCode(0xA3, 0xC1);          // Ａ
constexpr CharCode kFullC = MakeCode(0xA3, 0xC3);          // Ｃ
constexpr CharCode kFullSmallC = MakeCode(0xA3, 0xE3);     // ｃ
constexpr CharCode kFullSlash = MakeCode(0xA3, 0xAF);      // ／
constexpr CharCode kFullZero = MakeCode(0xA3, 0xB0);       // ０
constexpr CharCode kChinesePeriod = MakeCode(0xA1, 0xA3);  // 。

constexpr uint8_t kFullWidthLead = 0xA3;
constexpr uint8_t kFirstDoubleByte = 0x80;

// A width ratio of 20 tenths: the block is at least two characters wide, so
// its pieces are kept even when they score lower than the whole.
constexpr int32_t kSureWideRatio = 20;
constexpr int32_t kNoOverlap = std::numeric_limits<int32_t>::max();

// Restores the masking of a whole split operation when it ends, whatever the
// path out.
class ScopedNeighbourMask {
 public:
  explicit ScopedNeighbourMask(const CharBlock& b) : active_(b.CutSides != 0) {
    if (active_) MaskNeighbourStrokes(b.CutSides, OuterBox{b.Left - 1, b.Top - 1, b.Right + 1, b.Bottom + 1});
  }
  ~ScopedNeighbourMask() {
    if (active_) RestoreMaskedPixels();
  }
  ScopedNeighbourMask(const ScopedNeighbourMask&) = delete;
  ScopedNeighbourMask& operator=(const ScopedNeighbourMask&) = delete;

 private:
  bool active_;
};

// White runs of column x between top and bottom: above its first ink pixel
// and below its last; both are the full height for a white column.
void ColumnWhiteRuns(int32_t x, int32_t top, int32_t bottom, int32_t& above, int32_t& below) {
  above = bottom - top + 1;
  below = above;
  for (int32_t y = top; y <= bottom; ++y) {
    if (IsInk(x, y)) {
      above = y - top;
      break;
    }
  }
  for (int32_t y = bottom; y >= top; --y) {
    if (IsInk(x, y)) {
      below = bottom - y;
      break;
    }
  }
}

void CopyResultPart(CharBlock& destination, const CharBlock& source) {
  std::memcpy(static_cast<void*>(&destination), static_cast<const void*>(&source), kResultPartBytes);
}

// A piece SplitTouchingPair accepts: recognised, and a Latin letter, digit
// or sign (single-byte, full-width row, or 。).
bool IsNarrowCode(CharCode code) {
  return LeadByte(code) < kFirstDoubleByte || LeadByte(code) == kFullWidthLead || code == kChinesePeriod;
}
bool IsAcceptedNarrow(const CharBlock& piece) {
  return IsConfident(piece) && IsNarrowCode(piece.Codes[0]);
}

void ReplaceByPieces(BlockList& list, int32_t index, CharBlock* left, CharBlock* right) {
  CharBlock* block = list[static_cast<size_t>(index)];
  list[static_cast<size_t>(index)] = left;
  list.insert(list.begin() + index + 1, right);
  FreeBlock(block);
}

// A piece of a split is kept when the block is surely wide or the piece
// scores at least as well as the whole block.
bool PieceHolds(const SplitContext& context, const CharBlock& piece) {
  return context.Ratio >= kSureWideRatio || piece.Scores[0] >= context.Block->Scores[0];
}

// How far the cut search may go into a gap of the given width beside a span.
int32_t CutReach(int32_t gap, int32_t h) {
  if (gap > 2 * h) return h;
  if (gap > h) return gap / 2;
  return gap;
}

// One candidate box of SplitWideBlock, with its trial result.
struct Candidate {
  int32_t Left = 0;
  int32_t Right = 0;
  int32_t Position = 0;  // 1, 2 or 3: which of the three kinds of candidate
};

uint8_t CandidateCutSides(const CharBlock& b, int32_t left, int32_t right) {
  uint8_t sides = b.CutSides;
  if (left != b.Left) sides &= ~kCutLeft;
  if (right != b.Right) sides &= ~kCutRight;
  return sides;
}

int32_t RecogniseCandidate(const CharBlock& b, int32_t left, int32_t right, CharCode* code) {
  CharBlock trial{};
  trial.Left = left;
  trial.Right = right;
  trial.Top = b.Top;
  trial.Bottom = b.Bottom;
  trial.LineNo = b.LineNo;
  trial.CutSides = CandidateCutSides(b, left, right);
  RecogniseTrial(trial, kRangeSingleLatin, true);
  if (code != nullptr) *code = trial.Codes[0];
  return trial.Scores[0];
}

// The first candidate read as ａ or Ａ may have lost its right edge to the
// cut: it is tried once more, widened (never beyond the block). The widening
// is kept only when it scores higher; otherwise the candidate gets its former
// width back.
void TryWidenedFirst(const CharBlock& b, CharCode code, int32_t score, Candidate& best, int32_t& bestScore) {
  if (score <= DoubtfulScore) return;
  int32_t widening = 0;
  if (code == kFullSmallA) widening = 1;
  if (code == kFullA) widening = std::max<int32_t>(1, RoundHalfEvenDiv(best.Right - best.Left, 10));
  if (widening == 0) return;
  const int32_t widenedRight = std::min(best.Right + widening, b.Right);
  const int32_t widenedScore = RecogniseCandidate(b, best.Left, widenedRight, nullptr);
  if (widenedScore > bestScore) {
    best.Right = widenedRight;
    bestScore = widenedScore;
  }
}

// Judges the candidates around span s; true when the best was cut off.
bool TryCandidates(const SplitContext& context, const ComponentBox& s, int32_t L, int32_t R) {
  const CharBlock& b = *context.Block;
  const int32_t q = (s.Right - s.Left + 1) / 8;
  std::vector<Candidate> candidates = {{L + 1, R - 1, 1}};
  if (s.Left - 1 > L) candidates.push_back({s.Left + q, R - 1, 2});
  if (R > s.Right + 1) candidates.push_back({L + 1, s.Right - q, 3});

  Candidate best;
  Candidate first;
  int32_t bestScore = 0;
  CharCode firstReading = 0;
  for (const Candidate& candidate : candidates) {
    CharCode code = 0;
    const int32_t score = RecogniseCandidate(b, candidate.Left, candidate.Right, &code);
    if (score <= bestScore) continue;
    best = candidate;
    bestScore = score;
    if (candidate.Position == 1) {
      firstReading = code;
      TryWidenedFirst(b, code, score, best, bestScore);
      first = best;
    } else if (candidate.Position == 3 && (code == kFullC || code == kFullSmallC) &&
               (firstReading == kFullSlash || firstReading == kFullZero)) {
      // "／" or "０" beside a part read "Ｃ": the whole first candidate was right.
      best = first;
    }
  }
  if (bestScore <= DoubtfulScore) return false;
  // The cut goes on the side with the wider margin; a tie cuts on the right.
  const int32_t column = (best.Left - b.Left > b.Right - best.Right) ? best.Left - 1 : best.Right + 1;
  return SplitBlockAt(context, column);
}

// Steps 4 to 7 for one chosen span: true when the block was split.
bool TrySpan(const SplitContext& context, const std::vector<ComponentBox>& spans, size_t chosen, int32_t h) {
  const CharBlock& b = *context.Block;
  const ComponentBox& s = spans[chosen];

  int32_t gap = s.Left - b.Left;
  if (chosen > 0) {
    gap = s.Left - spans[chosen - 1].Right;
    if (gap < h) gap = std::min(h, s.Left - b.Left);
  }
  int32_t L = FindCutColumn(b, -1, s.Left, std::max(s.Left - CutReach(gap, h) - 2, b.Left));
  if (L - b.Left < h) L = b.Left;

  gap = b.Right - s.Right;
  if (chosen + 1 < spans.size()) {
    gap = spans[chosen + 1].Left - s.Right;
    if (gap < h) gap = std::min(h, b.Right - s.Right);
  }
  int32_t R = FindCutColumn(b, +1, s.Right, std::min(s.Right + CutReach(gap, h) + 2, b.Right));
  if (b.Right - R < h) R = b.Right;

  if (L == b.Left && R == b.Right) return false;
  return TryCandidates(context, s, L, R);
}

size_t ChooseSpan(const std::vector<ComponentBox>& spans, int32_t mid) {
  for (size_t k = 0; k < spans.size(); ++k) {
    if (spans[k].Left >= mid) return k;
  }
  return spans.size() - 1;
}

// The fallback of SplitWideBlock: a badly recognised block may be two
// touching Latin characters.
bool SplitAsTouchingPair(BlockList& list, int32_t index) {
  CharBlock* b = list[static_cast<size_t>(index)];
  if (b->Scores[0] >= DoubtfulScore) return false;
  CharBlock* left = nullptr;
  CharBlock* right = nullptr;
  if (!SplitTouchingPair(*b, left, right)) return false;
  right->CutSides = b->CutSides | kCutLeft;
  left->CutSides = b->CutSides | kCutRight;
  ReplaceByPieces(list, index, left, right);
  return true;
}

// The column of a SplitTouchingPair scan: the first with the highest value.
template <typename Value>
int32_t DeepestColumn(const CharBlock& b, int32_t from, int32_t to, Value value) {
  int32_t bestColumn = from;
  int32_t bestValue = std::numeric_limits<int32_t>::min();
  for (int32_t x = from; x <= to; ++x) {
    int32_t above = 0;
    int32_t below = 0;
    ColumnWhiteRuns(x, b.Top, b.Bottom, above, below);
    const int32_t v = value(above, below);
    if (v > bestValue) {
      bestValue = v;
      bestColumn = x;
    }
  }
  return bestColumn;
}

// A left piece read as one of `readings` may be the start of a wider letter
// cut too early: the box (P.Left .. end) is tried and taken over when it
// reads one of `widened` confidently. Returns the new cut column or `column`.
int32_t TryWiderLeftPiece(const CharBlock& b, CharBlock& piece, int32_t end,
                          std::initializer_list<CharCode> widened, int32_t column) {
  if (end + 2 > b.Right) return column;
  CharBlock trial = piece;
  trial.Right = end;
  RecogniseTrial(trial, kRangeLatin, true);
  if (!IsConfident(trial) || std::find(widened.begin(), widened.end(), trial.Codes[0]) == widened.end()) {
    return column;
  }
  CopyResultPart(piece, trial);
  SetBox(piece, BoxOf(trial));
  return end + 2;
}

// One cut attempt of SplitTouchingPair at column c.
bool TryTouchingCut(const CharBlock& b, int32_t c, CharBlock*& left, CharBlock*& right) {
  CharBlock* p = NewPiece(b, b.Left, c - 2, b.CutSides & ~kCutRight);
  RecogniseTrial(*p, kRangeLatin, true);
  const int32_t width = p->Right - p->Left + 1;
  const int32_t height = p->Bottom - p->Top + 1;
  if (p->Codes[0] == kFullV || p->Codes[0] == kFullSmallV) {
    // A "Ｖ" may be the left half of a "Ｗ".
    c = TryWiderLeftPiece(b, *p, p->Right + RoundHalfEvenDiv(63 * width, 100), {kFullW, kFullSmallW}, c);
  }
  if (p->Codes[0] == kFullI || p->Codes[0] == kFullSmallL || p->Codes[0] == kFullOne) {
    // An "Ｉ", "ｌ" or "１" may be the stem of an "ｒ"; its width follows the height.
    c = TryWiderLeftPiece(b, *p, p->Left + RoundHalfEvenDiv(68 * height, 100), {kFullSmallR}, c);
  }
  if (!IsAcceptedNarrow(*p)) {
    FreeBlock(p);
    return false;
  }
  CharBlock* q = NewPiece(b, c + 2, b.Right, b.CutSides & ~kCutLeft);
  RecogniseTrial(*q, kRangeLatin, true);
  if (!IsAcceptedNarrow(*q)) {
    FreeBlock(p);
    FreeBlock(q);
    return false;
  }
  left = p;
  right = q;
  return true;
}

}  // namespace

CharBlock* NewPiece(const CharBlock& b, int32_t left, int32_t right, uint8_t cutSides) {
  CharBlock* piece = NewBlock();
  piece->Left = left;
  piece->Right = right;
  piece->Top = b.Top;
  piece->Bottom = b.Bottom;
  piece->LineNo = b.LineNo;
  piece->SubBlockCount = 0;
  piece->PartCount = 0;
  piece->CutSides = cutSides;
  return piece;
}

bool SplitBlockAt(const SplitContext& context, int32_t column) {
  const CharBlock& b = *context.Block;
  if (!(b.Left + 1 < column - 1 && column + 1 < b.Right - 1)) return false;
  CharBlock* right = NewPiece(b, column + 1, b.Right, b.CutSides & ~kCutLeft);
  RecogniseTrial(*right, kRangeLatin, true);
  if (!PieceHolds(context, *right)) {
    FreeBlock(right);
    return false;
  }
  CharBlock* left = NewPiece(b, b.Left, column - 1, b.CutSides & ~kCutRight);
  RecogniseTrial(*left, kRangeLatin, true);
  if (!PieceHolds(context, *left)) {
    FreeBlock(left);
    FreeBlock(right);
    return false;
  }
  ReplaceByPieces(*context.List, context.Index, left, right);
  return true;
}

void RecogniseTrial(CharBlock& record, int32_t rangeMode, bool trimRows) {
  if (record.Left > record.Right || record.Top > record.Bottom) {
    record.Scores[0] = 0;
    record.Codes[0] = 0;
    return;
  }
  if (trimRows) {
    Box box = BoxOf(record);
    TrimRows(box);
    SetBox(record, box);
  }
  NormaliseCell(record);
  ComputeFeatures();
  if (TrialClassifier != nullptr) {
    PackFeatures(record);
    TrialClassifier(record, rangeMode);
  } else {
    ClassifyCell(record, rangeMode, false);
  }
}

int32_t FindCutColumn(const CharBlock& block, int32_t step, int32_t from, int32_t to) {
  const int32_t fallback = (from + to) / 2;
  if ((step != 1 && step != -1) || (to - from) * step < 0) return fallback;
  int32_t bestColumn = fallback;
  int32_t bestValue = 0;
  for (int32_t x = from;; x += step) {
    int32_t above = 0;
    int32_t below = 0;
    ColumnWhiteRuns(x, block.Top, block.Bottom, above, below);
    const int32_t value = below + 2 * above;
    if (value > bestValue) {
      bestValue = value;
      bestColumn = x;
    }
    if (x == to) break;
  }
  return bestColumn;
}

bool SplitWideBlock(int32_t ratio, BlockList& lineBlocks, int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(lineBlocks.size())) return false;
  CharBlock* b = lineBlocks[static_cast<size_t>(index)];
  const ScopedNeighbourMask mask(*b);
  const SplitContext context{b, ratio, &lineBlocks, index};
  const int32_t mid = (b->Left + b->Right) / 2;
  const int32_t h = static_cast<int32_t>(RoundHalfEvenDiv(19 * (b->Bottom - b->Top + 1), 100));

  std::vector<ComponentBox> spans;
  FindComponentSpans(BoxOf(*b), spans);
  while (!spans.empty()) {
    const size_t chosen = ChooseSpan(spans, mid);
    if (TrySpan(context, spans, chosen, h)) return true;
    if (spans.size() == 1) break;
    spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(chosen));
  }
  return SplitAsTouchingPair(lineBlocks, index);
}

bool SplitTouchingPair(CharBlock& block, CharBlock*& left, CharBlock*& right) {
  const CharBlock& b = block;
  const int32_t m = std::max(8, std::min(b.Right - b.Left, b.Bottom - b.Top) / 4);
  const int32_t first = b.Left + m;
  const int32_t last = b.Right - m;
  if (first > last) return false;

  const int32_t c1 = DeepestColumn(b, first, last, [](int32_t t, int32_t bottom) { return t + bottom / 2; });
  std::vector<int32_t> cuts = {c1};
  const int32_t c2 = DeepestColumn(b, first, last, [](int32_t t, int32_t) { return t; });
  if (c2 != c1) cuts.push_back(c2);
  if (c1 + m + 2 <= last) cuts.push_back(c1 + m);
  if (c1 - m - 2 >= first) cuts.push_back(c1 - m);

  for (const int32_t c : cuts) {
    if (TryTouchingCut(b, c, left, right)) return true;
  }
  return false;
}

void SortParts(CharBlock& block) {
  const int32_t n = std::clamp(block.PartCount, 0, kMaxParts);
  SortPair pairs[kMaxParts];
  for (int32_t k = 0; k < n; ++k) pairs[k] = SortPair{block.Parts[k].Left, k};
  QuickSortPairs(pairs, n);
  BlockPart original[kMaxParts];
  std::copy(std::begin(block.Parts), std::end(block.Parts), original);
  for (int32_t k = 0; k < n; ++k) block.Parts[k] = original[pairs[k].Value];
}

int32_t GroupParts(const CharBlock& block, Box* groups, int32_t* overlaps) {
  const int32_t n = std::clamp(block.PartCount, 0, kMaxParts);
  if (n == 0) return 0;
  const auto boxOf = [](const BlockPart& p) { return Box{p.Left, p.Right, p.Top, p.Bottom}; };
  int32_t count = 1;
  groups[0] = boxOf(block.Parts[0]);
  int32_t firstRight = block.Parts[0].Right;
  for (int32_t k = 1; k < n; ++k) {
    const BlockPart& part = block.Parts[k];
    if (part.Right <= firstRight) {
      UnionBox(groups[count - 1], boxOf(part));
      continue;
    }
    if (count == kMaxPartGroups) return -1;
    overlaps[count - 1] = firstRight - part.Left;
    groups[count] = boxOf(part);
    firstRight = part.Right;
    ++count;
  }
  overlaps[count - 1] = kNoOverlap;
  return count;
}

namespace {

// A piece made of consecutive part groups: their union box and, when more
// than one, the groups as its parts.
CharBlock* PieceOfGroups(const CharBlock& b, const Box* groups, int32_t from, int32_t to, uint8_t cutSides) {
  CharBlock* piece = NewPiece(b, groups[from].Left, groups[from].Right, cutSides);
  Box box = groups[from];
  for (int32_t g = from + 1; g <= to; ++g) UnionBox(box, groups[g]);
  SetBox(*piece, box);
  const int32_t count = to - from + 1;
  if (count > 1) {
    piece->PartCount = std::min(count, kMaxParts);
    for (int32_t g = 0; g < piece->PartCount; ++g) {
      const Box& group = groups[from + g];
      piece->Parts[g] = BlockPart{group.Left, group.Right, group.Top, group.Bottom, 0};
    }
  }
  return piece;
}

// The split needs the overlap below three quarters of the piece's width.
bool OverlapSmallEnough(int32_t overlap, const CharBlock& piece) {
  return overlap < RoundHalfEvenDiv(3 * static_cast<int64_t>(piece.Right - piece.Left + 1), 4);
}

}  // namespace

int32_t SplitMultiPartBlock(int32_t index) {
  if (LineBlocks == nullptr || index < 0 || index >= static_cast<int32_t>(LineBlocks->size())) return 0;
  BlockList& list = *LineBlocks;
  CharBlock* b = list[static_cast<size_t>(index)];
  if (b->PartCount <= 1) return 0;
  SortParts(*b);
  Box groups[kMaxPartGroups];
  int32_t overlaps[kMaxPartGroups];
  const int32_t n = GroupParts(*b, groups, overlaps);
  if (n < 2) return 0;
  int32_t k = 0;
  for (int32_t g = 1; g <= n - 2; ++g) {
    if (overlaps[g] < overlaps[k]) k = g;
  }
  // The pieces carry the cut sides they are inserted with already while they
  // are recognised, so that strokes of the other piece reaching across the
  // cut are masked exactly as in any later recognition of the same block.
  CharBlock* left = PieceOfGroups(*b, groups, 0, k, b->CutSides | kCutRight);
  CharBlock* right = PieceOfGroups(*b, groups, k + 1, n - 1, b->CutSides | kCutLeft);
  if (!OverlapSmallEnough(overlaps[k], *left) || !OverlapSmallEnough(overlaps[k], *right)) {
    FreeBlock(left);
    FreeBlock(right);
    return 0;
  }
  RecogniseTrial(*left, kRangeAll, false);
  RecogniseTrial(*right, kRangeAll, false);
  ReplaceByPieces(list, index, left, right);
  return 1;
}

}  // namespace engine
