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
// Whether a record names `code` among the characters before, or after, its
// character.
bool NamesPredecessor(const uint16_t* record, core::CharCode code);
bool NamesSuccessor(const uint16_t* record, core::CharCode code);
uint16_t EncodePredecessor(core::CharCode code);

}  // namespace library
