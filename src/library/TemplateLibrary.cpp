// The template library in memory and its files ZEZID.D00 … ZEZID.D31.
//
// A file is an index of 15625 little-endian 32-bit offsets, a filler byte, and
// the slots one after another in feature-index order; an offset counts from
// the filler byte, so the first slot is at 1 and 0 means "no list".
//
// In memory every table keeps its lists packed one after another in
// feature-index order, as the classifier reads them: neighbouring feature
// values lie close together, and a lookup is one index read. Loading builds
// this form from each file image as soon as it is read, in one pass that
// checks every offset and list against the file while it copies the list,
// and lets the lists of a file claim no more values than the file holds, so
// that offsets pointing many times at one long list cannot make a small file
// take gigabytes or unbounded time. A table is used only once all its lists
// passed. The slots of ListSlot, one allocation per list, are built only for
// a table that learning changes; from then on the slots are the table and
// the packed lists are rebuilt from them on the first read after a change.
// The files are read and written as one set by LibraryFiles.
#include "library/TemplateLibrary.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
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

struct Table {
  // The list of feature index i occupies Packed[Offsets[i] … Offsets[i + 1]):
  // its characters and the terminator 0; an index without a list occupies
  // nothing. Empty for a table without any list.
  std::vector<uint32_t> Offsets;
  const CharIndex* Packed = nullptr;
  // Where the packed lists are kept: as loaded, or as packed from the slots.
  std::unique_ptr<CharIndex[]> Loaded;
  std::vector<CharIndex> Values;
  // The packed lists hold the table (false only after a slot was handed out).
  bool PackedValid = true;
  // One slot per feature index once learning has asked for one; empty before.
  std::vector<ListSlot> Slots;
  // Counts the changes (loading, clearing, handing out a slot).
  uint64_t Version = 0;
};

std::vector<Table>& Tables() {
  static std::vector<Table> tables(kTableCount);
  return tables;
}

std::string& FolderSetting() {
  static std::string folder = ExecutableFolder();
  return folder;
}

// Per 16-bit lane of four values read as one little-endian word: the lanes
// that end a list, the terminator 0 or a value above kMaxCharIndex. No lane's
// sum carries into the next, since the top bit of each is cleared first.
constexpr size_t kWordValues = sizeof(uint64_t) / sizeof(CharIndex);
constexpr uint64_t kLanes = 0x0001000100010001ULL;
constexpr uint64_t kLaneTops = 0x8000 * kLanes;
static_assert(kMaxCharIndex < 0x8000);
uint64_t AboveMaxLanes(uint64_t word) {
  return (((word & ~kLaneTops) + (0x8000 - kMaxCharIndex - 1) * kLanes) | word) & kLaneTops;
}
uint64_t ZeroLanes(uint64_t word) {
  return ~(((word & ~kLaneTops) + 0x7FFF * kLanes) | word) & kLaneTops;
}

// Copies the list at byte `at` of a table file image to `to`, as it lies in
// the file, and returns the number of its values, the terminator included;
// up to three values after the terminator may be copied as well, all within
// `room`. Every value
// must be a character index, since the classifier counts votes by index, and
// the terminator must lie inside the image within the first `room` values;
// 0 otherwise. Works four values at a time: lists are a few dozen values
// long, and loading reads millions.
size_t CopyList(const std::vector<uint8_t>& image, size_t at, size_t room, CharIndex* to) {
  const uint8_t* from = image.data() + at;
  const size_t limit = std::min((image.size() - at) / sizeof(CharIndex), room);
  size_t n = 0;
  for (; n + kWordValues <= limit; n += kWordValues) {
    const uint64_t word = platform::GetLe64(from + n * sizeof(CharIndex));
    std::memcpy(to + n, from + n * sizeof(CharIndex), sizeof word);
    const uint64_t aboveMax = AboveMaxLanes(word);
    const uint64_t end = aboveMax | ZeroLanes(word);
    if (end == 0) continue;
    const int lane = std::countr_zero(end) / 16;
    return (aboveMax >> (lane * 16)) & 0x8000 ? 0 : n + lane + 1;  // the first lane decides
  }
  for (; n < limit; ++n) {
    const uint16_t value = platform::GetLe16(from + n * sizeof(CharIndex));
    std::memcpy(to + n, from + n * sizeof(CharIndex), sizeof(CharIndex));
    if (value == 0) return n + 1;
    if (value > kMaxCharIndex) return 0;
  }
  return 0;
}

