// Word.Dat: record lookup, the predecessor transform, and rejection of files
// whose index or records do not fit.
#include <gtest/gtest.h>

#include <filesystem>

#include "library/CharIndex.h"
#include "library/WordPairs.h"
#include "platform/FileIo.h"
#include "support/LibraryFixtures.h"

using library::kWordPairIndexBytes;

namespace {

constexpr core::CharCode kZhong = core::MakeCode(0xD6, 0xD0);  // 中
constexpr core::CharCode kGuo = core::MakeCode(0xB9, 0xFA);    // 国

// A file with one record for 中 right after the index and `pad` bytes.
std::vector<uint8_t> OneRecordFile(const std::vector<uint16_t>& record, size_t pad = 0) {
  std::vector<uint8_t> data(kWordPairIndexBytes + pad, 0);
  const uint32_t entry = static_cast<uint32_t>(data.size() + kZhong);
  for (int i = 0; i < 4; ++i) data[kZhong * 4u + i] = static_cast<uint8_t>(entry >> (8 * i));
  for (uint16_t w : record) data.insert(data.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)});
  return data;
}

// A file with one record per character, one after another after the index.
std::vector<uint8_t> RecordsFile(
    const std::vector<std::pair<core::CharCode, std::vector<uint16_t>>>& records) {
  std::vector<uint8_t> data(kWordPairIndexBytes, 0);
  for (const auto& [code, record] : records) {
    const uint32_t entry = static_cast<uint32_t>(data.size() + code);
    for (int i = 0; i < 4; ++i) data[code * 4u + i] = static_cast<uint8_t>(entry >> (8 * i));
    for (uint16_t w : record)
      data.insert(data.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)});
  }
  return data;
}

}  // namespace

TEST(WordPairs, APairIsNamedAbsentFromAListWithRoomOrUnknownBetweenFullLists) {
  constexpr core::CharCode kZhou = core::MakeCode(0xD6, 0xDC);  // 周
  constexpr core::CharCode kSan = core::MakeCode(0xC8, 0xFD);   // 三
  constexpr core::CharCode kWang = core::MakeCode(0xCD, 0xF5);  // 王
  using library::PairKnowledge;
  // The longest lists of the file hold one character: 周's successors (王)
  // and 三's predecessors (国); 王's lists are empty.
  ASSERT_TRUE(library::SetWordPairData(RecordsFile({
      {kZhou, {1, 2, library::CodeToIndex(kWang)}},
      {kSan, {2, library::EncodePredecessor(kGuo), 1}},
      {kWang, {1, 1}},
  })));
  EXPECT_EQ(library::KnowPair(kZhou, kWang), PairKnowledge::Named);
  EXPECT_EQ(library::KnowPair(kGuo, kSan), PairKnowledge::Named) << "from the predecessors of the second";
  EXPECT_EQ(library::KnowPair(kZhou, kSan), PairKnowledge::Unknown) << "both lists are full";
  EXPECT_EQ(library::KnowPair(kWang, kSan), PairKnowledge::Absent) << "王 kept every successor";
  EXPECT_EQ(library::KnowPair(kZhong, kSan), PairKnowledge::Absent) << "中 has no record at all";
  library::SetWordPairData({});
}

TEST(WordPairs, TransformAndLookupAtEvenAndOddOffsets) {
  for (uint32_t v = 0; v < 65536; ++v) {
    ASSERT_EQ(library::DecodePredecessor(library::EncodePredecessor(static_cast<uint16_t>(v))), v);
  }
  EXPECT_EQ(library::EncodePredecessor(0x8001), 0xFFF3);  // rotate left by 3, complement

  for (size_t pad : {0, 1}) {
    ASSERT_TRUE(
        library::SetWordPairData(OneRecordFile({2, library::EncodePredecessor(kGuo), 3, 4000, 4001}, pad)));
    const uint16_t* record = library::WordPairRecord(kZhong);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(library::DecodePredecessor(record[1]), kGuo);
    EXPECT_EQ(record[2], 3);
    EXPECT_EQ(record[4], 4001);
    EXPECT_EQ(library::WordPairRecord(kGuo), nullptr);
  }
}

TEST(WordPairs, InconsistentFilesAreRejected) {
  std::vector<uint8_t> entryBelowCode(kWordPairIndexBytes + 4, 0);
  entryBelowCode[kZhong * 4u] = 1;
  std::vector<uint8_t> oddCut = OneRecordFile({1}, 1);
  oddCut.pop_back();
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"index cut short", std::vector<uint8_t>(kWordPairIndexBytes - 1, 0)},
      {"entry smaller than the code", entryBelowCode},
      {"record offset at the end", OneRecordFile({})},
      {"predecessors past the end", OneRecordFile({5, 1, 2})},
      {"successor count word missing", OneRecordFile({2, 1})},
      {"successors past the end", OneRecordFile({1, 4, 7})},
      {"odd record cut inside a word", oddCut},
  };
  testing_support::ScratchFolder folder;
  for (const auto& [what, data] : cases) {
    ASSERT_TRUE(library::SetWordPairData(OneRecordFile({1, 1})));
    EXPECT_FALSE(library::SetWordPairData(data)) << what;
    EXPECT_EQ(library::WordPairRecord(kZhong), nullptr) << what;
    testing_support::WriteBytes(folder.File("Word.Dat"), data);
    EXPECT_FALSE(library::LoadWordPairsFrom(folder.File("Word.Dat"))) << what;
  }
  EXPECT_FALSE(library::LoadWordPairsFrom(folder.File("missing")));
  // Count words of 0 and 1 are empty lists; an index of zeros has no context.
  EXPECT_TRUE(library::SetWordPairData(OneRecordFile({0})));
  EXPECT_TRUE(library::SetWordPairData(OneRecordFile({1, 0})));
  testing_support::WriteBytes(folder.File("Word.Dat"), std::vector<uint8_t>(kWordPairIndexBytes, 0));
  EXPECT_TRUE(library::LoadWordPairsFrom(folder.File("Word.Dat")));
  EXPECT_EQ(library::WordPairRecord(kZhong), nullptr);
}

// A file larger than any real Word.Dat, or one that is not a regular file, is
// refused before anything is read into memory.
TEST(WordPairs, HugeAndSpecialFilesAreRefused) {
  testing_support::ScratchFolder folder;
  const std::string huge = folder.File("Word.Dat");
  testing_support::WriteBytes(huge, std::vector<uint8_t>(kWordPairIndexBytes, 0));
  std::filesystem::resize_file(huge, platform::kMaxDataFileBytes + 1);  // sparse: zeros, no context
  std::string problem;
  EXPECT_FALSE(library::LoadWordPairsFrom(huge, &problem));
  EXPECT_EQ(problem.rfind("the file is larger than", 0), 0u) << problem;
  const std::string device = folder.File("device");
  std::filesystem::create_symlink("/dev/zero", device);
  EXPECT_FALSE(library::LoadWordPairsFrom(device, &problem));
  EXPECT_EQ(problem, "not a regular file");
}
