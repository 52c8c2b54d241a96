// Word.Dat builder. Pairs of adjacent characters are counted over the text;
// a pair is kept when it was seen at least MinCount times, and each
// character keeps its MaxPredecessors / MaxSuccessors most frequent
// neighbours (ties in ascending code order, so the file is the same for the
// same text). Only characters with a library number take part: the engine can
// neither recognise nor seed any other.
//
// File layout (little-endian): 65536 32-bit index entries, one per 16-bit
// code value, each 0 or record offset + code value; each record is a count
// word p, p − 1 encoded predecessor codes, a count word s and s − 1 successor
// library numbers.
#include "training/TrainWordPairs.h"

#include <algorithm>
#include <map>

#include "library/CharIndex.h"
#include "library/WordPairs.h"
#include "platform/Encoding.h"

namespace training {

namespace {

constexpr uint8_t kFullWidthRow = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr uint8_t kIdeographicSpaceLead = 0xA1;
constexpr uint8_t kIdeographicSpaceTrail = 0xA1;
constexpr size_t kIndexEntries = 65536;

bool HasLibraryIndex(core::CharCode code) {
  try {
    library::CodeToIndex(code);
    return true;
  } catch (const library::CodeError&) {
    return false;
  }
}

struct Neighbour {
  core::CharCode Code;
  uint32_t Count;
};

void KeepMostFrequent(std::vector<Neighbour>& list, int32_t limit) {
  std::sort(list.begin(), list.end(), [](const Neighbour& a, const Neighbour& b) {
    return a.Count != b.Count ? a.Count > b.Count : a.Code < b.Code;
  });
  if (list.size() > static_cast<size_t>(std::max(0, limit))) list.resize(std::max(0, limit));
}

void AppendWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

std::vector<core::CharCode> TextCodes(const std::string& utf8) {
  const std::string gbk = platform::Utf8ToGbk(utf8);
  std::vector<core::CharCode> codes;
  codes.reserve(gbk.size());
  for (size_t i = 0; i < gbk.size(); ++i) {
    const auto lead = static_cast<uint8_t>(gbk[i]);
    if (lead >= 0x80) {
      if (i + 1 >= gbk.size()) break;
      const auto trail = static_cast<uint8_t>(gbk[++i]);
      if (lead == kIdeographicSpaceLead && trail == kIdeographicSpaceTrail) continue;
      codes.push_back(core::MakeCode(lead, trail));
    } else if (lead > 0x20 && lead < 0x7F) {
      codes.push_back(core::MakeCode(kFullWidthRow, static_cast<uint8_t>(lead + kFullWidthOffset)));
    }
  }
  return codes;
}

void WordPairCounter::AddParagraph(const std::string& utf8) {
  const std::vector<core::CharCode> codes = TextCodes(utf8);
  for (size_t i = 1; i < codes.size(); ++i) ++counts_[codes[i - 1] | (static_cast<uint32_t>(codes[i]) << 16)];
}

uint32_t WordPairCounter::Count(core::CharCode first, core::CharCode second) const {
  const auto it = counts_.find(first | (static_cast<uint32_t>(second) << 16));
  return it == counts_.end() ? 0 : it->second;
}

std::vector<uint8_t> WordPairCounter::Build(const WordPairLimits& limits) const {
  std::map<core::CharCode, std::vector<Neighbour>> predecessors, successors;
  for (const auto& [key, count] : counts_) {
    if (count < static_cast<uint32_t>(std::max(1, limits.MinCount))) continue;
    const auto first = static_cast<core::CharCode>(key & 0xFFFF);
    const auto second = static_cast<core::CharCode>(key >> 16);
    if (!HasLibraryIndex(first) || !HasLibraryIndex(second)) continue;
    predecessors[second].push_back({first, count});
    successors[first].push_back({second, count});
  }
  for (auto& [code, list] : predecessors) KeepMostFrequent(list, limits.MaxPredecessors);
  for (auto& [code, list] : successors) KeepMostFrequent(list, limits.MaxSuccessors);

  std::vector<uint8_t> out(library::kWordPairIndexBytes, 0);
  for (size_t value = 0; value < kIndexEntries; ++value) {
    const auto code = static_cast<core::CharCode>(value);
    const auto pred = predecessors.find(code);
    const auto succ = successors.find(code);
    const size_t p = pred == predecessors.end() ? 0 : pred->second.size();
    const size_t s = succ == successors.end() ? 0 : succ->second.size();
    if (p == 0 && s == 0) continue;
    const uint32_t entry = static_cast<uint32_t>(out.size()) + code;
    for (int k = 0; k < 4; ++k) out[value * 4 + k] = static_cast<uint8_t>(entry >> (8 * k));
    AppendWord(out, static_cast<uint16_t>(p + 1));
    if (p > 0) {
      for (const Neighbour& n : pred->second) AppendWord(out, library::EncodePredecessor(n.Code));
    }
    AppendWord(out, static_cast<uint16_t>(s + 1));
    if (s > 0) {
      for (const Neighbour& n : succ->second) AppendWord(out, library::CodeToIndex(n.Code));
    }
  }
  return out;
}

}  // namespace training