// Parses a table file image into packed lists; false for a file that is
// short or inconsistent. The lists of a file may hold no more values in all
// than the file does: their room is allocated at once, and what the slots'
// padding and the index leave of it is never touched, so it takes no memory.
bool ParseTable(const std::vector<uint8_t>& image, Table& table) {
  if (image.size() < kIndexBytes) return false;
  const size_t blockSize = image.size() - kIndexBytes;
  // Everything after the filler byte.
  const size_t maxValues = blockSize > 0 ? (blockSize - 1) / sizeof(CharIndex) : 0;
  table.Loaded = std::make_unique_for_overwrite<CharIndex[]>(maxValues);
  table.Offsets.resize(kFeatureIndexCount + 1);
  size_t total = 0;
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    table.Offsets[static_cast<size_t>(i)] = static_cast<uint32_t>(total);
    const uint32_t offset = platform::GetLe32(image.data() + i * sizeof(uint32_t));
    if (offset == 0) continue;
    if (offset >= blockSize || (offset - 1) % kSlotGroupBytes != 0) return false;
    const size_t n = CopyList(image, kIndexBytes + offset, maxValues - total, table.Loaded.get() + total);
    if (n == 0) return false;
    total += n;
  }
  table.Offsets[kFeatureIndexCount] = static_cast<uint32_t>(total);
  platform::LittleEndianToHost(table.Loaded.get(), total);
  table.Packed = table.Loaded.get();
  return true;
}

// The list of a table at a feature index from its packed form: the values up
// to the terminator, or nullptr.
const CharIndex* PackedList(const Table& table, int32_t featureIndex) {
  if (table.Offsets.empty()) return nullptr;
  const uint32_t start = table.Offsets[static_cast<size_t>(featureIndex)];
  return start == table.Offsets[static_cast<size_t>(featureIndex) + 1] ? nullptr : table.Packed + start;
}

// The list at a feature index as the table holds it now: from the slots when
// learning has built them, else packed.
const CharIndex* CurrentList(const Table& table, int32_t featureIndex) {
  if (table.Slots.empty()) return PackedList(table, featureIndex);
  const ListSlot& slot = table.Slots[static_cast<size_t>(featureIndex)];
  return slot.empty() ? nullptr : slot.data();
}

size_t LengthOf(const CharIndex* list) {
  size_t n = 0;
  while (list[n] != 0) ++n;
  return n;
}

std::vector<uint8_t> TableImage(const Table& table) {
  std::vector<uint8_t> image(kIndexBytes, 0);
  image.push_back(kFillerByte);
  uint32_t offset = 1;
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    const CharIndex* list = CurrentList(table, i);
    if (list == nullptr) continue;
    const size_t length = LengthOf(list);
    const size_t values = SlotValuesFor(length);
    for (size_t k = 0; k < values; ++k) platform::AppendLe16(image, k < length ? list[k] : 0);
    platform::PutLe32(image.data() + i * sizeof(uint32_t), offset);
    offset += static_cast<uint32_t>(values * sizeof(CharIndex));
  }
  return image;
}

// The slots of a table, built from its packed lists.
void BuildSlots(Table& table) {
  table.Slots.assign(kFeatureIndexCount, ListSlot());
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    const CharIndex* list = PackedList(table, i);
    if (list == nullptr) continue;
    const size_t length = LengthOf(list);
    ListSlot& slot = table.Slots[static_cast<size_t>(i)];
    slot.assign(SlotValuesFor(length), 0);
    std::copy(list, list + length, slot.begin());
  }
}

// The packed lists of a table, rebuilt from its slots. Loading and learning
// admit only valid indices; the check keeps the classifier's vote table safe
// from any other slot content all the same.
void Pack(Table& table) {
  table.Offsets.resize(kFeatureIndexCount + 1);
  table.Values.clear();
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    table.Offsets[static_cast<size_t>(i)] = static_cast<uint32_t>(table.Values.size());
    const ListSlot& slot = table.Slots[static_cast<size_t>(i)];
    if (slot.empty()) continue;
    const auto end = slot.begin() + static_cast<std::ptrdiff_t>(ListLength(slot));
    std::copy_if(slot.begin(), end, std::back_inserter(table.Values),
                 [](CharIndex c) { return c <= kMaxCharIndex; });
    table.Values.push_back(0);
  }
  table.Offsets[kFeatureIndexCount] = static_cast<uint32_t>(table.Values.size());
  table.Packed = table.Values.data();
  table.Loaded.reset();
  table.PackedValid = true;
}

