// Ground-truth files: the bytes SaveGroundTruth writes, learning a page from
// ".RED" and ".REC" files, and every failure message.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/EngineState.h"
#include "engine/ResultFiles.h"
#include "engine/ResultList.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "support/LibraryFixtures.h"

using core::MakeCode;
using testing_support::Gbk;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

constexpr core::CharCode kZi = MakeCode(0xD7, 0xD6);     // 字
constexpr core::CharCode kFullA = MakeCode(0xA3, 0xC1);  // Ａ
constexpr size_t kRedRecord = 23;

void PutLe32(std::vector<uint8_t>& out, int32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
}
int32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                              static_cast<uint32_t>(bytes[at + 3]) << 24);
}

struct Record {
  uint8_t Lead, Trail;
  int32_t Left, Top, Right, Bottom;
};

// A ".RED" file (header, cut sides and reserved 0) or, with `red` false, the
// older ".REC" form of the same records.
std::vector<uint8_t> GroundTruthFile(const std::vector<Record>& records, bool red = true) {
  std::vector<uint8_t> bytes;
  if (red) PutLe32(bytes, -1);
  for (const Record& r : records) {
    bytes.insert(bytes.end(), {r.Lead, r.Trail});
    for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom}) PutLe32(bytes, v);
    if (red) bytes.insert(bytes.end(), 5, 0);
  }
  return bytes;
}
std::vector<uint8_t> RedFile(const std::vector<Record>& records) {
  return GroundTruthFile(records);
}
std::vector<uint8_t> RecFile(const std::vector<Record>& records) {
  return GroundTruthFile(records, false);
}

class ResultFilesTest : public testing_support::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // A page with three glyph-like cells: a bar, a cross and a frame.
    engine::PageWidth = 128;
    engine::PageHeight = 40;
    engine::RowBytes = 16;
    engine::InkValue = 1;
    engine::PageBits.assign(engine::RowBytes * engine::PageHeight, 0);
    for (int32_t y = 5; y <= 30; ++y) {
      for (int32_t x = 10; x <= 13; ++x) engine::SetBit(engine::PageBits, x, y, 1);
      engine::SetBit(engine::PageBits, 50, y, 1);
      engine::SetBit(engine::PageBits, 80, y, 1);
      engine::SetBit(engine::PageBits, 100, y, 1);
    }
    for (int32_t x = 38; x <= 62; ++x) engine::SetBit(engine::PageBits, x, 17, 1);
    for (int32_t x = 80; x <= 100; ++x) {
      engine::SetBit(engine::PageBits, x, 5, 1);
      engine::SetBit(engine::PageBits, x, 30, 1);
    }
    engine::ScanBits = engine::PageBits;
    engine::Job = engine::RunJob{};
    engine::Job.Left = 0;
    engine::Job.Top = 0;
    engine::Job.Right = engine::PageWidth - 1;
    engine::Job.Bottom = engine::PageHeight - 1;
    engine::Job.CharMap = &charMap;
    engine::Job.RichEdit = &pane;
    engine::Job.FileName = folder.File("page.bmp");
    engine::FreePageLines();
  }
  void TearDown() override {
    engine::FreePageLines();
    engine::LineBlocks = nullptr;
    engine::Job = engine::RunJob{};
    LibraryTest::TearDown();
  }
  // Every character of the map is stored under its block's feature words.
  void ExpectTaught(core::CharBlock* block, core::CharCode code) {
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Codes[0], code);
    EXPECT_EQ(block->Scores[0], core::CertainScore);
    for (int32_t i = 0; i < core::kFeatureWords; ++i) {
      const int32_t index = library::FeatureWordToIndex(block->Features[i]);
      EXPECT_GE(library::FindInList(code, library::LibraryList(i, index)), 0) << i;
    }
  }
  std::string Red() { return engine::Job.FileName + ".RED"; }
  std::string Rec() { return engine::Job.FileName + ".REC"; }

  const std::vector<Record> page = {
      {0xA3, 0xC1, 10, 5, 13, 30}, {0xD7, 0xD6, 38, 5, 62, 30}, {'a', 'b', 80, 5, 100, 30}};
  core::CharMapList charMap;
  platform::HeadlessPane pane;
};

