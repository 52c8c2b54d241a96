// The character-pair context file "Word.Dat": for a character, the
// characters that may stand before it and after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/EngineRecords.h"

namespace library {

constexpr size_t kWordPairIndexBytes = 262144;

// Reads Word.Dat from the program folder whole into memory. False (and no
// data, and why in `problem`) when it cannot be opened, is not a regular
// file, is larger than any real one or is inconsistent.
bool LoadWordPairs(std::string* problem = nullptr);
bool LoadWordPairsFrom(const std::string& path, std::string* problem = nullptr);
// Uses the given bytes as the file image (validated as on loading).
bool SetWordPairData(std::vector<uint8_t> data);

// The record of a character: predecessor count word, entries, then the
// successor count word and entries; nullptr when there is none.
const uint16_t* WordPairRecord(core::CharCode code);
core::CharCode DecodePredecessor(uint16_t value);
// Whether a record names `code` among the characters before its character.
bool NamesPredecessor(const uint16_t* record, core::CharCode code);

// What the file tells of `first` standing right before `second`: Named when
// the successors of `first` or the predecessors of `second` name the other;
// Absent when neither does although one of those lists is shorter than the
// longest of its kind in the file (it kept every neighbour frequent enough,
// so the pair is rare); Unknown when both lists are full (each keeps only its
// most frequent neighbours).
enum class PairKnowledge { Absent, Unknown, Named };
PairKnowledge KnowPair(core::CharCode first, core::CharCode second);
uint16_t EncodePredecessor(core::CharCode code);

}  // namespace library