// The table with its packed lists up to date.
const Table& PackedTableOf(int32_t table) {
  Table& t = Tables()[static_cast<size_t>(table)];
  if (!t.PackedValid) Pack(t);
  return t;
}

// The offsets of a table without lists: every index occupies nothing.
const std::vector<uint32_t>& EmptyOffsets() {
  static const std::vector<uint32_t> offsets(kFeatureIndexCount + 1, 0);
  return offsets;
}

// Empties a table; its version goes on counting.
void ResetTable(Table& table) {
  const uint64_t version = table.Version + 1;
  table = Table{};
  table.Version = version;
}

}  // namespace

size_t ListLength(const ListSlot& slot) {
  size_t n = 0;
  while (n < slot.size() && slot[n] != 0) ++n;
  return n;
}

ListSlot& LibrarySlot(int32_t table, int32_t featureIndex) {
  Table& t = Tables()[static_cast<size_t>(table)];
  if (t.Slots.empty()) BuildSlots(t);
  t.PackedValid = false;
  ++t.Version;
  return t.Slots[static_cast<size_t>(featureIndex)];
}

const CharIndex* SlotList(int32_t table, int32_t featureIndex) {
  return CurrentList(Tables()[static_cast<size_t>(table)], featureIndex);
}

const CharIndex* LibraryList(int32_t table, int32_t featureIndex) {
  return PackedList(PackedTableOf(table), featureIndex);
}

PackedLists LibraryLists(int32_t table) {
  const Table& t = PackedTableOf(table);
  if (t.Offsets.empty()) return {EmptyOffsets().data(), nullptr};
  return {t.Offsets.data(), t.Packed};
}

uint64_t TableVersion(int32_t table) {
  return Tables()[static_cast<size_t>(table)].Version;
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
  // Each table is parsed as soon as it is read, while its bytes are in the
  // caches and in the memory the next table is read to; the first damaged one
  // fails the load once the folder is read.
  std::vector<Table> loaded(kTableCount);
  int32_t damaged = -1;
  const TableVisitor parse = [&](int32_t t, std::vector<uint8_t>* bytes) {
    if (damaged >= 0) return;
    if (progress) (*progress)(t);
    if (bytes && !ParseTable(*bytes, loaded[static_cast<size_t>(t)])) damaged = t;
  };
  switch (ReadLibraryFolder(ProgramFolder(), parse, problem)) {
    case FolderRead::Read:
      break;
    case FolderRead::NoLibraryFiles:
      if (!progress && problem) *problem = "no library files";
      return progress != nullptr;
    case FolderRead::Failed:
      return false;
  }
  if (damaged >= 0) {
    if (problem) *problem = TableFileName(damaged) + " is damaged";
    return false;
  }
  for (int32_t t = 0; t < kTableCount; ++t) {
    Table& table = Tables()[static_cast<size_t>(t)];
    loaded[static_cast<size_t>(t)].Version = table.Version + 1;
    table = std::move(loaded[static_cast<size_t>(t)]);
  }
  return true;
}

SaveResult SaveLibrary(bool write, SaveMode mode, std::string* problem) {
  if (write) {
    TableImages images(kTableCount);
    for (int32_t t = 0; t < kTableCount; ++t) images[t] = TableImage(Tables()[static_cast<size_t>(t)]);
    const SaveResult saved = WriteLibraryFolder(ProgramFolder(), images, mode, problem);
    if (saved == SaveResult::Failed) platform::ShowNotice(kSaveError);
    if (saved != SaveResult::Saved) return saved;
  }
  ClearLibrary();
  UnlockLibraryForLearning();
  return SaveResult::Saved;
}

void ClearLibrary() {
  for (Table& table : Tables()) ResetTable(table);
}

bool LibraryEmpty() {
  for (int32_t t = 0; t < kTableCount; ++t) {
    const PackedLists lists = LibraryLists(t);
    const CharIndex* end = lists.Values + lists.Offsets[kFeatureIndexCount];
    if (std::any_of(lists.Values, end, [](CharIndex c) { return c != 0; })) return false;
  }
  return true;
}

TableStats StatsOfTable(int32_t table) {
  TableStats stats;
  const Table& t = Tables()[static_cast<size_t>(table)];
  for (int32_t i = 0; i < kFeatureIndexCount; ++i) {
    const CharIndex* list = CurrentList(t, i);
    if (list == nullptr) continue;
    const auto length = static_cast<int32_t>(LengthOf(list));
    ++stats.Lists;
    stats.Entries += length;
    stats.LongestList = std::max(stats.LongestList, length);
  }
  return stats;
}

}  // namespace library
