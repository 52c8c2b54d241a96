// The template library in memory and its files ZEZID.D00 … ZEZID.D31.
//
// Every table keeps one slot per feature index (see ListSlot); the classifier
// reads a slot's values up to the terminator. A file is an index of 15625
// little-endian 32-bit offsets, a filler byte, and the slots one after another
// in feature-index order; an offset counts from the filler byte, so the first
// slot is at 1 and 0 means "no list". Loading checks every offset and list
// against the file before anything is used, and lets the lists of a file
// claim no more values than the file holds, so that offsets pointing many
// times at one long list cannot make a small file take gigabytes. The files
// are read and written as one set by LibraryFiles.
#include "library/TemplateLibrary.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/ByteOrder.h"
#include "platform/FileIo.h"
#include "platform/UiHooks.h"

namespace library {

bool LearningMode = false;
bool LibraryChanged = false;

namespace {

namespace fs = std::filesystem;

constexpr size_t kIndexBytes = kFeatureIndexCount * sizeof(uint32_t);  // 62500
constexpr size_t kSlotGroupBytes = kSlotGroupValues * sizeof(CharIndex);
constexpr uint8_t kFillerByte = 0;
constexpr const char* kSaveError = "保存出错!";

using Table = std::vector<ListSlot>;

std::vector<Table>& Tables() {
  static std::vector<Table> tables(kTableCount, Table(kFeatureIndexCount));
  return tables;
}

std::string& FolderSetting() {
  static std::string folder = ExecutableFolder();
  return folder;
}

// One list of a loaded block: the slot must start on a slot boundary inside
// the block and its terminator must lie inside the block; every value must be
// a character index, since the classifier counts votes by index. `budget` is
// the number of bytes the lists still read so far may claim in all.
bool ReadList(const uint8_t* block, size_t blockSize, uint32_t offset, size_t& budget, ListSlot& slot) {
  if (offset >= blockSize || (offset - 1) % kSlotGroupBytes != 0) return false;
  size_t length = 0;
  for (size_t pos = offset; pos + 1 < blockSize; pos += sizeof(CharIndex), ++length) {
    const uint16_t value = platform::GetLe16(block + pos);
    if ((length + 1) * sizeof(CharIndex) > budget) return false;  // more than the file holds
    if (value == 0) {
      budget -= (length + 1) * sizeof(CharIndex);
      slot.assign(SlotValuesFor(length), 0);
      for (size_t k = 0; k < length; ++k) slot[k] = platform::GetLe16(block + offset + k * sizeof(CharIndex));
      return true;
    }
    if (value > kMaxCharIndex) return false;
  }
  return false;
}

// Parses a table file image; false for a file that is short or inconsistent.
bool ParseTable(const std::vector<uint8_t>& bytes, Table& table) {
  if (bytes.size() < kIndexBytes) return false;
  const uint8_t* block = bytes.data() + kIndexBytes;
  const size_t blockSize = bytes.size() - kIndexBytes;
  size_t budget = blockSize > 0 ? blockSize - 1 : 0;  // everything after the filler byte
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    const uint32_t offset = platform::GetLe32(bytes.data() + i * sizeof(uint32_t));
    if (offset != 0 && !ReadList(block, blockSize, offset, budget, table[i])) return false;
  }
  return true;
}

std::vector<uint8_t> TableImage(const Table& table) {
  std::vector<uint8_t> image(kIndexBytes, 0);
  image.push_back(kFillerByte);
  uint32_t offset = 1;
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    const ListSlot& slot = table[i];
    if (slot.empty()) continue;
    const size_t values = SlotValuesFor(ListLength(slot));
    for (size_t k = 0; k < values; ++k) platform::AppendLe16(image, k < slot.size() ? slot[k] : 0);
    platform::PutLe32(image.data() + i * sizeof(uint32_t), offset);
    offset += static_cast<uint32_t>(values * sizeof(CharIndex));
  }
  return image;
}

// The lists of a table packed one after another in feature-index order, as
// the classifier reads them: neighbouring feature values lie close together in
// memory, and a lookup is one index read instead of a slot's own allocation.
// Only indices the vote table has are packed.
// Rebuilt from the slots after any change to the table.
constexpr uint32_t kNoList = UINT32_MAX;
struct PackedTable {
  bool Valid = false;
  std::vector<uint32_t> Start;  // per feature index: first value, or kNoList
  std::vector<CharIndex> Values;
};

