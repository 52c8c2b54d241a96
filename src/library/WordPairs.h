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
// data) when it cannot be opened or is inconsistent.
bool LoadWordPairs();
bool LoadWordPairsFrom(const std::string& path);
// Uses the given bytes as the file image (validated as on loading).
bool SetWordPairData(std::vector<uint8_t> data);

// The record of a character: predecessor count word, entries, then the
// successor count word and entries; nullptr when there is none.
const uint16_t* WordPairRecord(core::CharCode code);
core::CharCode DecodePredecessor(uint16_t value);
uint16_t EncodePredecessor(core::CharCode code);

}  // namespace library
