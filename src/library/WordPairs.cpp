#include "library/WordPairs.h"
namespace library {
bool LoadWordPairs() { return true; }
bool LoadWordPairsFrom(const std::string&) { return true; }
bool SetWordPairData(std::vector<uint8_t>) { return true; }
const uint16_t* WordPairRecord(engine::CharCode) { return nullptr; }
engine::CharCode DecodePredecessor(uint16_t) { return 0; }
uint16_t EncodePredecessor(engine::CharCode) { return 0; }
}  // namespace library
