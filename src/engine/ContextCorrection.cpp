// Contextual correction of a finished line: characters that look alike in
// shape (0/O/o, comma/quote, the dots, 1/l, the dashes, upper/lower case) are
// told apart by their size and position relative to their neighbours.
//
// CorrectAmbiguous visits the blocks of *LineBlocks from left to right, so a
// block's left neighbours are already corrected (their GlyphClass is set and
// their codes are ASCII) while its right neighbours are still as the
// classifier left them. Letters whose case only their neighbours can decide
// are marked with GlyphClass −1; ResolveLetterCase settles them afterwards by
// comparing each with the nearest confident letter of a known shape.
#include "engine/ContextCorrection.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <limits>

#include "engine/EngineState.h"
#include "engine/UnitSort.h"
#include "library/WordPairs.h"

namespace engine {
namespace {

constexpr int32_t kNoGap = std::numeric_limits<int32_t>::max();

// Shape bits of GlyphClass.
constexpr int32_t kRound = 0x20;      // 0 O o , . — size decides
constexpr int32_t kTall = 0x02;       // reaches the cap height
constexpr int32_t kShortTall = 0x04;  // i j t: a dot or a short ascender
constexpr int32_t kBody = 0x08;       // has an x-height body
constexpr int32_t kDescender = 0x10;  // reaches below the base line

constexpr uint8_t kFullWidthLead = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr uint8_t kFirstDoubleByte = 0x80;
constexpr uint8_t kCaseBit = 0x20;

constexpr CharCode kInfinity = MakeCode(0xA1, 0xDE);        // ∞
constexpr CharCode kFullComma = MakeCode(0xA3, 0xAC);       // ，
constexpr CharCode kLeftQuote = MakeCode(0xA1, 0xAE);       // ‘
constexpr CharCode kRightQuote = MakeCode(0xA1, 0xAF);      // ’
constexpr CharCode kLeftDoubleQuote = MakeCode(0xA1, 0xB0);   // “
constexpr CharCode kRightDoubleQuote = MakeCode(0xA1, 0xB1);  // ”
constexpr CharCode kFullPeriod = MakeCode(0xA3, 0xAE);      // ．
constexpr CharCode kBullet = MakeCode(0xA1, 0xF1);          // ●
constexpr CharCode kMiddleDot = MakeCode(0xA1, 0xA4);       // ·
constexpr CharCode kFullSmallO = MakeCode(0xA3, 0xEF);      // ｏ
constexpr CharCode kFullCapitalO = MakeCode(0xA3, 0xCF);    // Ｏ
constexpr CharCode kFullZero = MakeCode(0xA3, 0xB0);        // ０
constexpr CharCode kChinesePeriod = MakeCode(0xA1, 0xA3);   // 。
constexpr CharCode kFullUnderscore = MakeCode(0xA3, 0xDF);  // ＿
constexpr CharCode kEmDash = MakeCode(0xA1, 0xAA);          // —
constexpr CharCode kHanziOne = MakeCode(0xD2, 0xBB);        // 一
constexpr CharCode kLeftCorner = MakeCode(0xA1, 0xB8);      // 「
constexpr CharCode kRightCorner = MakeCode(0xA1, 0xB9);     // 」
constexpr CharCode kSnoutRadical = MakeCode(0xE5, 0xE6);    // 彐: a 」 with its horizontals
constexpr CharCode kCliffRadical = MakeCode(0xB3, 0xA7);    // 厂: a 「 with a stroke more

constexpr uint8_t kFullDigitZero = 0xB0;     // ０
constexpr uint8_t kFullDigitOne = 0xB1;      // １
constexpr uint8_t kFullDigitTwo = 0xB2;      // ２
constexpr uint8_t kFullDigitNine = 0xB9;     // ９
constexpr uint8_t kFullCapitalA = 0xC1;      // Ａ
constexpr uint8_t kFullCapitalZ = 0xDA;      // Ｚ
constexpr uint8_t kFullSmallA = 0xE1;        // ａ
constexpr uint8_t kFullSmallZ = 0xFA;        // ｚ
constexpr uint8_t kFullCapitalOByte = 0xCF;  // Ｏ
constexpr uint8_t kFullSmallLByte = 0xEC;    // ｌ

int32_t LineSize() {
  return static_cast<int32_t>(LineBlocks->size());
}
CharBlock& At(int32_t i) {
  return *(*LineBlocks)[static_cast<size_t>(i)];
}

// c := X: X becomes the only candidate.
void Replace(CharBlock& p, CharCode code) {
  p.Codes[0] = code;
  p.Codes[1] = 0;
}
// c ← X: only the first candidate changes.
void Overwrite(CharBlock& p, CharCode code) {
  p.Codes[0] = code;
}

bool IsLower(uint8_t c) {
  return c >= 'a' && c <= 'z';
}
bool IsUpper(uint8_t c) {
  return c >= 'A' && c <= 'Z';
}
bool IsLetter(uint8_t c) {
  return IsLower(c) || IsUpper(c);
}
bool IsFullWidthLetter(uint8_t s) {
  return (s >= kFullCapitalA && s <= kFullCapitalZ) || (s >= kFullSmallA && s <= kFullSmallZ);
}

int32_t ByteClass(uint8_t c) {
  switch (c) {
    case '0':
    case 'O':
    case 'o':
    case ',':
    case '.':
      return kRound;
    case 'b':
    case 'd':
    case 'f':
    case 'h':
    case 'k':
    case 'l':
      return kTall | kBody;
    case 'i':
    case 'j':
    case 't':
      return kShortTall | kBody;
    case 'g':
    case 'p':
    case 'q':
    case 'y':
      return kBody | kDescender;
    case '[':
    case ']':
    case '{':
    case '}':
      return kTall | kBody | kDescender;
    default:
      break;
  }
  if ((c >= '1' && c <= '9') || IsUpper(c)) return kTall | kBody;
  if (IsLower(c)) return kBody;
  return -1;  // not a byte of the table
}

// The GlyphClass of a code, read as its ASCII equivalent when it is a
// full-width character.
int32_t ShapeClassOf(CharCode code) {
  CharCode codes[2] = {code, 0};
  if (LeadByte(code) == kFullWidthLead) codes[0] = static_cast<CharCode>(TrailByte(code) - kFullWidthOffset);
  return GlyphClass(codes);
}

bool IsDash(CharCode code) {
  return LeadByte(code) == '_' || code == kFullUnderscore || code == kHanziOne;
}

// The line a neighbour's position is compared with: a quarter of its height
// below its top for a descender letter, otherwise its middle. The class of a
// neighbour to the right is not yet computed, so it is computed here.
int32_t ReferenceLine(int32_t neighbour, int32_t index) {
  CharBlock& n = At(neighbour);
  if (neighbour > index) n.GlyphClass = ShapeClassOf(n.Codes[0]);
  const bool descender = (n.GlyphClass & kDescender) != 0 && (n.GlyphClass & kTall) == 0;
  return descender ? (n.Bottom + 3 * n.Top) / 4 : (n.Top + n.Bottom) / 2;
}

int32_t BoxSize(const CharBlock& b) {
  return std::max(b.Right - b.Left, b.Bottom - b.Top) + 1;
}

// A dot that is not below its neighbour's reference line is a middle dot or
// a bullet; the classifier cannot tell them apart, their size can: a bullet
// is about half as high as the line, a middle dot a fifth. The dividing line
// is 0.45 of the line height (LineAvgTop .. LineAvgBottom); the line rather
// than the neighbour is the yardstick because the neighbour of a dot is
// often another dot.
CharCode DotOrBullet(const CharBlock& p) {
  constexpr int32_t kBulletNumerator = 9;
  constexpr int32_t kBulletDenominator = 20;
  const int32_t lineHeight = LineAvgBottom - LineAvgTop + 1;
  return kBulletDenominator * BoxSize(p) >= kBulletNumerator * lineHeight ? kBullet : kMiddleDot;
}

bool IsChineseNeighbour(int32_t n) {
  const uint8_t lead = LeadByte(At(n).Codes[0]);
  return lead >= kFirstDoubleByte && lead != kFullWidthLead;
}

// A full-width mark stands in a cell as wide as a Chinese character and its
// ink fills a third of it at most, so the white on its two sides together,
// up to the characters beside it, is most of a Chinese character wide
// (whether the face sets the mark at one side of the cell or in its
// middle); an ASCII sign has its own narrow cell, and even with a printed
// space on one side the white is well under that. The dividing line is 0.72
// of a Chinese character. At the ends of a line, with one side unknown, and
// without a known character size the answer is unknown.
enum class CellKind { Unknown, Narrow, FullWidth };

CellKind CellOf(int32_t i, const CharBlock& p) {
  constexpr int64_t kCellWhiteHundredths = 72;
  if (LineHanziSize <= 0 || i == 0 || i + 1 >= LineSize()) return CellKind::Unknown;
  const int64_t white = int64_t{p.Left - At(i - 1).Right} + (At(i + 1).Left - p.Right);
  return 100 * white < kCellWhiteHundredths * LineHanziSize ? CellKind::Narrow : CellKind::FullWidth;
}

// Chinese text around position n: a double-byte character other than a
// full-width letter or digit (the left neighbours are corrected already, the
// right ones are not).
bool IsChineseText(int32_t n) {
  const CharCode code = At(n).Codes[0];
  if (LeadByte(code) < kFirstDoubleByte) return false;
  if (LeadByte(code) != kFullWidthLead) return true;
  const uint8_t s = TrailByte(code);
  return !IsFullWidthLetter(s) && !(s >= kFullDigitZero && s <= kFullDigitNine);
}

// Step 2: ∞, oo and 00 take the kind of their nearest letter or digit.
void CorrectDoubleRound(int32_t i, CharBlock& p) {
  const int32_t kind = NeighbourKind(i);
  if (kind == 1) Overwrite(p, AsciiPairCode('0', '0'));
  if (kind == 2) Overwrite(p, AsciiPairCode('o', 'o'));
}

// Step 3: a comma sits low, a closing quote high.
void CorrectCommaOrQuote(int32_t i, CharBlock& p) {
  if (p.Scores[0] == p.Scores[1] && p.Codes[1] == kFullPeriod) {
    SwapInt16(p.Codes[0], p.Codes[1]);
    return;
  }
  const int32_t n = NearestNonDash(i);
  if (n < 0) return;
  const int32_t reference = ReferenceLine(n, i);
  if (p.Top > reference) {
    Replace(p, kFullComma);
  } else if (p.Bottom < reference) {
    Replace(p, kRightQuote);
  }
}

// Step 4: a dot below the reference line is a period; a low dot in a cell of
// its own between Chinese characters is a Chinese comma whose tail a light
// print lost (Chinese text has no ASCII period, and ， is the commonest mark
// that stands there).
void CorrectDot(int32_t i, CharBlock& p) {
  const int32_t n = NearestNonDash(i);
  if (n < 0 || p.Top > ReferenceLine(n, i)) {
    const bool chineseCell =
        CellOf(i, p) == CellKind::FullWidth && IsChineseText(i - 1) && IsChineseText(i + 1);
    Replace(p, chineseCell ? kFullComma : AsciiCode('.'));
  } else {
    Replace(p, DotOrBullet(p));
  }
}

// Step 5.3: the full-width characters to the right decide between ０ and Ｏ.
void LookRightForDigitOrLetter(int32_t i, CharBlock& p) {
  for (int32_t j = i + 1; j < LineSize(); ++j) {
    const CharCode code = At(j).Codes[0];
    if (LeadByte(code) != kFullWidthLead) return;
    const uint8_t s = TrailByte(code);
    if (s >= kFullDigitTwo && s <= kFullDigitNine) {
      Replace(p, kFullZero);
      return;
    }
    if (IsFullWidthLetter(s) && s != kFullCapitalOByte && s != kFullSmallLByte) {
      Replace(p, kFullCapitalO);
      return;
    }
  }
}

// Some faces centre 。 in its cell, so its top is above the middle of the
// character before it. A round mark after a Chinese character (the corrected
// left neighbour has a double-byte code: its letters and digits are ASCII
// by now) that is less than 0.4 of a Chinese character high is still 。: a
// letter o is half as high as a hanzi, O and 0 three quarters.
bool IsSmallMarkAfterChinese(const CharBlock& a, const CharBlock& p) {
  constexpr int64_t kMarkTenths = 4;
  return LeadByte(a.Codes[0]) >= kFirstDoubleByte && LineHanziSize > 0 &&
         10 * int64_t{p.Bottom - p.Top + 1} < kMarkTenths * LineHanziSize;
}

// Step 5: Ｏ, ０ and 。 by the position of the block before and the kind of
// the characters around. True when the block's code is settled and the dash
// rules are to be skipped.
bool CorrectRound(int32_t i, CharBlock& p) {
  if (p.Codes[0] == kChinesePeriod && p.Codes[1] != 0 && p.Scores[0] == p.Scores[1]) {
    SwapInt16(p.Codes[0], p.Codes[1]);
  }
  if (i > 0) {
    const CharBlock& a = At(i - 1);
    if ((a.Top + a.Bottom) / 2 < p.Top || IsSmallMarkAfterChinese(a, p)) {
      Replace(p, kChinesePeriod);
      return true;
    }
    if (p.Codes[0] == kChinesePeriod) {
      if (p.Codes[1] != 0) {
        SwapInt16(p.Codes[0], p.Codes[1]);
      } else {
        Overwrite(p, kFullCapitalO);
      }
    }
    // 10·w ≥ 9·h: at least 0.9 times as wide as high.
    if (10 * (p.Right - p.Left) >= 9 * (p.Bottom - p.Top)) {
      Replace(p, kFullCapitalO);
      return true;
    }
    const int32_t kind = DigitLetterKind(false, a.Codes[0]);
    if (kind == 1) {
      Replace(p, kFullZero);
      return true;
    }
    if (kind == 2) {
      Replace(p, kFullCapitalO);
      return true;
    }
  }
  LookRightForDigitOrLetter(i, p);
  return false;
}

// 一 is as wide as a Chinese character; a hyphen between Chinese words is
// at most half as wide. A mid-height dash narrower than 0.7 of a Chinese
// character is the hyphen whatever its neighbours.
bool IsShortDash(const CharBlock& p) {
  constexpr int64_t kShortTenths = 7;
  return LineHanziSize > 0 && 10 * int64_t{p.Right - p.Left} < kShortTenths * LineHanziSize;
}

// A long dash directly beside another long dash at the same height is half
// of the Chinese dash ——, which is always set doubled; the word 一一 is rare
// by comparison. The left neighbour is already corrected (— when it was the
// first half), the right one is still as the classifier read it.
bool IsDashPair(int32_t i, const CharBlock& p) {
  constexpr int64_t kPairGapTenths = 3;
  if (LineHanziSize <= 0) return false;
  const auto beside = [&p](const CharBlock& q, int32_t gap) {
    const bool overlapsRows = q.Top <= p.Bottom && p.Top <= q.Bottom;
    return overlapsRows && gap >= 0 && 10 * int64_t{gap} < kPairGapTenths * LineHanziSize &&
           !IsShortDash(q);
  };
  if (i > 0 && At(i - 1).Codes[0] == kEmDash && beside(At(i - 1), p.Left - At(i - 1).Right)) return true;
  if (i + 1 < LineSize()) {
    const CharBlock& next = At(i + 1);
    const CharCode code = next.Codes[0];
    if ((code == kHanziOne || code == kEmDash || code == kFullUnderscore) && beside(next, next.Left - p.Right))
      return true;
  }
  return false;
}

// Step 6: the dashes by their height in the line and the script around.
void CorrectDash(int32_t i, CharBlock& p) {
  const int32_t n = NearestNonDash(i);
  const bool lowestFifth = p.Top > (8 * LineAvgBottom + 2 * LineAvgTop) / 10;
  if (lowestFifth) {
    if (n < 0 || IsChineseNeighbour(n)) {
      Replace(p, kFullUnderscore);
    } else if (p.Right - p.Left > 8 * (p.Bottom - p.Top)) {
      Overwrite(p, AsciiPairCode('_', '_'));
    } else {
      Overwrite(p, AsciiCode('_'));
    }
  } else if (IsShortDash(p)) {
    Overwrite(p, AsciiCode('-'));
  } else if (IsDashPair(i, p)) {
    Replace(p, kEmDash);
  } else if (n < 0 || IsChineseNeighbour(n)) {
    Replace(p, kHanziOne);
  } else {
    Overwrite(p, AsciiCode('-'));
  }
}

// Letters whose capital and small forms have the same shape.
bool HasCaseTwin(uint8_t letter) {
  if (letter == 'u') return false;
  switch (letter & ~kCaseBit) {
    case 'C':
    case 'O':
    case 'P':
    case 'S':
    case 'U':
    case 'V':
    case 'W':
    case 'X':
    case 'Z':
      return true;
    default:
      return false;
  }
}

// The narrow vote bonus of tall thin cells can lift a letter (ｌ, Ｊ, ｒ, ［)
// a few votes above the corner bracket it really is. A Latin reading whose
// candidates hold 「 or 」 within that margin is the bracket when the side the
// bracket opens away from (the left of 「, the right of 」) is Chinese text or
// the end of the line.
constexpr int32_t kNarrowBonusMargin = 9;

bool IsChineseOrNone(int32_t n) {
  return n < 0 || n >= LineSize() || IsChineseText(n);
}

void CorrectCornerBracket(int32_t i, CharBlock& p) {
  const uint8_t lead = LeadByte(p.Codes[0]);
  if (lead >= kFirstDoubleByte && lead != kFullWidthLead) return;
  for (int32_t k = 1; k < kMaxCandidates && p.Codes[k] != 0; ++k) {
    if (p.Scores[k] < p.Scores[0] - kNarrowBonusMargin) return;
    const CharCode code = p.Codes[k];
    if ((code == kLeftCorner && IsChineseOrNone(i - 1)) || (code == kRightCorner && IsChineseOrNone(i + 1))) {
      Replace(p, code);
      return;
    }
  }
}

// A closing corner bracket is the opening one turned half round: its box
// has the width and height of the 「 it closes (within a tenth of a Chinese
// character). A single letter or sign of that size after an open 「 of the
// line, followed by Chinese text other than a 」 or by the end of the line,
// is that 」: a letter of the bracketed word is narrower or lower than the
// bracket, and the last one is followed by the bracket.
bool HasSizeOf(const CharBlock& p, const CharBlock& bracket) {
  constexpr int64_t kSizeSlackTenths = 1;
  const auto near = [](int64_t a, int64_t b) { return 10 * std::abs(a - b) <= kSizeSlackTenths * LineHanziSize; };
  return near(p.Right - p.Left, bracket.Right - bracket.Left) && near(p.Bottom - p.Top, bracket.Bottom - bracket.Top);
}

bool IsSingleLatinOrSign(CharCode code) {
  return (LeadByte(code) < kFirstDoubleByte && TrailByte(code) == 0) || LeadByte(code) == kFullWidthLead;
}

// Block i is followed by Chinese text other than a 」, or ends the line.
bool EndsBracketedText(int32_t i) {
  return i + 1 == LineSize() || (IsChineseText(i + 1) && At(i + 1).Codes[0] != kRightCorner);
}

// Block i follows Chinese text other than a 「, or starts the line.
bool StartsBracketedText(int32_t i) {
  return i == 0 || (IsChineseText(i - 1) && At(i - 1).Codes[0] != kLeftCorner);
}

// The ground-truth files store a single ASCII character in its full-width
// form, so the library reads an ASCII sign such as ( ) : , ; = + as its
// full-width form. Without a full-width cell such a mark is the ASCII sign.
void NarrowSignToAscii(int32_t i, CharBlock& p) {
  if (CellOf(i, p) == CellKind::Narrow) {
    Replace(p, AsciiCode(static_cast<char>(TrailByte(p.Codes[0]) - kFullWidthOffset)));
  }
}

// Step 7: full-width letters and digits become ASCII.
void ConvertFullWidth(int32_t i, CharBlock& p) {
  CorrectCornerBracket(i, p);
  if (LeadByte(p.Codes[0]) != kFullWidthLead) return;
  const uint8_t s = TrailByte(p.Codes[0]);
  const uint8_t ascii = static_cast<uint8_t>(s - kFullWidthOffset);
  if (s == kFullDigitOne || s == kFullSmallLByte) {
    const int32_t kind = NeighbourKind(i);
    const char oneOrL = kind == 1 ? '1' : kind == 2 ? 'l' : static_cast<char>(ascii);
    Overwrite(p, AsciiCode(oneOrL));
  } else if (s >= kFullDigitZero && s <= kFullDigitNine) {
    Overwrite(p, ascii);
  } else if (IsFullWidthLetter(s)) {
    Overwrite(p, ascii);
    if (HasCaseTwin(ascii)) p.GlyphClass = kCaseUndecided;
  } else {
    NarrowSignToAscii(i, p);
  }
}

// One side's walk of NearestLetterOrDigit: the candidate position or −1.
int32_t WalkLeftForLetterOrDigit(int32_t& cursor) {
  for (; cursor >= 0; --cursor) {
    const CharBlock& b = At(cursor);
    if (b.GlyphClass == kCaseUndecided || !IsConfident(b)) continue;
    return b.GlyphClass == 0 ? -1 : cursor;
  }
  return -1;
}

int32_t WalkRightForLetterOrDigit(int32_t& cursor) {
  for (; cursor < LineSize(); ++cursor) {
    CharBlock& b = At(cursor);
    b.GlyphClass = ShapeClassOf(b.Codes[0]);
    if (b.GlyphClass == kCaseUndecided || !IsConfident(b)) continue;
    return b.GlyphClass == 0 ? -1 : cursor;
  }
  return -1;
}

int32_t Middle(int32_t index) {
  return (At(index).Left + At(index).Right) / 2;
}

// Of a left and a right candidate the left one wins only when strictly nearer
// to the middle of block index.
bool LeftIsNearer(int32_t left, int32_t right, int32_t index) {
  if (left < 0) return false;
  if (right < 0) return true;
  const int32_t m = Middle(index);
  return m - At(left).Right < At(right).Left - m;
}

bool QualifiesAsCaseReference(const CharBlock& b, int32_t mask) {
  return IsConfident(b) && b.GlyphClass != 0 && b.GlyphClass != kCaseUndecided && (b.GlyphClass & mask) != 0;
}

// Looks from `from` in direction `step` for a case reference; with
// stopAtClassZero the walk ends at the first block of class 0, whose position
// is left in `stop`.
int32_t FindCaseReference(int32_t mask, int32_t from, int32_t step, bool stopAtClassZero, int32_t& stop) {
  stop = -1;
  for (int32_t j = from; j >= 0 && j < LineSize(); j += step) {
    const CharBlock& b = At(j);
    if (stopAtClassZero && b.GlyphClass == 0) {
      stop = j;
      return -1;
    }
    if (QualifiesAsCaseReference(b, mask)) return j;
  }
  return -1;
}

enum class CaseDecision { Lower, Upper, Unchanged };

// The rule of a reference found with `mask`; all fractions of hH are
// compared in integers (e.g. Top ≥ hT + 0.1·hH ⇔ 10·Top ≥ 10·hT + hH).
CaseDecision DecideCase(int32_t mask, const CharBlock& p, const CharBlock& reference) {
  const int64_t pT = p.Top;
  const int64_t pH = p.Bottom - p.Top + 1;
  const int64_t hT = reference.Top;
  const int64_t hH = reference.Bottom - reference.Top + 1;
  const bool refDescends = (reference.GlyphClass & kDescender) != 0;
  const auto lowerIf = [](bool lower) { return lower ? CaseDecision::Lower : CaseDecision::Upper; };
  switch (mask) {
    case kTall:
      return refDescends ? lowerIf(10 * pT >= 10 * hT + hH) : lowerIf(10 * pH < 9 * hH);
    case kShortTall:
      if (refDescends) {
        if (20 * pT < 20 * hT + hH) return CaseDecision::Upper;
        if (10 * pT > 10 * hT + hH) return CaseDecision::Lower;
      } else {
        if (20 * pH >= 19 * hH) return CaseDecision::Upper;
        if (10 * pH <= 9 * hH) return CaseDecision::Lower;
      }
      return CaseDecision::Unchanged;
    case kBody:
      return refDescends ? lowerIf(20 * pT >= 20 * hT - 3 * hH) : lowerIf(20 * pH < 23 * hH);
    default:  // kDescender
      return lowerIf(10 * pT >= 10 * hT - hH);
  }
}

void ApplyCase(CharBlock& p, CaseDecision decision) {
  const uint8_t lead = LeadByte(p.Codes[0]);
  if (decision == CaseDecision::Lower) {
    p.Codes[0] = MakeCode(static_cast<uint8_t>(lead | kCaseBit), TrailByte(p.Codes[0]));
  } else if (decision == CaseDecision::Upper) {
    p.Codes[0] = MakeCode(static_cast<uint8_t>(lead & ~kCaseBit), TrailByte(p.Codes[0]));
  }
}

}  // namespace

int32_t GlyphClass(const CharCode* codes) {
  const uint8_t bytes[2] = {LeadByte(codes[0]), TrailByte(codes[0])};
  int32_t result = 0;
  for (const uint8_t c : bytes) {
    if (c == 0) break;
    const int32_t bits = ByteClass(c);
    if (bits < 0) return codes[0] == kChinesePeriod ? kRound : 0;
    result |= bits;
  }
  return result;
}

int32_t NearestNonDash(int32_t i) {
  int32_t left = -1;
  int32_t gapLeft = kNoGap;
  for (int32_t j = i - 1; j >= 0; --j) {
    if (IsDash(At(j).Codes[0])) continue;
    left = j;
    gapLeft = At(j + 1).Left - At(j).Right;
    break;
  }
  int32_t right = -1;
  int32_t gapRight = kNoGap;
  for (int32_t j = i + 1; j < LineSize(); ++j) {
    if (IsDash(At(j).Codes[0])) continue;
    right = j;
    gapRight = At(j).Left - At(j - 1).Right;
    break;
  }
  return gapLeft < gapRight ? left : right;
}

int32_t DigitLetterKind(bool takeFirst, CharCode code) {
  uint8_t ch = LeadByte(code);
  if (ch == kFullWidthLead) {
    ch = static_cast<uint8_t>(TrailByte(code) - kFullWidthOffset);
  } else if (ch < kFirstDoubleByte && TrailByte(code) != 0 && !takeFirst) {
    ch = TrailByte(code);
  }
  if (ch >= '2' && ch <= '9') return 1;
  if (IsLetter(ch) && ch != 'l' && ch != 'O') return 2;
  return 0;
}

NeighbourCursors StartNeighbourSearch(int32_t index) {
  return NeighbourCursors{index, index - 1, index + 1};
}

int32_t NearestLetterOrDigit(NeighbourCursors& cursors) {
  const int32_t left = WalkLeftForLetterOrDigit(cursors.Left);
  const int32_t right = WalkRightForLetterOrDigit(cursors.Right);
  if (left < 0 && right < 0) return -1;
  if (LeftIsNearer(left, right, cursors.Index)) {
    --cursors.Left;
    return left;
  }
  ++cursors.Right;
  return right;
}

int32_t NeighbourKind(int32_t i) {
  NeighbourCursors cursors = StartNeighbourSearch(i);
  for (int32_t n = NearestLetterOrDigit(cursors); n >= 0; n = NearestLetterOrDigit(cursors)) {
    const int32_t kind = DigitLetterKind(n > i, At(n).Codes[0]);
    if (kind != 0) return kind;
  }
  return 0;
}

int32_t CaseReference(int32_t mask, int32_t i) {
  int32_t stopLeft = -1;
  int32_t stopRight = -1;
  int32_t left = FindCaseReference(mask, i - 1, -1, true, stopLeft);
  int32_t right = FindCaseReference(mask, i + 1, +1, true, stopRight);
  if (left < 0 && right < 0) {
    int32_t unused = -1;
    if (stopLeft >= 0) left = FindCaseReference(mask, stopLeft - 1, -1, false, unused);
    if (stopRight >= 0) right = FindCaseReference(mask, stopRight + 1, +1, false, unused);
  }
  return LeftIsNearer(left, right, i) ? left : right;
}

void CorrectAmbiguous(int32_t i) {
  if (LineBlocks == nullptr || i < 0 || i >= LineSize()) return;
  CharBlock& p = At(i);
  p.GlyphClass = 0;
  const auto is = [&p](std::initializer_list<CharCode> codes) {
    for (const CharCode code : codes) {
      if (p.Codes[0] == code) return true;
    }
    return false;
  };
  if (is({kInfinity, AsciiPairCode('o', 'o'), AsciiPairCode('0', '0')})) CorrectDoubleRound(i, p);
  if (is({kFullComma, kRightQuote})) CorrectCommaOrQuote(i, p);
  if (is({kBullet, kMiddleDot, kFullPeriod})) CorrectDot(i, p);
  const bool settled = is({kFullCapitalO, kFullZero, kChinesePeriod}) && CorrectRound(i, p);
  if (!settled && is({kFullUnderscore, kEmDash, kHanziOne})) CorrectDash(i, p);
  ConvertFullWidth(i, p);
  if (p.GlyphClass != kCaseUndecided) p.GlyphClass = GlyphClass(p.Codes);
}

void ResolveLetterCase() {
  if (LineBlocks == nullptr) return;
  constexpr int32_t kMasks[] = {kTall, kShortTall, kBody, kDescender};
  for (int32_t i = 0; i < LineSize(); ++i) {
    CharBlock& p = At(i);
    if (p.GlyphClass != kCaseUndecided) continue;
    bool decided = false;
    for (const int32_t mask : kMasks) {
      const int32_t reference = CaseReference(mask, i);
      if (reference < 0) continue;
      ApplyCase(p, DecideCase(mask, p, At(reference)));
      decided = true;
      break;
    }
    if (!decided && p.Bottom - p.Top > (LineAvgBottom - LineAvgTop) / 2) ApplyCase(p, CaseDecision::Upper);
  }
}

namespace {

// One side of a pair of corner brackets: the bracket that was read, the one
// to find, the hanzi that looks like the one to find, the direction in
// which the bracketed text runs from the bracket that was read, and where
// the missing bracket must stand.
struct BracketSearch {
  CharCode Found;
  CharCode Missing;
  CharCode LookAlike;
  int32_t Step;
  bool (*AtTextEdge)(int32_t);
};

// Walks the line from the bracket that was read towards the text it opens
// or closes, and reads the first letter, sign or look-alike of that
// bracket's size at the far edge of the text as the missing bracket.
void FindMissingBracket(const BracketSearch& search) {
  if (LineBlocks == nullptr || LineHanziSize <= 0) return;
  int32_t found = -1;
  const int32_t first = search.Step > 0 ? 0 : LineSize() - 1;
  for (int32_t i = first; i >= 0 && i < LineSize(); i += search.Step) {
    CharBlock& p = At(i);
    if (p.Codes[0] == kLeftCorner || p.Codes[0] == kRightCorner) {
      found = p.Codes[0] == search.Found ? i : -1;
    } else if (found >= 0 && (IsSingleLatinOrSign(p.Codes[0]) || p.Codes[0] == search.LookAlike) &&
               HasSizeOf(p, At(found)) && search.AtTextEdge(i)) {
      Replace(p, search.Missing);
      p.GlyphClass = GlyphClass(p.Codes);
      found = -1;
    }
  }
}

}  // namespace

void CloseCornerBrackets() {
  FindMissingBracket({kLeftCorner, kRightCorner, kSnoutRadical, +1, EndsBracketedText});
}

void OpenCornerBrackets() {
  FindMissingBracket({kRightCorner, kLeftCorner, kCliffRadical, -1, StartsBracketedText});
}

namespace {

constexpr std::initializer_list<CharCode> kRoundLetters = {
    AsciiPairCode('o', 0), AsciiPairCode('O', 0), AsciiPairCode('0', 0),  // ASCII
    kFullSmallO,           kFullCapitalO,         kFullZero,              // full-width
};

// Light print can leave of a double quote only a short stroke or a dot at
// the top of the line, read as a hyphen, a dash, a 一 or a middle dot, none
// of which stands there: a mark under half a Chinese character wide and a
// quarter high that ends in the top 0.4 of the full-height Chinese
// character beside it.
bool IsQuoteRemnant(int32_t i, const CharBlock& p) {
  constexpr int64_t kWidthHundredths = 50;
  constexpr int64_t kHeightHundredths = 25;
  constexpr int64_t kTopBandHundredths = 40;
  constexpr int64_t kFullHeightHundredths = 80;
  if (!IsOneOf(p.Codes[0], {AsciiCode('-'), kEmDash, kHanziOne, kMiddleDot})) return false;
  const CharBlock& hanzi = IsHanzi(At(i - 1).Codes[0]) ? At(i - 1) : At(i + 1);
  const auto below = [](int64_t extent, int64_t hundredths) {
    return 100 * extent < hundredths * LineHanziSize;
  };
  return IsHanzi(hanzi.Codes[0]) && !below(hanzi.Bottom - hanzi.Top + 1, kFullHeightHundredths) &&
         below(p.Right - p.Left + 1, kWidthHundredths) && below(p.Bottom - p.Top + 1, kHeightHundredths) &&
         below(p.Bottom - hanzi.Top, kTopBandHundredths);
}

}  // namespace

void ReadSmallRoundsAsPeriods() {
  if (LineBlocks == nullptr || LineHanziSize <= 0) return;
  constexpr int64_t kMarkTenths = 4;
  for (int32_t i = 1; i < LineSize(); ++i) {
    CharBlock& p = At(i);
    if (!IsOneOf(p.Codes[0], kRoundLetters)) continue;
    if (i + 1 < LineSize() && IsLatinLetterOrDigit(At(i + 1).Codes[0])) continue;
    if (10 * int64_t{p.Bottom - p.Top + 1} >= kMarkTenths * LineHanziSize) continue;
    Replace(p, kChinesePeriod);
    p.GlyphClass = GlyphClass(p.Codes);
  }
}

void OrientQuotes() {
  if (LineBlocks == nullptr || LineHanziSize <= 0) return;
  constexpr int64_t kSideHundredths = 35;
  struct Pair {
    CharCode Opening, Closing;
    std::initializer_list<CharCode> Read;
  };
  static const Pair kPairs[] = {{kLeftDoubleQuote, kRightDoubleQuote, {kLeftDoubleQuote, kRightDoubleQuote}},
                                {kLeftQuote, kRightQuote, {kLeftQuote, kRightQuote}}};
  for (int32_t i = 1; i + 1 < LineSize(); ++i) {
    CharBlock& p = At(i);
    const int64_t lean = int64_t{p.Left - At(i - 1).Right} - (At(i + 1).Left - p.Right);
    if (IsQuoteRemnant(i, p)) {
      Replace(p, lean > 0 ? kLeftDoubleQuote : kRightDoubleQuote);
      p.GlyphClass = GlyphClass(p.Codes);
      continue;
    }
    if (100 * std::abs(lean) < kSideHundredths * LineHanziSize) continue;
    for (const Pair& pair : kPairs) {
      if (!IsOneOf(p.Codes[0], pair.Read)) continue;
      Replace(p, lean > 0 ? pair.Opening : pair.Closing);
      p.GlyphClass = GlyphClass(p.Codes);
    }
  }
}

void PreferKnownPairs() {
  if (LineBlocks == nullptr) return;
  constexpr int32_t kPairMargin = 4;
  // Evidence for `code` at position i from its neighbours: two for each pair
  // the context file names, one for each it cannot tell.
  const auto evidence = [](int32_t i, CharCode code) {
    const auto weight = [](library::PairKnowledge k) {
      return k == library::PairKnowledge::Named ? 2 : k == library::PairKnowledge::Unknown ? 1 : 0;
    };
    return (i > 0 ? weight(library::KnowPair(At(i - 1).Codes[0], code)) : 1) +
           (i + 1 < LineSize() ? weight(library::KnowPair(code, At(i + 1).Codes[0])) : 1);
  };
  for (int32_t i = 0; i < LineSize(); ++i) {
    CharBlock& p = At(i);
    if (!IsHanzi(p.Codes[0])) continue;
    size_t best = 0;
    const int32_t first = evidence(i, p.Codes[0]);
    int32_t bestEvidence = first;
    for (size_t k = 1; k < std::size(p.Codes) && p.Codes[k] != 0 && p.Scores[0] - p.Scores[k] <= kPairMargin;
         ++k) {
      if (!IsHanzi(p.Codes[k])) continue;
      const int32_t n = evidence(i, p.Codes[k]);
      // A whole named pair more, or anything more at equal votes.
      const bool enough = n >= first + 2 || p.Scores[k] == p.Scores[0];
      if (n > bestEvidence && enough) {
        best = k;
        bestEvidence = n;
      }
    }
    if (best > 0) std::swap(p.Codes[0], p.Codes[best]);
  }
}

void PreferCommonHanzi(CharBlock& block) {
  constexpr uint8_t kFirstRareLead = 0xD8;  // the second level of the GB2312 hanzi
  constexpr int32_t kRareMargin = 7;
  const auto isRare = [](CharCode code) { return IsHanzi(code) && LeadByte(code) >= kFirstRareLead; };
  if (!isRare(block.Codes[0])) return;
  for (size_t k = 1; k < std::size(block.Codes) && block.Codes[k] != 0; ++k) {
    if (block.Scores[0] - block.Scores[k] > kRareMargin) return;
    if (!IsHanzi(block.Codes[k]) || isRare(block.Codes[k])) continue;
    std::swap(block.Codes[0], block.Codes[k]);
    return;
  }
}

}  // namespace engine
