// Restoring the dots and commas that the page scan set aside as specks.
//
// Both kinds of trial recognise the union of the specks (with the mark they
// complete) as one cell and keep it only for the marks that can be that
// small: the dotted marks ！ ； ： ？ ｉ ｊ, and the low marks ， 、 。 ．
// in a gap. The specks keep their pixels in PageBits, so the cell sees them.
#include "engine/SmallMarks.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "engine/BlockSplitting.h"
#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultList.h"

namespace engine {

namespace {

// In tenths of the Chinese character size.
constexpr int64_t kNarrowTenths = 5;      // a mark that may miss its dot is narrower than this
constexpr int64_t kDotReachTenths = 4;    // its dot lies at most this far above or below it
constexpr int64_t kCellGapTenths = 6;     // a gap with room for the cell of a mark
constexpr int64_t kHangingTenths = 3;     // a comma hangs at most this far below the line
constexpr int64_t kLineEndCellTenths = 10;  // after the last character: one cell

constexpr std::initializer_list<CharCode> kDottedMarks = {
    MakeCode(0xA3, 0xA1),  // ！
    MakeCode(0xA3, 0xBB),  // ；
    MakeCode(0xA3, 0xBA),  // ：
    MakeCode(0xA3, 0xBF),  // ？
    MakeCode(0xA3, 0xE9),  // ｉ
    MakeCode(0xA3, 0xEA),  // ｊ
};
constexpr std::initializer_list<CharCode> kDottedLetters = {
    MakeCode(0xA3, 0xE9),  // ｉ
    MakeCode(0xA3, 0xEA),  // ｊ
};
// Marks that close a quotation or bracket, after which a clause mark can
// stand as after a Chinese character.
constexpr std::initializer_list<CharCode> kClosingMarks = {
    MakeCode(0xA1, 0xB1),  // ”
    MakeCode(0xA1, 0xAF),  // ’
    MakeCode(0xA1, 0xB9),  // 」
    MakeCode(0xA3, 0xA9),  // ）
};
constexpr std::initializer_list<CharCode> kStackedMarks = {
    MakeCode(0xA3, 0xBA),  // ：
    MakeCode(0xA3, 0xBB),  // ；
};
constexpr std::initializer_list<CharCode> kLowMarks = {
    MakeCode(0xA3, 0xAC),  // ，
    MakeCode(0xA1, 0xA2),  // 、
    MakeCode(0xA1, 0xA3),  // 。
    MakeCode(0xA3, 0xAE),  // ．
};

bool ReadsOneOf(const CharBlock& b, std::initializer_list<CharCode> codes) {
  return IsConfident(b) && IsOneOf(b.Codes[0], codes);
}

void Recognise(CharBlock& trial, const Box& box) {
  trial = CharBlock{};
  SetBox(trial, box);
  trial.CutSides = 0;
  RecogniseTrial(trial, kRangeAll, false);
}

// Removes the specks at the given ascending positions.
void TakeOut(std::vector<Box>& specks, const std::vector<size_t>& used) {
  for (size_t k = used.size(); k-- > 0;) specks.erase(specks.begin() + static_cast<std::ptrdiff_t>(used[k]));
}

// The dot of a narrow mark: specks in its columns just above or below it;
// the union must read one of `marks`.
void CompleteDottedMark(CharBlock& p, std::vector<Box>& specks, int32_t hanziSize,
                        std::initializer_list<CharCode> marks) {
  if (IsHanzi(p.Codes[0]) || 10 * int64_t{p.Right - p.Left} >= kNarrowTenths * hanziSize) return;
  Box box = BoxOf(p);
  std::vector<size_t> used;
  for (size_t k = 0; k < specks.size(); ++k) {
    const Box& s = specks[k];
    if (s.Right < p.Left - 1 || s.Left > p.Right + 1) continue;
    const int64_t apart = s.Bottom < p.Top ? p.Top - s.Bottom : s.Top > p.Bottom ? s.Top - p.Bottom : 0;
    if (10 * apart > kDotReachTenths * hanziSize) continue;
    UnionBox(box, s);
    used.push_back(k);
  }
  if (used.empty()) return;
  CharBlock trial;
  Recognise(trial, box);
  if (!ReadsOneOf(trial, marks) || trial.Codes[0] == p.Codes[0]) return;
  SetBox(p, box);
  std::memcpy(static_cast<void*>(&p), static_cast<const void*>(&trial), kResultPartBytes);
  TakeOut(specks, used);
}

// In print this small a comma can fall apart into its head, a speck, and a
// tail of pixels too few even to be set aside, hanging below the head at most
// a blank row apart. The box grows down over that ink, no lower than
// `lowest`, so that the cell sees the whole comma.
void GrowOverTail(Box& box, int64_t lowest) {
  constexpr int32_t kMaxBlankRows = 1;
  int32_t blank = 0;
  for (int32_t y = box.Bottom + 1; y <= lowest && y < PageHeight && blank <= kMaxBlankRows; ++y) {
    bool ink = false;
    for (int32_t x = std::max(box.Left - 1, 0); x <= std::min(box.Right + 1, PageWidth - 1); ++x) {
      if (!IsInk(x, y)) continue;
      ink = true;
      box.Left = std::min(box.Left, x);
      box.Right = std::max(box.Right, x);
    }
    if (ink) {
      box.Bottom = y;
      blank = 0;
    } else {
      ++blank;
    }
  }
}

// The specks that lie wholly right of `left`, left of `right`, below `top`
// and no lower than `bottom`: their positions, and their union in `box`.
std::vector<size_t> SpecksInside(const std::vector<Box>& specks, int64_t left, int64_t right, int64_t top,
                                 int64_t bottom, Box& box) {
  std::vector<size_t> inside;
  for (size_t k = 0; k < specks.size(); ++k) {
    const Box& s = specks[k];
    if (s.Left <= left || s.Right >= right || s.Top <= top || s.Bottom > bottom) continue;
    if (inside.empty()) {
      box = s;
    } else {
      UnionBox(box, s);
    }
    inside.push_back(k);
  }
  return inside;
}

// A mark in the cell after a Chinese character, made of specks only: a colon
// or semicolon when two or more specks beside the character together read
// one, else a low mark from the specks below its middle. True when one was
// inserted after position i.
bool RestoreMarkAfter(BlockList& line, size_t i, std::vector<Box>& specks, int32_t hanziSize) {
  const CharBlock& a = *line[i];
  const int64_t end = i + 1 < line.size() ? line[i + 1]->Left : a.Right + kLineEndCellTenths * hanziSize / 10;
  if (10 * (end - a.Right) < kCellGapTenths * hanziSize) return false;
  // The rows of the line there: those of the taller of the characters on
  // either side (一 is flat, a quote stands high).
  const CharBlock& band = i + 1 < line.size() && IsHanzi(line[i + 1]->Codes[0]) &&
                                  line[i + 1]->Bottom - line[i + 1]->Top > a.Bottom - a.Top
                              ? *line[i + 1]
                              : a;
  const int32_t middle = (band.Top + band.Bottom) / 2;
  const int64_t lowest = band.Bottom + kHangingTenths * hanziSize / 10;
  Box box{};
  std::vector<size_t> used = SpecksInside(specks, a.Right, end, band.Top - 1, lowest, box);
  CharBlock trial;
  auto reads = [&trial](const Box& cell, std::initializer_list<CharCode> marks) {
    Recognise(trial, cell);
    return ReadsOneOf(trial, marks);
  };
  const bool stacked = used.size() >= 2 && reads(box, kStackedMarks);
  if (!stacked) {
    used = SpecksInside(specks, a.Right, end, middle, lowest, box);
    if (used.empty()) return false;
    GrowOverTail(box, lowest);
    if (!reads(box, kLowMarks)) return false;
  }
  CharBlock* mark = NewBlock();
  std::memcpy(static_cast<void*>(mark), static_cast<const void*>(&trial), kResultPartBytes);
  SetBox(*mark, box);
  mark->LineNo = a.LineNo;
  line.insert(line.begin() + static_cast<std::ptrdiff_t>(i) + 1, mark);
  TakeOut(specks, used);
  return true;
}

}  // namespace

void RestoreSmallMarks(BlockList& line, std::vector<Box>& specks, int32_t hanziSize) {
  // The smallest marks (a comma, the dot of ！) cover about a 120th of a
  // character's square; only in print so small that this falls under the
  // ten pixels of a block can a speck be such a mark. The dot of a Latin i
  // or j is smaller still and is looked for at every size.
  constexpr int64_t kSmallestMarkShare = 120;
  constexpr int64_t kBlockPixels = 10;
  if (hanziSize <= 0) return;
  const bool smallPrint = int64_t{hanziSize} * hanziSize < kSmallestMarkShare * kBlockPixels;
  for (CharBlock* p : line) {
    if (specks.empty()) return;
    if (smallPrint) {
      CompleteDottedMark(*p, specks, hanziSize, kDottedMarks);
    } else if (IsLatinLetterOrDigit(p->Codes[0])) {
      CompleteDottedMark(*p, specks, hanziSize, kDottedLetters);
    }
  }
  if (!smallPrint) return;
  for (size_t i = 0; i < line.size() && !specks.empty(); ++i) {
    if (IsOneOf(line[i]->Codes[0], kClosingMarks) || IsHanzi(line[i]->Codes[0])) {
      if (RestoreMarkAfter(line, i, specks, hanziSize)) ++i;
    }
  }
}

}  // namespace engine
