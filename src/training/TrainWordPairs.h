// Building the character-pair file Word.Dat from running text: which
// characters stand directly before and after each character, keeping the
// pairs seen often enough and a bounded number per character.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/EngineRecords.h"

namespace training {

struct WordPairLimits {
  int32_t MinCount = 2;          // a pair must be seen at least this often
  int32_t MaxPredecessors = 32;  // per character, most frequent first
  int32_t MaxSuccessors = 32;
};

class WordPairCounter {
 public:
  // Counts the pairs of adjacent characters of one paragraph (UTF-8). White
  // space is skipped (the engine's previous cell is the one before a space
  // too); printable ASCII counts as its full-width form, as the library
  // stores it.
  void AddParagraph(const std::string& utf8);
  size_t DistinctPairs() const { return counts_.size(); }
  uint32_t Count(core::CharCode first, core::CharCode second) const;

  // The file image: the 65536-entry index, then one record per character
  // with any pair kept, in ascending code value.
  std::vector<uint8_t> Build(const WordPairLimits& limits) const;

 private:
  std::unordered_map<uint32_t, uint32_t> counts_;  // first | second << 16
};

// The engine codes of a paragraph in text order (spaces left out).
std::vector<core::CharCode> TextCodes(const std::string& utf8);

}  // namespace training
