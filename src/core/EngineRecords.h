// The records every part of the engine shares: character codes, boxes, the
// character block with its parts and sub-blocks, and the accuracy thresholds.
//
// A character code is the two bytes of the character's GBK encoding in text
// order. In memory it is a 16-bit value whose low byte is the lead byte, so
// that the two bytes lie in text order in a little-endian word; a single
// ASCII character is that byte followed by 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace core {

using CharCode = uint16_t;

constexpr CharCode MakeCode(uint8_t lead, uint8_t trail) {
  return static_cast<CharCode>(lead | (trail << 8));
}
constexpr uint8_t LeadByte(CharCode code) {
  return static_cast<uint8_t>(code & 0xFF);
}
constexpr uint8_t TrailByte(CharCode code) {
  return static_cast<uint8_t>(code >> 8);
}
constexpr CharCode AsciiCode(char c) {
  return static_cast<CharCode>(static_cast<uint8_t>(c));
}
constexpr CharCode AsciiPairCode(char first, char second) {
  return MakeCode(static_cast<uint8_t>(first), static_cast<uint8_t>(second));
}
constexpr bool IsOneOf(CharCode code, std::initializer_list<CharCode> codes) {
  for (const CharCode c : codes)
    if (c == code) return true;
  return false;
}
// A Latin letter or digit: ASCII (alone, or the first of a pair) or its
// full-width form in row A3.
constexpr bool IsLatinLetterOrDigit(CharCode code) {
  constexpr uint8_t kFullWidthLead = 0xA3;
  constexpr uint8_t kFullWidthOffset = 0x80;
  const uint8_t lead = LeadByte(code);
  if (lead >= 0x80 && lead != kFullWidthLead) return false;
  const auto c = static_cast<uint8_t>(lead == kFullWidthLead ? TrailByte(code) - kFullWidthOffset : lead);
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
// The code's GBK bytes as text: the lead byte, then the trail byte unless it
// is 0 (a single ASCII character); empty for the code 0.
inline std::string CodeBytes(CharCode code) {
  std::string bytes;
  if (LeadByte(code) != 0) bytes.push_back(static_cast<char>(LeadByte(code)));
  if (TrailByte(code) != 0) bytes.push_back(static_cast<char>(TrailByte(code)));
  return bytes;
}
// A hanzi of the GB2312 character area: lead byte 0xB0 or above.
constexpr bool IsHanzi(CharCode code) {
  return LeadByte(code) >= 0xB0;
}

// Accuracy thresholds: 46 or less is doubtful, 41 or less is shown red, and
// a character known for certain (from a ground-truth file) scores 64.
constexpr int32_t DoubtfulScore = 46;
constexpr int32_t RedScore = 41;
constexpr int32_t CertainScore = 64;

// Inclusive page coordinates in the engine's order: left, right, top, bottom.
struct Box {
  int32_t Left = 0;
  int32_t Right = 0;
  int32_t Top = 0;
  int32_t Bottom = 0;
};

struct BlockPart {
  int32_t Left, Right, Top, Bottom;
  uint8_t MergeMode;  // 0: joined because the boxes overlap; 1: the columns overlap
};
static_assert(sizeof(BlockPart) == 20);

constexpr int32_t kMaxParts = 10;
constexpr int32_t kMaxSubBlocks = 10;
constexpr int32_t kMaxCandidates = 15;
constexpr int32_t kFeatureWords = 32;

struct SubBlock {
  int32_t Left, Right, Top, Bottom;
  int32_t PartCount;
  BlockPart Parts[kMaxParts];
};

// One character cell candidate: its box on the page and its recognition
// result. The leading 256 bytes (Scores, Codes, Features, FeatureHits) are the
// block's result part, copied whole between blocks by the merge operations.
struct CharBlock {
  int32_t Scores[16];               // Scores[0] is the accuracy
  CharCode Codes[16];               // best first, ended by the first 0
  int32_t Features[kFeatureWords];  // six digits 0..4 as a decimal number
  uint8_t FeatureHits[kFeatureWords];
  int32_t Left, Right, Top, Bottom;
  int32_t LineNo;
  int32_t RefWidth;
  int32_t SubBlockCount;
  SubBlock SubBlocks[kMaxSubBlocks];
  int32_t GlyphClass;
  int32_t PartCount;
  BlockPart Parts[kMaxParts];
  uint8_t CutSides;  // bit 0: cut off a left neighbour; bit 1: off a right one
};
static_assert(offsetof(CharBlock, Left) == 256, "the result part is 256 bytes");
constexpr size_t kResultPartBytes = offsetof(CharBlock, Left);

constexpr uint8_t kCutLeft = 1;
constexpr uint8_t kCutRight = 2;

inline Box BoxOf(const CharBlock& b) {
  return Box{b.Left, b.Right, b.Top, b.Bottom};
}
inline void SetBox(CharBlock& b, const Box& box) {
  b.Left = box.Left;
  b.Right = box.Right;
  b.Top = box.Top;
  b.Bottom = box.Bottom;
}
inline bool IsConfident(const CharBlock& b) {
  return b.Scores[0] > DoubtfulScore;
}

// Lists hold pointers and do not own the blocks unless stated.
using BlockList = std::vector<CharBlock*>;
// One entry per character position of the result text: the block shown there,
// or nullptr for a space or a line end.
using CharMapList = std::vector<CharBlock*>;

}  // namespace core
