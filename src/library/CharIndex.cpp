// Library numbers of characters and of feature words.
//
// A character index packs three code ranges one after another: the symbol
// rows A1–A3 of GB2312 (1 … 282), its Chinese characters with lead bytes
// B0 … F7 (283 … 7050), and pairs of printable ASCII characters
// (7051 … 15886). Each range is a grid of 94 columns, so both directions are
// a multiplication or a division by 94.
#include "library/CharIndex.h"

namespace library {

namespace {

constexpr int32_t kRowLength = 94;
constexpr uint8_t kGbFirst = 0xA1;        // first lead and trail byte of GB2312
constexpr uint8_t kGbLast = 0xFE;         // last trail byte of GB2312
constexpr uint8_t kSymbolRowLast = 0xA3;  // the full-width row ends the symbols
constexpr uint8_t kHanziFirst = 0xB0;
constexpr uint8_t kHanziLast = 0xF7;
// Rows A4 … AF have no index, so the hanzi rows follow the three symbol rows.
constexpr int32_t kSymbolRows = 3;
constexpr uint8_t kHanziLeadShift = kHanziFirst - kSymbolRows;  // lead = row + 0xAD
constexpr uint8_t kAsciiFirst = 0x21;
constexpr uint8_t kAsciiLast = 0x7E;
constexpr CharIndex kFirstPairIndex = 7051;

bool IsGbTrail(uint8_t b) {
  return b >= kGbFirst && b <= kGbLast;
}
bool IsPrintableAscii(uint8_t b) {
  return b >= kAsciiFirst && b <= kAsciiLast;
}

}  // namespace

CharIndex CodeToIndex(core::CharCode code) {
  const uint8_t lead = core::LeadByte(code);
  const uint8_t trail = core::TrailByte(code);
  if (IsPrintableAscii(lead) && IsPrintableAscii(trail)) {
    return static_cast<CharIndex>((lead - kAsciiFirst) * kRowLength + kFirstPairIndex +
                                  (trail - kAsciiFirst));
  }
  if (IsGbTrail(trail)) {
    if (lead >= kGbFirst && lead <= kSymbolRowLast) {
      return static_cast<CharIndex>((lead - kGbFirst) * kRowLength + 1 + (trail - kGbFirst));
    }
    if (lead >= kHanziFirst && lead <= kHanziLast) {
      return static_cast<CharIndex>((lead - kHanziFirst + kSymbolRows) * kRowLength + 1 + (trail - kGbFirst));
    }
  }
  throw CodeError();
}

core::CharCode IndexToCode(CharIndex index) {
  if (index >= kFirstPairIndex) {
    const int32_t offset = index - kFirstPairIndex;
    return core::MakeCode(static_cast<uint8_t>(offset / kRowLength + kAsciiFirst),
                          static_cast<uint8_t>(offset % kRowLength + kAsciiFirst));
  }
  const int32_t row = (index - 1) / kRowLength;
  const int32_t column = (index - 1) % kRowLength;
  const int32_t lead = row < kSymbolRows ? row + kGbFirst : row + kHanziLeadShift;
  return core::MakeCode(static_cast<uint8_t>(lead), static_cast<uint8_t>(column + kGbFirst));
}

int32_t FeatureWordToIndex(int32_t word) {
  constexpr int32_t kDigits = 6;
  int32_t index = 0;
  int32_t weight = 1;
  for (int32_t k = 0; k < kDigits; ++k) {
    index += (word % 10) * weight;
    word /= 10;
    weight *= 5;
  }
  return index;
}

}  // namespace library