core::CharBlock* NewBlock(core::CharCode code, int32_t left, uint8_t cutSides) {
  core::CharBlock* b = engine::NewBlock();
  b->Codes[0] = code;
  b->Left = left;
  b->Right = left + 9;
  b->Top = 3;
  b->Bottom = 20;
  b->CutSides = cutSides;
  return b;
}

}  // namespace

TEST_F(ResultFilesTest, SaveWritesFullWidthRecordsAndSkipsBlanks) {
  auto* line =
      new core::BlockList{NewBlock(core::AsciiCode('A'), 10, 0), NewBlock(core::AsciiCode(' '), 20, 0),
                          NewBlock(0, 30, 0), NewBlock(kZi, 40, core::kCutRight)};
  auto* second = new core::BlockList{NewBlock(core::AsciiPairCode('a', 'b'), 60, 0)};
  engine::PageLines = {line, second};
  ASSERT_TRUE(engine::SaveGroundTruth(engine::Job.FileName));
  const std::vector<uint8_t> bytes = ReadBytes(Red());
  ASSERT_EQ(bytes.size(), 4 + 3 * kRedRecord);
  EXPECT_EQ(Le32(bytes, 0), -1);
  EXPECT_EQ(bytes[4], 0xA3);
  EXPECT_EQ(bytes[5], 0xC1);
  EXPECT_EQ(Le32(bytes, 6), 10);                                // left
  EXPECT_EQ(Le32(bytes, 10), 3);                                // top
  EXPECT_EQ(Le32(bytes, 14), 19);                               // right
  EXPECT_EQ(Le32(bytes, 18), 20);                               // bottom
  EXPECT_EQ(Le32(bytes, 4 + kRedRecord), 0xD6D7 + (40 << 16));  // 字, then Left = 40
  EXPECT_EQ(bytes[4 + kRedRecord + 18], core::kCutRight);
  EXPECT_EQ(Le32(bytes, 4 + kRedRecord + 19), 0);
  EXPECT_EQ(bytes[4 + 2 * kRedRecord], 'a');
  EXPECT_FALSE(std::filesystem::exists(testing_support::TemporaryNameOf(Red())));

  // A failed save keeps the old file.
  const std::vector<uint8_t> before = ReadBytes(Red());
  std::filesystem::create_directory(testing_support::TemporaryNameOf(Red()));
  EXPECT_FALSE(engine::SaveGroundTruth(engine::Job.FileName));
  EXPECT_EQ(ReadBytes(Red()), before);
}

TEST_F(ResultFilesTest, RedFileTeachesEveryCharacter) {
  WriteBytes(Red(), RedFile(page));
  WriteBytes(Rec(), {9, 9, 9});  // ignored: ".RED" comes first
  engine::LearnFromGroundTruth();
  EXPECT_TRUE(ui.Messages.empty());
  ASSERT_EQ(charMap.size(), 4u);  // the ASCII pair takes two positions
  ExpectTaught(charMap[0], kFullA);
  ExpectTaught(charMap[1], kZi);
  ExpectTaught(charMap[2], core::AsciiPairCode('a', 'b'));
  EXPECT_EQ(charMap[3], charMap[2]);
  EXPECT_EQ(charMap[1]->Bottom, 30);
  EXPECT_EQ(pane.Text(), Gbk("Ａ字") + "ab\n");
  ASSERT_EQ(engine::PageLines.size(), 1u);
  EXPECT_TRUE(engine::PageLines[0]->empty());
  EXPECT_TRUE(library::LibraryChanged);
  EXPECT_TRUE(library::LibraryWindow().History.empty());  // learned unseen
}

