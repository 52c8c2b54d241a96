// Operations on the result lists: the overlap and column merges that turn the
// components of a band into character blocks (keeping the parts each block is
// made of), absorbing a block as a sub-block, releasing blocks and lines, and
// turning a finished line into text.
//
// The text of a line is the first candidate of each block with spaces where
// the gap to the previous block is wider than 0.3 of their reference widths
// (the empty part of a full-width mark's cell is not counted as gap), and an
// indentation taken from the earlier line whose first block is best
// aligned with this one. Every character position gets a character-map entry:
// the block for a character, nil for a space.
#include "engine/ResultList.h"

#include <algorithm>
#include <cstdlib>

#include "engine/EngineState.h"
#include "engine/PageLayout.h"
#include "library/TemplateLibrary.h"

namespace engine {

namespace {

constexpr uint8_t kFullWidthLead = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr uint8_t kDoubleByteStart = 0x80;
constexpr char kRulerBase = 64;                         // blocks 10 … 19 get 'A', 20 … 29 'B', …
constexpr CharCode kRightQuote = MakeCode(0xA1, 0xAF);  // ’

// Sizes outside [rnd(0.2 m), 3 m] of the line's mean m do not count for the
// space unit.
constexpr int32_t kSpaceUnitMaxFactor = 3;
constexpr int64_t kSpaceUnitMinTenths = 2;
// A gap wider than 0.3 of the two reference widths is a space.
constexpr int64_t kSpaceGapTenths = 3;
constexpr int64_t kMixedSpaceHundredths = 28;  // of the Chinese character size
constexpr int64_t kLatinSpaceHundredths = 30;  // of the Chinese character size

BlockPart PartOf(const CharBlock& block, uint8_t mode) {
  return BlockPart{block.Left, block.Right, block.Top, block.Bottom, mode};
}

bool Within(int32_t low, int32_t value, int32_t high) {
  return low <= value && value <= high;
}

// The four tests of the overlap merge, in order; each applies when an edge
// of one box lies in the columns of the other, and then needs an overlap of
// the rows unless the mode asks for columns only.
bool Touches(const CharBlock& q, const CharBlock& r, int32_t mode) {
  const bool qRowsInR = mode != 0 || Within(r.Top, q.Top, r.Bottom) || Within(r.Top, q.Bottom, r.Bottom);
  const bool rRowsInQ = mode != 0 || Within(q.Top, r.Top, q.Bottom) || Within(q.Top, r.Bottom, q.Bottom);
  if (Within(r.Left, q.Left, r.Right) && qRowsInR) return true;
  if (Within(r.Left, q.Right, r.Right) && qRowsInR) return true;
  if (Within(q.Left, r.Left, q.Right) && rRowsInQ) return true;
  return Within(q.Left, r.Right, q.Right) && rRowsInQ;
}

void AppendPart(CharBlock& block, const BlockPart& part) {
  if (block.PartCount < kMaxParts) block.Parts[block.PartCount++] = part;
}

// Merges r into q: q's own box becomes its first part when it has none, and
// r contributes its parts or, without parts, its box.
void JoinParts(CharBlock& q, const CharBlock& r, int32_t mode) {
  const uint8_t mergeMode = static_cast<uint8_t>(mode);
  if (q.PartCount == 0) {
    q.Parts[0] = PartOf(q, mergeMode);
    q.PartCount = 1;
  }
  UnionBox(q, r);
  if (r.PartCount > 0) {
    for (int32_t i = 0; i < r.PartCount; ++i) AppendPart(q, r.Parts[i]);
  } else {
    AppendPart(q, PartOf(r, mergeMode));
  }
}

// The text of a block: its first candidate, one double-byte character or one
// or two ASCII characters; no text for code 0.
std::string CandidateText(const CharBlock& block) {
  const CharCode code = block.Codes[0];
  const uint8_t lead = LeadByte(code);
  const uint8_t trail = TrailByte(code);
  std::string text;
  if (lead == 0) return text;
  text.push_back(static_cast<char>(lead));
  if (trail != 0) text.push_back(static_cast<char>(trail));
  return text;
}

int32_t SpaceUnitOf(const BlockList& line) {
  int64_t sum = 0;
  int32_t count = 0;
  for (const CharBlock* block : line) {
    if (!IsConfident(*block)) continue;
    sum += CharSize(*block).Size;
    ++count;
  }
  if (count == 0) return 0;
  const int64_t mean = sum / count;
  const int64_t low = RoundHalfEvenDiv(kSpaceUnitMinTenths * mean, 10);
  const int64_t high = kSpaceUnitMaxFactor * mean;
  sum = 0;
  count = 0;
  for (const CharBlock* block : line) {
    if (!IsConfident(*block)) continue;
    const int32_t size = CharSize(*block).Size;
    if (size > high || size < low) continue;
    sum += size;
    ++count;
  }
  return count == 0 ? 0 : static_cast<int32_t>(sum / count);
}

// Spaces for a gap wider than `threshold`: one for every space unit (or
// threshold, when that is wider) it holds, at least one.
int32_t SpacesAbove(int32_t gap, int32_t threshold, int32_t spaceUnit) {
  if (threshold >= gap) return 0;
  const int32_t unit = std::max(threshold, spaceUnit);
  if (unit == 0) return 1;
  return std::max(1, gap / unit);
}

// Spaces for a gap between two blocks of the given reference widths; 0 when
// the gap is not wider than the threshold.
int32_t SpacesForGap(int32_t gap, int32_t refWidthA, int32_t refWidthB, int32_t spaceUnit) {
  const int32_t threshold =
      static_cast<int32_t>(RoundHalfEvenDiv(kSpaceGapTenths * (int64_t{refWidthA} + refWidthB), 10));
  return SpacesAbove(gap, threshold, spaceUnit);
}

// An ASCII letter or digit, or a pair of them.
bool IsAsciiAlphanumeric(CharCode code) {
  return LeadByte(code) < kDoubleByteStart && IsLatinLetterOrDigit(code) &&
         (TrailByte(code) == 0 || IsLatinLetterOrDigit(AsciiCode(static_cast<char>(TrailByte(code)))));
}

bool IsAscii(CharCode code) {
  return LeadByte(code) < kDoubleByteStart;
}

// A Chinese character beside an ASCII letter, digit or sign. Between the
// two, a printed space leaves at least a third of a Chinese character and
// Latin text set close to Chinese text a fifth at most, whatever the
// reference widths of the ASCII characters; the gap is measured against the
// Chinese character size.
bool IsHanziBesideAscii(const CharBlock& a, const CharBlock& b) {
  return (IsHanzi(a.Codes[0]) && IsAscii(b.Codes[0])) || (IsAscii(a.Codes[0]) && IsHanzi(b.Codes[0]));
}

// Every full-width character stands in a cell as wide as a Chinese
// character, and the empty part of that cell beside its ink is not a gap
// between words: Chinese text has no spaces between full-width characters.
// A mark (a double-byte character outside the hanzi rows, such as ， 。 ： 「
// ” after the contextual correction) may sit at either side of its cell, so
// all of the empty part may lie on one side; a hanzi is centred, so half of
// it lies on each side.
int32_t EmptyCellPart(const CharBlock& block) {
  const uint8_t lead = LeadByte(block.Codes[0]);
  if (lead < kDoubleByteStart) return 0;
  const int32_t empty = std::max(0, LineHanziSize - (block.Right - block.Left));
  return IsHanzi(block.Codes[0]) ? empty / 2 : empty;
}

// The indentation of a line beginning with `first`: that of the earlier line
// whose first block is nearest in Left (the earliest on a tie), widened or
// narrowed by the spaces of the gap between the two first blocks.
int32_t IndentFor(const CharBlock& first, int32_t spaceUnit) {
  const CharBlock* nearest = nullptr;
  size_t nearestLine = 0;
  int64_t nearestDistance = 0;
  for (size_t i = 0; i < PageLines.size() && i < LineIndents.size(); ++i) {
    if (PageLines[i]->empty()) continue;
    const CharBlock* f = PageLines[i]->front();
    const int64_t distance = std::llabs(int64_t{f->Left} - first.Left);
    if (nearest == nullptr || distance < nearestDistance) {
      nearest = f;
      nearestLine = i;
      nearestDistance = distance;
    }
  }
  if (nearest == nullptr) return 0;
  int32_t indent = LineIndents[nearestLine];
  if (nearest->Right < first.Left) {
    indent += SpacesForGap(first.Left - nearest->Right + 1, nearest->RefWidth, first.RefWidth, spaceUnit);
  } else if (nearest->Left > first.Right) {
    indent -= SpacesForGap(nearest->Left - first.Right + 1, nearest->RefWidth, first.RefWidth, spaceUnit);
    indent = std::max(indent, 0);
  }
  return indent;
}

// One entry per character: nil for a space, the block otherwise; the second
// byte of a double-byte character adds none.
void AppendCharMapEntries(const std::string& text, CharBlock* block) {
  if (Job.CharMap == nullptr) return;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t byte = static_cast<uint8_t>(text[i]);
    if (byte == ' ') {
      Job.CharMap->push_back(nullptr);
      continue;
    }
    Job.CharMap->push_back(block);
    if (byte >= kDoubleByteStart) ++i;
  }
}

// The block's ruler label right-aligned in a field as wide as its text.
std::string RulerField(int32_t k, const std::string& text) {
  const int32_t width = static_cast<int32_t>(text.size());
  std::string label = RulerLabel(k, width);
  if (static_cast<int32_t>(label.size()) < width) label.insert(0, width - label.size(), ' ');
  return label;
}

}  // namespace

