// Library files: exact bytes of saved tables, the loading rules, rejection of
// damaged files, and saving that never loses the old files.
#include <gtest/gtest.h>

#include <filesystem>

#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "platform/FileIo.h"
#include "support/LibraryFixtures.h"

using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

constexpr size_t kIndexBytes = 62500;
constexpr size_t kSlots = kIndexBytes + 1;  // after the filler byte

// A table file whose index names one list at `offset` for feature index 7.
std::vector<uint8_t> TableFile(uint32_t offset, const std::vector<uint16_t>& values) {
  std::vector<uint8_t> bytes(kSlots, 0);
  for (int i = 0; i < 4; ++i) bytes[7 * 4 + i] = static_cast<uint8_t>(offset >> (8 * i));
  for (uint16_t v : values)
    bytes.insert(bytes.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  return bytes;
}

class TemplateLibraryTest : public testing_support::LibraryTest {
 protected:
  void AddRun(int32_t table, int32_t featureIndex, int32_t count) {
    testing_support::TeachRun(table, featureIndex, count);
  }
  std::string TablePath(int32_t t) { return testing_support::TablePath(folder.Path(), t); }
};

}  // namespace

TEST_F(TemplateLibraryTest, SavedTablesAreByteExactAndLoadBack) {
  AddRun(0, 3, 5);                                                   // 5 characters: one 12-byte slot
  AddRun(0, 10, 6);                                                  // 6 characters: 24 bytes
  library::LibrarySlot(0, 20).assign(library::kSlotGroupValues, 0);  // present, empty
  ASSERT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  EXPECT_EQ(library::LibraryList(0, 3), nullptr);  // saving releases the library

  std::vector<uint8_t> expected(kSlots, 0);
  for (auto [index, offset] : {std::pair{3, 1}, {10, 13}, {20, 37}}) expected[index * 4] = offset;
  for (int k = 0; k < 5; ++k) expected.insert(expected.end(), {static_cast<uint8_t>(27 + k), 1});
  expected.insert(expected.end(), 2, 0);
  for (int k = 0; k < 6; ++k) expected.insert(expected.end(), {static_cast<uint8_t>(27 + k), 1});
  expected.insert(expected.end(), 12 + 12, 0);
  EXPECT_EQ(ReadBytes(TablePath(0)), expected);
  EXPECT_EQ(ReadBytes(TablePath(31)), std::vector<uint8_t>(kSlots, 0));
  EXPECT_FALSE(std::filesystem::exists(testing_support::TemporaryNameOf(TablePath(0))));

  std::vector<int32_t> positions;
  const library::LoadProgress progress = [&](int32_t position) { positions.push_back(position); };
  ASSERT_TRUE(library::LoadLibrary(&progress));
  EXPECT_EQ(positions.back(), 31);
  const library::CharIndex* list = library::LibraryList(0, 10);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list[5], 288);
  EXPECT_EQ(list[6], 0);
  ASSERT_NE(library::LibraryList(0, 20), nullptr);
  EXPECT_EQ(library::LibraryList(0, 20)[0], 0);
  const library::TableStats stats = library::StatsOfTable(0);
  EXPECT_EQ(stats.Lists, 3);
  EXPECT_EQ(stats.Entries, 11);
  EXPECT_EQ(stats.LongestList, 6);

  // A loaded list goes on growing in 12-byte steps: 12 characters take 36 bytes.
  AddRun(0, 10, 6);
  ASSERT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  EXPECT_EQ(ReadBytes(TablePath(0)).size(), kSlots + 12 + 36 + 12);
}

TEST_F(TemplateLibraryTest, OnlyTheFirstTenFileNamesDecideAboutAnEmptyLibrary) {
  AddRun(12, 9, 3);
  ASSERT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  for (int32_t t = 0; t < 10; ++t) std::filesystem::remove(TablePath(t));
  const library::LoadProgress progress = [](int32_t) {};
  ASSERT_TRUE(library::LoadLibrary(&progress));
  EXPECT_EQ(library::LibraryList(12, 9), nullptr);
  EXPECT_FALSE(library::LoadLibrary(nullptr));

  // One of the first ten present (index and filler only): the rest loads,
  // missing tables stay empty.
  WriteBytes(TablePath(4), std::vector<uint8_t>(kSlots, 0));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_EQ(library::StatsOfTable(12).Entries, 3);
  EXPECT_EQ(library::StatsOfTable(4).Lists, 0);
}