TEST_F(ResultFilesTest, RedFileFailures) {
  WriteBytes(Red(), RedFile({}));
  engine::LearnFromGroundTruth();
  EXPECT_TRUE(ui.Messages.empty());
  EXPECT_TRUE(pane.Lines().empty());
  EXPECT_TRUE(charMap.empty());

  WriteBytes(Red(), {0, 0, 0, 0});
  engine::LearnFromGroundTruth();
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, ".RED文件有错误！");
  EXPECT_EQ(ui.Messages[0].Icon, platform::MessageIcon::None);
  ui.Messages.clear();

  std::vector<uint8_t> cut = RedFile(page);
  cut.resize(cut.size() - 5);
  WriteBytes(Red(), cut);
  engine::LearnFromGroundTruth();
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, ".RED文件有错误！");
  ASSERT_EQ(charMap.size(), 2u);  // the two complete records were learned
  ExpectTaught(charMap[1], kZi);
  EXPECT_EQ(engine::TaughtRecords, 2);
  EXPECT_TRUE(pane.Lines().empty());
}

// A record whose box is empty or not inside the page makes the whole file
// unusable: its message, nothing learned from any record, nothing converted.
TEST_F(ResultFilesTest, ABoxNotInsideThePageSpoilsTheWholeFile) {
  constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  const Record bad[] = {
      {0xD7, 0xD6, 120, 5, 128, 30},  // one column past the right edge
      {0xD7, 0xD6, 10, 5, 13, 40},    // one row past the bottom
      {0xD7, 0xD6, -1, 5, 13, 30},    // left of the page
      {0xD7, 0xD6, 13, 5, 10, 30},    // right before left
      {0xD7, 0xD6, 10, 30, 13, 5},    // bottom above top
      {0xD7, 0xD6, kMin, kMin, kMax, kMax}, {0xD7, 0xD6, kMax, kMax, kMin, kMin},
  };
  for (const Record& record : bad) {
    for (const bool red : {true, false}) {
      std::filesystem::remove(Red());
      std::filesystem::remove(Rec());
      WriteBytes(red ? Red() : Rec(), GroundTruthFile({page[0], page[1], record}, red));
      EXPECT_EQ(engine::LearnFromGroundTruth(), engine::GroundTruthResult::Unusable);
      ASSERT_EQ(ui.Messages.size(), 1u);
      EXPECT_EQ(ui.Messages[0].Text, red ? ".RED文件有错误！" : ".REC文件有错误！");
      ui.Messages.clear();
      EXPECT_TRUE(charMap.empty()) << record.Left << " " << red;
      EXPECT_EQ(engine::TaughtRecords, 0);
      EXPECT_FALSE(library::LibraryChanged);
      EXPECT_EQ(std::filesystem::exists(Red()), red);
    }
  }
}

TEST_F(ResultFilesTest, RecFileIsConvertedOnTheWay) {
  WriteBytes(Rec(), RecFile(page));
  engine::LearnFromGroundTruth();
  EXPECT_TRUE(ui.Messages.empty());
  const std::vector<uint8_t> red = ReadBytes(Red());
  ASSERT_EQ(red.size(), 4 + 3 * kRedRecord);
  EXPECT_EQ(red, RedFile(page));  // cut sides and reserved 0
  ASSERT_EQ(charMap.size(), 4u);
  ExpectTaught(charMap[1], kZi);
  EXPECT_EQ(pane.Text(), Gbk("Ａ字") + "ab\n");
  EXPECT_EQ(ReadBytes(Rec()), RecFile(page));
}

TEST_F(ResultFilesTest, ShortRecRecordKeepsTheCompleteRecords) {
  std::vector<uint8_t> rec = RecFile(page);
  rec.resize(rec.size() - 1);
  WriteBytes(Rec(), rec);
  engine::LearnFromGroundTruth();
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, ".REC文件有错误！");
  EXPECT_EQ(ReadBytes(Red()), RedFile({page[0], page[1]}));
  EXPECT_EQ(charMap.size(), 2u);
  EXPECT_TRUE(pane.Lines().empty());
}

TEST_F(ResultFilesTest, UnwritableRedFileStopsTheConversion) {
  WriteBytes(Rec(), RecFile(page));
  std::filesystem::create_directory(testing_support::TemporaryNameOf(Red()));
  engine::LearnFromGroundTruth();
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, "写.RED文件出错！");
  EXPECT_FALSE(std::filesystem::exists(Red()));
  EXPECT_TRUE(charMap.empty());
}