std::string RulerLabel(int32_t k, int32_t textBytes) {
  std::string label(1, static_cast<char>('0' + k % 10));
  if (textBytes >= 2) label.insert(label.begin(), static_cast<char>(kRulerBase + k / 10));
  if (static_cast<int32_t>(label.size()) < textBytes) label.insert(0, textBytes - label.size(), ' ');
  return label;
}

void UnionBox(Box& destination, const Box& source) {
  destination.Left = std::min(destination.Left, source.Left);
  destination.Right = std::max(destination.Right, source.Right);
  destination.Top = std::min(destination.Top, source.Top);
  destination.Bottom = std::max(destination.Bottom, source.Bottom);
}

void UnionBox(CharBlock& destination, const CharBlock& source) {
  Box box = BoxOf(destination);
  UnionBox(box, BoxOf(source));
  SetBox(destination, box);
}

void MergeOverlapping(BlockList& list, int32_t mode, int32_t& index) {
  CharBlock* q = list[index];
  size_t j = static_cast<size_t>(index) + 1;
  while (j < list.size()) {
    if (j == static_cast<size_t>(index)) {
      ++j;
      continue;
    }
    CharBlock* r = list[j];
    if (Touches(*q, *r, mode)) {
      JoinParts(*q, *r, mode);
      FreeBlock(r);
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
      if (j < static_cast<size_t>(index)) --index;
      j = 0;  // q has grown: start again from the front
    } else if (r->Left > q->Right) {
      break;  // ordered by Left: no later block can touch
    } else {
      ++j;
    }
  }
}