TEST_F(TemplateLibraryTest, DamagedFilesAreRejected) {
  WriteBytes(TablePath(3), TableFile(1, {283, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  std::vector<uint8_t> halfValue = TableFile(1, {283});
  halfValue.push_back(0);
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"index cut short", std::vector<uint8_t>(kIndexBytes - 1, 0)},
      {"offset past the block", TableFile(13, {283, 0, 0, 0, 0, 0})},
      {"huge offset", TableFile(0xFFFFFFFDu, {283, 0, 0, 0, 0, 0})},
      {"offset off a slot boundary", TableFile(3, {283, 0, 0, 0, 0, 0, 0})},
      {"no terminator in the block", TableFile(1, {283, 284, 285})},
      {"block ends inside a value", halfValue},
      {"value that is no character index", TableFile(1, {15887, 0, 0, 0, 0, 0})},
  };
  for (const auto& [what, bytes] : cases) {
    WriteBytes(TablePath(3), bytes);
    EXPECT_FALSE(library::LoadLibrary(nullptr)) << what;
    EXPECT_EQ(library::LibraryList(3, 7), nullptr) << what;
  }
}

// Lists may claim no more than the file holds: offsets all pointing at one
// long list are refused, as are a file larger than any real table and one
// that is not a regular file, before their lists are allocated.
TEST_F(TemplateLibraryTest, TablesClaimingMoreThanTheyHoldAreRefused) {
  std::vector<uint16_t> longList(1000);
  for (size_t k = 0; k < longList.size(); ++k) longList[k] = static_cast<uint16_t>(283 + k);
  longList.push_back(0);
  longList.resize(1002, 0);  // the slot of 1000 characters: 167 groups of six values
  std::vector<uint8_t> shared = TableFile(1, longList);
  WriteBytes(TablePath(0), shared);
  ASSERT_TRUE(library::LoadLibrary(nullptr));  // one index entry: fine
  EXPECT_EQ(library::StatsOfTable(0).Entries, 1000);
  for (int i = 0; i < library::kFeatureIndexCount; ++i) shared[i * 4] = 1;
  WriteBytes(TablePath(0), shared);
  std::string problem;
  EXPECT_FALSE(library::LoadLibrary(nullptr, &problem));
  EXPECT_EQ(problem, "ZEZID.D00 is damaged");

  WriteBytes(TablePath(0), std::vector<uint8_t>(kSlots, 0));
  std::filesystem::resize_file(TablePath(0), platform::kMaxDataFileBytes + 1);
  EXPECT_FALSE(library::LoadLibrary(nullptr, &problem));
  EXPECT_EQ(problem, "ZEZID.D00: the file is too large");

  WriteBytes(TablePath(0), std::vector<uint8_t>(kSlots, 0));
  std::filesystem::create_symlink("/dev/zero", TablePath(5));
  EXPECT_FALSE(library::LoadLibrary(nullptr, &problem));
  EXPECT_EQ(problem, "ZEZID.D05: not a regular file");
}

TEST_F(TemplateLibraryTest, EmptyLibraryIsTold) {
  EXPECT_TRUE(library::LibraryEmpty());
  library::LibrarySlot(4, 20).assign(library::kSlotGroupValues, 0);  // a list without characters
  EXPECT_TRUE(library::LibraryEmpty());
  AddRun(31, 15624, 1);
  EXPECT_FALSE(library::LibraryEmpty());
  ASSERT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  EXPECT_TRUE(library::LibraryEmpty());  // released by the save
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_FALSE(library::LibraryEmpty());
}

TEST_F(TemplateLibraryTest, SavingNeverLosesTheOldFiles) {
  AddRun(2, 100, 3);
  ASSERT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  const auto before = ReadBytes(TablePath(2));
  const auto time = std::filesystem::last_write_time(TablePath(2));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  AddRun(2, 200, 9);
  EXPECT_EQ(library::SaveLibrary(false), library::SaveResult::Saved);
  EXPECT_EQ(std::filesystem::last_write_time(TablePath(2)), time);
  EXPECT_TRUE(ui.Messages.empty());

  ASSERT_TRUE(library::LoadLibrary(nullptr));
  AddRun(2, 200, 9);
  // The temporary file cannot be created where a folder of its name stands.
  std::filesystem::create_directory(testing_support::TemporaryNameOf(TablePath(2)));
  EXPECT_EQ(library::SaveLibrary(true), library::SaveResult::Failed);
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, "保存出错!");
  EXPECT_EQ(ReadBytes(TablePath(2)), before);
  // The library is still in memory and is saved once the way is clear.
  std::filesystem::remove(testing_support::TemporaryNameOf(TablePath(2)));
  EXPECT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  EXPECT_EQ(ReadBytes(TablePath(2)).size(), kSlots + 12 + 24);
}

