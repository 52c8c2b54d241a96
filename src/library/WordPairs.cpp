// The character-pair file "Word.Dat", held whole in memory.
//
// The file opens with 65536 little-endian 32-bit entries, one per 16-bit
// character code; a non-zero entry is the byte offset of the character's
// record plus the code itself. A record is a predecessor list (count word,
// count − 1 transformed codes) followed by a successor list (count word,
// count − 1 character indices). The whole file is checked on loading so that
// every record a lookup returns lies completely inside the data; a file that
// is not a regular file or is larger than any real one is not read at all.
//
// Records start at any byte offset, but lookups return 16-bit words, so the
// data is kept as words twice: from byte 0 and, when some record starts at
// an odd offset, from byte 1.
#include "library/WordPairs.h"

#include <algorithm>
#include <filesystem>

#include "library/TemplateLibrary.h"
#include "platform/FileIo.h"

namespace library {

namespace {

constexpr size_t kCodeCount = 65536;
constexpr int kPredecessorRotation = 3;
constexpr uint16_t kPredecessorMask = 0xFFFF;

struct WordPairImage {
  std::vector<uint32_t> Index;      // record offset per code, 0 = no record
  std::vector<uint16_t> EvenWords;  // the file's words from byte 0
  std::vector<uint16_t> OddWords;   // the file's words from byte 1
  // The longest predecessor and successor lists of the file.
  size_t LongestPredecessors = 0;
  size_t LongestSuccessors = 0;
};

WordPairImage& Image() {
  static WordPairImage image;
  return image;
}

uint16_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::vector<uint16_t> WordsFrom(const std::vector<uint8_t>& data, size_t start) {
  std::vector<uint16_t> words;
  words.reserve(data.size() / 2);
  for (size_t offset = start; offset + 1 < data.size(); offset += 2) words.push_back(WordAt(data, offset));
  return words;
}

// Entries of a list whose count word is `count` (a count of 0 or 1 is an
// empty list).
size_t EntriesOf(size_t count) {
  return count > 1 ? count - 1 : 0;
}
size_t ListLength(const uint16_t* list) {
  return EntriesOf(list[0]);
}

// Both count words and all entries of the record at `offset` lie inside the
// data (a count of 0 or 1 is an empty list that still has its count word).
bool RecordFits(const std::vector<uint8_t>& data, size_t offset) {
  const size_t size = data.size();
  if (offset < kWordPairIndexBytes || offset + 2 > size) return false;
  const size_t predecessors = WordAt(data, offset);
  const size_t successorStart = offset + 2 * predecessors;
  if (successorStart + 2 > size) return false;
  const size_t successors = std::max<size_t>(WordAt(data, successorStart), 1);
  return successorStart + 2 * successors <= size;
}

}  // namespace

bool SetWordPairData(std::vector<uint8_t> data) {
  Image() = WordPairImage{};
  if (data.size() < kWordPairIndexBytes) return false;
  WordPairImage image;
  image.Index.assign(kCodeCount, 0);
  bool anyOdd = false;
  for (size_t code = 0; code < kCodeCount; ++code) {
    const size_t at = code * sizeof(uint32_t);
    const uint32_t entry =
        static_cast<uint32_t>(WordAt(data, at)) | static_cast<uint32_t>(WordAt(data, at + 2)) << 16;
    if (entry == 0) continue;
    const size_t offset = entry - code;
    if (entry < code || !RecordFits(data, offset)) return false;
    image.Index[code] = static_cast<uint32_t>(offset);
    anyOdd = anyOdd || (offset & 1) != 0;
    const size_t predecessors = WordAt(data, offset);
    image.LongestPredecessors = std::max(image.LongestPredecessors, EntriesOf(predecessors));
    image.LongestSuccessors =
        std::max(image.LongestSuccessors, EntriesOf(WordAt(data, offset + 2 * predecessors)));
  }
  image.EvenWords = WordsFrom(data, 0);
  if (anyOdd) image.OddWords = WordsFrom(data, 1);
  Image() = std::move(image);
  return true;
}

bool LoadWordPairsFrom(const std::string& path, std::string* problem) {
  Image() = WordPairImage{};
  std::vector<uint8_t> data;
  if (!platform::ReadWholeFile(path, data, problem, platform::kMaxDataFileBytes)) return false;
  if (SetWordPairData(std::move(data))) return true;
  if (problem) *problem = "the file is damaged";
  return false;
}

bool LoadWordPairs(std::string* problem) {
  return LoadWordPairsFrom((std::filesystem::path(ProgramFolder()) / "Word.Dat").string(), problem);
}

const uint16_t* WordPairRecord(core::CharCode code) {
  const WordPairImage& image = Image();
  if (image.Index.empty()) return nullptr;
  const uint32_t offset = image.Index[code];
  if (offset == 0) return nullptr;
  return (offset & 1) ? image.OddWords.data() + offset / 2 : image.EvenWords.data() + offset / 2;
}

core::CharCode DecodePredecessor(uint16_t value) {
  const uint16_t v = value ^ kPredecessorMask;
  return static_cast<core::CharCode>((v >> kPredecessorRotation) | (v << (16 - kPredecessorRotation)));
}

bool NamesPredecessor(const uint16_t* record, core::CharCode code) {
  for (uint16_t e = 1; e < record[0]; ++e) {
    if (DecodePredecessor(record[e]) == code) return true;
  }
  return false;
}

PairKnowledge KnowPair(core::CharCode first, core::CharCode second) {
  const WordPairImage& image = Image();
  const uint16_t* before = WordPairRecord(first);
  const uint16_t* after = WordPairRecord(second);
  const uint16_t* successors = before != nullptr ? before + before[0] : nullptr;
  if (successors != nullptr) {
    for (uint16_t e = 1; e < successors[0]; ++e) {
      if (successors[e] <= kMaxCharIndex && IndexToCode(successors[e]) == second) return PairKnowledge::Named;
    }
  }
  if (after != nullptr && NamesPredecessor(after, first)) return PairKnowledge::Named;
  const bool successorsFull = successors != nullptr && ListLength(successors) >= image.LongestSuccessors;
  const bool predecessorsFull = after != nullptr && ListLength(after) >= image.LongestPredecessors;
  return successorsFull && predecessorsFull ? PairKnowledge::Unknown : PairKnowledge::Absent;
}

uint16_t EncodePredecessor(core::CharCode code) {
  const uint16_t rotated =
      static_cast<uint16_t>((code << kPredecessorRotation) | (code >> (16 - kPredecessorRotation)));
  return rotated ^ kPredecessorMask;
}

}  // namespace library