void MergeColumns(BlockList& list) {
  for (int32_t index = 0; index < static_cast<int32_t>(list.size()); ++index)
    MergeOverlapping(list, 1, index);
}

void AbsorbBlock(BlockList& list, int32_t keepIndex, int32_t dropIndex) {
  CharBlock& keep = *list[keepIndex];
  CharBlock* drop = list[dropIndex];
  if (keep.SubBlockCount == 0) {
    SubBlock& own = keep.SubBlocks[0];
    own.Left = keep.Left;
    own.Right = keep.Right;
    own.Top = keep.Top;
    own.Bottom = keep.Bottom;
    own.PartCount = keep.PartCount;
    std::copy_n(keep.Parts, kMaxParts, own.Parts);
    keep.SubBlockCount = 1;
  }
  for (int32_t i = 0; i < drop->SubBlockCount && keep.SubBlockCount < kMaxSubBlocks; ++i) {
    keep.SubBlocks[keep.SubBlockCount++] = drop->SubBlocks[i];
  }
  UnionBox(keep, *drop);
  FreeBlock(drop);
  list.erase(list.begin() + dropIndex);
}

void FreeBlock(CharBlock* block) {
  if (block == nullptr) return;
  if (block == PrevBlock) PrevBlock = nullptr;
  delete block;
}

void FreePageLines() {
  for (BlockList* line : PageLines) {
    for (CharBlock* block : *line) FreeBlock(block);
    delete line;
  }
  LineIndents.clear();
  PageLines.clear();
}