TEST(ProgramFolder, ExecutableFolderHoldsTheTestProgram) {
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(library::ExecutableFolder()) / "test_library"));
}

TEST_F(TemplateLibraryTest, LoadedTablesAnswerWithoutSlotsAndTellTheirChanges) {
  AddRun(6, 50, 7);
  ASSERT_EQ(library::SaveLibrary(true), library::SaveResult::Saved);
  const uint64_t cleared = library::TableVersion(6);
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  const uint64_t loaded = library::TableVersion(6);
  EXPECT_NE(loaded, cleared);

  // Reading, counting and checking membership build no slots and change nothing.
  const library::CharIndex* stored = library::SlotList(6, 50);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored, library::LibraryList(6, 50));
  EXPECT_EQ(stored[6], 289);
  EXPECT_EQ(stored[7], 0);
  EXPECT_EQ(library::StatsOfTable(6).Entries, 7);
  EXPECT_EQ(library::TableVersion(6), loaded);

  // Learning changes the table: its version moves, the lists follow; the
  // other tables keep theirs.
  const uint64_t other = library::TableVersion(7);
  library::LibraryAdd(6, 50, library::IndexToCode(400));
  EXPECT_NE(library::TableVersion(6), loaded);
  EXPECT_EQ(library::TableVersion(7), other);
  EXPECT_EQ(library::LibraryList(6, 50)[7], 400);
  EXPECT_EQ(library::SlotList(6, 50)[7], 400);
  EXPECT_EQ(library::StatsOfTable(6).Entries, 8);
  const uint64_t learned = library::TableVersion(6);
  library::ClearLibrary();
  EXPECT_NE(library::TableVersion(6), learned);
  EXPECT_EQ(library::LibraryList(6, 50), nullptr);
}

namespace {

// A table file with the given index entries (feature index, offset) and the
// given values after the filler byte, slots and padding as they are.
std::vector<uint8_t> TableFileWith(const std::vector<std::pair<int32_t, uint32_t>>& index,
                                   const std::vector<uint16_t>& values) {
  std::vector<uint8_t> bytes = TableFile(0, values);
  for (const auto& [featureIndex, offset] : index)
    for (int i = 0; i < 4; ++i) bytes[featureIndex * 4 + i] = static_cast<uint8_t>(offset >> (8 * i));
  return bytes;
}

// The offset of value `k` after the filler byte.
uint32_t OffsetOfValue(size_t k) {
  return static_cast<uint32_t>(1 + 2 * k);
}

// What the classifier reads of a list: its extent in the packed lists.
std::vector<uint16_t> ReadByClassifier(int32_t table, int32_t featureIndex) {
  const library::PackedLists lists = library::LibraryLists(table);
  return {lists.Values + lists.Offsets[featureIndex], lists.Values + lists.Offsets[featureIndex + 1]};
}

}  // namespace