PackedTable& ListsOfTable(int32_t table) {
  static std::vector<PackedTable> packed(kTableCount);
  return packed[static_cast<size_t>(table)];
}

void Pack(int32_t table, PackedTable& packed) {
  const Table& slots = Tables()[table];
  packed.Start.assign(kFeatureIndexCount, kNoList);
  packed.Values.clear();
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    const ListSlot& slot = slots[i];
    if (slot.empty()) continue;
    packed.Start[static_cast<size_t>(i)] = static_cast<uint32_t>(packed.Values.size());
    // Loading and learning admit only valid indices; the check keeps the
    // classifier's vote table safe from any other slot content all the same.
    const auto end = slot.begin() + static_cast<std::ptrdiff_t>(ListLength(slot));
    std::copy_if(slot.begin(), end, std::back_inserter(packed.Values),
                 [](CharIndex c) { return c <= kMaxCharIndex; });
    packed.Values.push_back(0);
  }
  packed.Valid = true;
}

void InvalidatePacked() {
  for (int32_t t = 0; t < kTableCount; ++t) ListsOfTable(t).Valid = false;
}

}  // namespace

size_t ListLength(const ListSlot& slot) {
  size_t n = 0;
  while (n < slot.size() && slot[n] != 0) ++n;
  return n;
}

ListSlot& LibrarySlot(int32_t table, int32_t featureIndex) {
  ListsOfTable(table).Valid = false;
  return Tables()[table][featureIndex];
}

const CharIndex* SlotList(int32_t table, int32_t featureIndex) {
  const ListSlot& slot = Tables()[table][featureIndex];
  return slot.empty() ? nullptr : slot.data();
}

const CharIndex* LibraryList(int32_t table, int32_t featureIndex) {
  PackedTable& packed = ListsOfTable(table);
  if (!packed.Valid) Pack(table, packed);
  const uint32_t start = packed.Start[static_cast<size_t>(featureIndex)];
  return start == kNoList ? nullptr : packed.Values.data() + start;
}

void SetProgramFolder(const std::string& folder) {
  FolderSetting() = folder;
}
const std::string& ProgramFolder() {
  return FolderSetting();
}

std::string ExecutableFolder() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : executable.parent_path().string();
}

bool LoadLibrary(const LoadProgress* progress, std::string* problem) {
  ClearLibrary();
  if (progress) (*progress)(0);
  TableImages images;
  switch (ReadLibraryFolder(ProgramFolder(), images, problem)) {
    case FolderRead::Read:
      break;
    case FolderRead::NoLibraryFiles:
      if (!progress && problem) *problem = "no library files";
      return progress != nullptr;
    case FolderRead::Failed:
      return false;
  }
  for (int32_t t = 0; t < kTableCount; ++t) {
    if (progress) (*progress)(t);
    if (images[t] && !ParseTable(*images[t], Tables()[t])) {
      ClearLibrary();
      if (problem) *problem = TableFileName(t) + " is damaged";
      return false;
    }
  }
  InvalidatePacked();
  return true;
}

SaveResult SaveLibrary(bool write, SaveMode mode, std::string* problem) {
  if (write) {
    TableImages images(kTableCount);
    for (int32_t t = 0; t < kTableCount; ++t) images[t] = TableImage(Tables()[t]);
    const SaveResult saved = WriteLibraryFolder(ProgramFolder(), images, mode, problem);
    if (saved == SaveResult::Failed) platform::ShowNotice(kSaveError);
    if (saved != SaveResult::Saved) return saved;
  }
  ClearLibrary();
  UnlockLibraryForLearning();
  return SaveResult::Saved;
}

void ClearLibrary() {
  for (Table& table : Tables()) {
    for (ListSlot& slot : table) {
      if (slot.capacity() != 0) ListSlot().swap(slot);
    }
  }
  InvalidatePacked();
}

bool LibraryEmpty() {
  for (const Table& table : Tables()) {
    for (const ListSlot& slot : table) {
      if (!slot.empty() && slot[0] != 0) return false;
    }
  }
  return true;
}

TableStats StatsOfTable(int32_t table) {
  TableStats stats;
  for (const ListSlot& slot : Tables()[table]) {
    if (slot.empty()) continue;
    const int32_t length = static_cast<int32_t>(ListLength(slot));
    ++stats.Lists;
    stats.Entries += length;
    stats.LongestList = std::max(stats.LongestList, length);
  }
  return stats;
}

}  // namespace library