void CharMapInsert(int32_t position, int32_t count, CharBlock* value) {
  if (Job.CharMap == nullptr || count <= 0) return;
  CharMapList& map = *Job.CharMap;
  const size_t at = static_cast<size_t>(std::max(position, 0));
  if (at > map.size()) map.resize(at, nullptr);
  map.insert(map.begin() + static_cast<std::ptrdiff_t>(at), static_cast<size_t>(count), value);
}

// Spaces between blocks a and b, `gap` apart. Between a hanzi and ASCII
// text and between Latin letters and digits the gap is measured against the
// line's Chinese character size.
int32_t SpacesBetween(const CharBlock& a, const CharBlock& b, int32_t gap, int32_t spaceUnit) {
  const auto ofHanziSize = [](int64_t hundredths) {
    return static_cast<int32_t>(RoundHalfEvenDiv(hundredths * LineHanziSize, 100));
  };
  if (LineHanziSize > 0 && IsHanziBesideAscii(a, b)) return SpacesAbove(gap, ofHanziSize(kMixedSpaceHundredths), spaceUnit);
  if (LineHanziSize > 0 && IsAsciiAlphanumeric(a.Codes[0]) && IsAsciiAlphanumeric(b.Codes[0])) {
    return SpacesAbove(gap, ofHanziSize(kLatinSpaceHundredths), spaceUnit);
  }
  return SpacesForGap(gap, a.RefWidth, b.RefWidth, spaceUnit);
}

EmittedLine EmitLine() {
  EmittedLine line;
  if (LineBlocks == nullptr) return line;
  const BlockList& blocks = *LineBlocks;
  const int32_t spaceUnit = SpaceUnitOf(blocks);
  for (size_t i = 0; i < blocks.size(); ++i) {
    CharBlock& b = *blocks[i];
    b.RefWidth = RefWidth(b.Codes, b.Right - b.Left + 1);
    int32_t spaces = 0;
    if (i > 0) {
      const CharBlock& a = *blocks[i - 1];
      const int32_t gap = b.Left - a.Right + 1 - EmptyCellPart(a) - EmptyCellPart(b);
      spaces = SpacesBetween(a, b, gap, spaceUnit);
    } else {
      line.Indent = IndentFor(b, spaceUnit);
      spaces = line.Indent;
    }
    const std::string text = std::string(static_cast<size_t>(spaces), ' ') + CandidateText(b);
    AppendCharMapEntries(text, &b);
    line.Text += text;
    if (library::LearningMode) line.Ruler += RulerField(static_cast<int32_t>(i), text);
  }
  return line;
}

int32_t AsciiWidth(uint8_t c, bool narrowDigits) {
  switch (c) {
    case '!':
    case '.':
    case ':':
      return 28;
    case ',':
      return 35;
    case '1':
      return narrowDigits ? 30 : 40;
    case '(':
    case ')':
    case ';':
    case 'I':
    case '[':
    case ']':
    case 'l':
    case '{':
    case '}':
      return 40;
    case 'j':
      return 52;
    case 't':
      return 60;
    case 'm':
    case 'w':
      return 170;
    case 'M':
    case 'W':
      return 190;
    default:
      break;
  }
  if (narrowDigits && c >= '0' && c <= '9') return 70;
  if (c >= 'A' && c <= 'Z') return 180;
  return 100;
}

int32_t RefWidth(const CharCode* codes, int32_t width) {
  constexpr bool kNarrowDigits = true;
  constexpr int64_t kPercent = 100;
  const CharCode code = codes[0];
  const uint8_t lead = LeadByte(code);
  const uint8_t trail = TrailByte(code);
  auto scaled = [&](int32_t relativeWidth) {
    return static_cast<int32_t>(RoundHalfEvenDiv(kPercent * width, relativeWidth));
  };
  if (trail == 0) return scaled(AsciiWidth(lead, kNarrowDigits));
  if (lead == kFullWidthLead)
    return scaled(AsciiWidth(static_cast<uint8_t>(trail - kFullWidthOffset), kNarrowDigits));
  if (code == kRightQuote) return scaled(AsciiWidth(',', kNarrowDigits));
  if (lead >= kDoubleByteStart) return width;
  return scaled(AsciiWidth(lead, kNarrowDigits) + AsciiWidth(trail, kNarrowDigits));
}

}  // namespace engine