// Offsets may point at the lists in any order, several at one list, into a
// later slot of a longer list, and at a list that ends with the file; the
// classifier sees each list up to its terminator and never the padding.
TEST_F(TemplateLibraryTest, ListsAreReadWhereverTheOffsetsPointAndWithoutTheirPadding) {
  std::vector<uint16_t> values = {300, 301, 302, 0, 0, 0};                 // slot 0: three characters
  values.insert(values.end(), {400, 401, 402, 403, 404, 405, 406, 0});     // slot 1: seven characters
  values.insert(values.end(), {15887, 0xFFFF, 9, 1});                      // and padding that is no list
  values.insert(values.end(), {500, 501, 502, 503, 504, 505, 506, 507, 508, 509, 0});  // ends with the file
  WriteBytes(TablePath(9), TableFileWith({{0, OffsetOfValue(18)},  // the last list first
                                          {1, OffsetOfValue(0)},
                                          {2, OffsetOfValue(6)},
                                          {3, OffsetOfValue(0)},     // the list of index 1 again
                                          {4, OffsetOfValue(12)}},   // the second slot of index 2's list
                                         values));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_EQ(ReadByClassifier(9, 0), (std::vector<uint16_t>{500, 501, 502, 503, 504, 505, 506, 507, 508, 509, 0}));
  EXPECT_EQ(ReadByClassifier(9, 1), (std::vector<uint16_t>{300, 301, 302, 0}));
  EXPECT_EQ(ReadByClassifier(9, 2), (std::vector<uint16_t>{400, 401, 402, 403, 404, 405, 406, 0}));
  EXPECT_EQ(ReadByClassifier(9, 3), ReadByClassifier(9, 1));
  EXPECT_EQ(ReadByClassifier(9, 4), (std::vector<uint16_t>{406, 0}));
  EXPECT_TRUE(ReadByClassifier(9, 5).empty());
  EXPECT_EQ(library::LibraryList(9, 2)[7], 0);
  EXPECT_EQ(library::StatsOfTable(9).Entries, 10 + 3 + 7 + 3 + 1);

  // The last list without its terminator runs out of the file.
  values.pop_back();
  WriteBytes(TablePath(9), TableFileWith({{0, OffsetOfValue(18)}}, values));
  EXPECT_FALSE(library::LoadLibrary(nullptr));
}

// Lists of every length end at their terminator, and a value above the
// largest character index is refused at every place in a list; the largest
// index itself is a character.
TEST_F(TemplateLibraryTest, EveryPlaceInAListIsChecked) {
  std::vector<uint16_t> values;
  std::vector<std::pair<int32_t, uint32_t>> index;
  for (int32_t length = 0; length < 14; ++length) {
    index.push_back({length, OffsetOfValue(values.size())});
    const size_t slot = library::SlotValuesFor(static_cast<size_t>(length));
    for (size_t k = 0; k < slot; ++k)
      values.push_back(k < static_cast<size_t>(length) ? static_cast<uint16_t>(1000 + k) : 0);
  }
  WriteBytes(TablePath(2), TableFileWith(index, values));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  for (int32_t length = 0; length < 14; ++length) {
    const std::vector<uint16_t> list = ReadByClassifier(2, length);
    ASSERT_EQ(list.size(), static_cast<size_t>(length) + 1) << length;
    EXPECT_EQ(list.back(), 0) << length;
  }

  const int32_t longest = 13;
  const size_t first = index[longest].second / 2;  // its first value
  for (int32_t place = 0; place < longest; ++place) {
    for (const uint16_t value : {uint16_t{library::kMaxCharIndex}, uint16_t{15887}, uint16_t{0x8000},
                                 uint16_t{0xFFFF}}) {
      std::vector<uint16_t> changed = values;
      changed[first + static_cast<size_t>(place)] = value;
      WriteBytes(TablePath(2), TableFileWith(index, changed));
      EXPECT_EQ(library::LoadLibrary(nullptr), value == library::kMaxCharIndex) << place << " " << value;
    }
  }
}

// The lists of a file may hold as many values as the file, not one more,
// however the offsets share them.
TEST_F(TemplateLibraryTest, SharedListsMayFillTheFileExactly) {
  const std::vector<uint16_t> slot = {700, 701, 0, 0, 0, 0};  // a file of six values
  WriteBytes(TablePath(1), TableFileWith({{5, 1}, {6, 1}}, slot));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_EQ(ReadByClassifier(1, 6), (std::vector<uint16_t>{700, 701, 0}));
  WriteBytes(TablePath(1), TableFileWith({{5, 1}, {6, 1}, {7, 1}}, slot));
  EXPECT_FALSE(library::LoadLibrary(nullptr));

  const std::vector<uint16_t> full = {700, 701, 702, 703, 704, 0};
  WriteBytes(TablePath(1), TableFileWith({{5, 1}}, full));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_EQ(library::StatsOfTable(1).Entries, 5);
  WriteBytes(TablePath(1), TableFileWith({{5, 1}, {6, OffsetOfValue(6)}}, {700, 701, 702, 703, 704, 0, 800, 0}));
  ASSERT_TRUE(library::LoadLibrary(nullptr));
  EXPECT_EQ(ReadByClassifier(1, 6), (std::vector<uint16_t>{800, 0}));
}
