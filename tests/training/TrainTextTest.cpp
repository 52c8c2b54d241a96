// The training tool's text side: the Word.Dat builder (file format read back
// through the library's own lookup, limits, full-width ASCII, white space)
// and the exclusion of paragraphs that occur on the held-back test pages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/EngineRecords.h"
#include "library/CharIndex.h"
#include "library/WordPairs.h"
#include "platform/Encoding.h"
#include "training/TrainText.h"
#include "training/TrainWordPairs.h"

namespace {

using core::CharCode;

CharCode CodeOf(const char* utf8) {
  const std::string gbk = platform::Utf8ToGbk(utf8);
  return gbk.size() == 2 ? core::MakeCode(static_cast<uint8_t>(gbk[0]), static_cast<uint8_t>(gbk[1]))
                         : core::AsciiCode(gbk[0]);
}

std::vector<CharCode> Predecessors(CharCode code) {
  std::vector<CharCode> out;
  const uint16_t* record = library::WordPairRecord(code);
  if (!record) return out;
  for (int i = 1; i < record[0]; ++i) out.push_back(library::DecodePredecessor(record[i]));
  return out;
}

std::vector<CharCode> Successors(CharCode code) {
  std::vector<CharCode> out;
  const uint16_t* record = library::WordPairRecord(code);
  if (!record) return out;
  const uint16_t* successors = record + record[0];
  for (int i = 1; i < successors[0]; ++i) out.push_back(library::IndexToCode(successors[i]));
  return out;
}

uint32_t IndexEntry(const std::vector<uint8_t>& data, CharCode code) {
  uint32_t entry = 0;
  std::memcpy(&entry, data.data() + 4 * static_cast<size_t>(code), 4);
  return entry;
}

TEST(TrainWordPairs, RecordsReadBackThroughTheLibraryLookup) {
  training::WordPairCounter counter;
  counter.AddParagraph("中国人中国人中国");
  counter.AddParagraph("美国人");
  const std::vector<uint8_t> data = counter.Build({1, 10, 10});
  ASSERT_GE(data.size(), library::kWordPairIndexBytes);
  ASSERT_TRUE(library::SetWordPairData(data));

  const CharCode zhong = CodeOf("中"), guo = CodeOf("国"), ren = CodeOf("人"), mei = CodeOf("美");
  // 国 follows 中 three times and 美 once: the most frequent first.
  EXPECT_EQ(Predecessors(guo), (std::vector<CharCode>{zhong, mei}));
  EXPECT_EQ(Successors(guo), (std::vector<CharCode>{ren}));
  EXPECT_EQ(Predecessors(zhong), (std::vector<CharCode>{ren}));
  EXPECT_EQ(Successors(zhong), (std::vector<CharCode>{guo}));
  // 美 starts a paragraph: successors only, an empty predecessor list.
  EXPECT_TRUE(Predecessors(mei).empty());
  EXPECT_EQ(Successors(mei), (std::vector<CharCode>{guo}));
  // An index entry is the record's offset plus the code value; the record
  // lies after the index.
  const uint32_t entry = IndexEntry(data, guo);
  ASSERT_NE(entry, 0u);
  EXPECT_GE(entry - guo, library::kWordPairIndexBytes);
  EXPECT_EQ(library::WordPairRecord(CodeOf("的")), nullptr);
  EXPECT_EQ(IndexEntry(data, CodeOf("的")), 0u);
}

TEST(TrainWordPairs, LimitsKeepFrequentPairsAndBoundTheLists) {
  training::WordPairCounter counter;
  counter.AddParagraph("大家大家大家大人大人小人");
  // Only pairs seen at least twice; at most one neighbour per list.
  ASSERT_TRUE(library::SetWordPairData(counter.Build({2, 1, 1})));
  EXPECT_EQ(Successors(CodeOf("大")), (std::vector<CharCode>{CodeOf("家")}));    // 家 ×3 beats 人 ×2
  EXPECT_EQ(Predecessors(CodeOf("人")), (std::vector<CharCode>{CodeOf("大")}));  // 小人 ×1 dropped
  EXPECT_EQ(library::WordPairRecord(CodeOf("小")), nullptr);
  // Lists of zero length: no record at all.
  ASSERT_TRUE(library::SetWordPairData(counter.Build({1, 0, 0})));
  EXPECT_EQ(library::WordPairRecord(CodeOf("大")), nullptr);
}

TEST(TrainWordPairs, AsciiCountsFullWidthAndWhiteSpaceIsSkipped) {
  const CharCode fullA = core::MakeCode(0xA3, 0xC1);  // Ａ
  const CharCode fullB = core::MakeCode(0xA3, 0xC2);  // Ｂ
  EXPECT_EQ(training::TextCodes("A B\xE3\x80\x80中"), (std::vector<CharCode>{fullA, fullB, CodeOf("中")}));
  training::WordPairCounter counter;
  counter.AddParagraph("A B");
  EXPECT_EQ(counter.Count(fullA, fullB), 1u);
  EXPECT_EQ(counter.DistinctPairs(), 1u);
}

TEST(TrainText, GridHoldsOnlyCharactersWithALibraryNumber) {
  const std::vector<std::string> grid = training::Gb2312GridParagraphs();
  ASSERT_EQ(grid.size(), 3u + 72u + 1u);  // rows A1–A3, hanzi rows B0–F7, ASCII
  size_t hanzi = 0;
  for (size_t row = 0; row + 1 < grid.size(); ++row) {
    for (CharCode code : training::TextCodes(grid[row])) {
      EXPECT_NO_THROW(library::CodeToIndex(code)) << std::hex << code;
      if (core::IsHanzi(code)) ++hanzi;
    }
  }
  EXPECT_EQ(hanzi, 6763u);
  EXPECT_EQ(training::TextCodes(grid.back()).size(), 94u);

  const std::vector<std::string> hanziOnly = training::Gb2312GridParagraphs(training::GridContent::HanziOnly);
  ASSERT_EQ(hanziOnly.size(), 72u);
  EXPECT_EQ(hanziOnly.front(), grid[3]);
  EXPECT_EQ(hanziOnly.back(), grid[grid.size() - 2]);
}

// A held-back page as the test pages hold it: lines of a justified
// paragraph, the first one indented with two ideographic spaces.
const char kHeldBack[] =
    "\xE3\x80\x80\xE3\x80\x80人被杀于万众聚观之中，比被杀在“人不知鬼不觉”的地方快活，因为他可以妄想，博得观众"
    "\n"
    "中的或人的眼泪。\n";

TEST(TrainText, ParagraphsSharingARunWithHeldBackTextAreLeftOut) {
  training::ParagraphExclusion exclusion;
  exclusion.AddHeldBackText(kHeldBack);
  // The paragraph itself, spread over lines differently.
  EXPECT_TRUE(exclusion.Excludes(
      "人被杀于万众聚观之中，比被杀在“人不知鬼不觉”的地方快活，因为他可以妄想，博得观众中的或人的眼泪。"));
  // 20 characters in common across the held-back line break, with spaces.
  EXPECT_TRUE(exclusion.Excludes("前言：因为他可以妄想，博得观众 中的或人的眼泪。后记"));
  // 19 characters in common are not enough.
  EXPECT_FALSE(exclusion.Excludes("前言：为他可以妄想，博得观众中的或人的眼泪。后记"));
  // A short paragraph counts when it occurs whole.
  EXPECT_TRUE(exclusion.Excludes("中的或人的眼泪。"));
  EXPECT_FALSE(exclusion.Excludes("中的或人的眼泪！"));
  EXPECT_FALSE(exclusion.Excludes("   "));

  std::vector<std::string> paragraphs = {"别的文字，和测试页毫不相干。",
                                         "人被杀于万众聚观之中，比被杀在“人不知鬼不觉”的地方"};
  EXPECT_EQ(exclusion.Filter(paragraphs), 1u);
  EXPECT_EQ(paragraphs, std::vector<std::string>{"别的文字，和测试页毫不相干。"});
}

TEST(TrainText, HeldBackFolderAndCorpusFilesAreRead) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("pellar-train-text-test-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "tier");
  std::ofstream(dir / "tier" / "page.txt") << kHeldBack;
  std::ofstream(dir / "tier" / "page.boxes.tsv") << "比被杀在“人不知鬼不觉”的地方快活，因为他可以妄想";
  training::ParagraphExclusion exclusion;
  EXPECT_EQ(exclusion.AddHeldBackFolder(dir.string()), 1);

  // A GBK corpus file is read as GBK; blank lines are dropped.
  std::ofstream(dir / "corpus.txt", std::ios::binary)
      << platform::Utf8ToGbk("中的或人的眼泪。\n\n别的文字，和测试页毫不相干。\r\n");
  std::vector<std::string> paragraphs;
  ASSERT_TRUE(training::ReadParagraphs((dir / "corpus.txt").string(), paragraphs));
  EXPECT_EQ(paragraphs, (std::vector<std::string>{"中的或人的眼泪。", "别的文字，和测试页毫不相干。"}));
  EXPECT_EQ(exclusion.Filter(paragraphs), 1u);
  EXPECT_FALSE(training::ReadParagraphs((dir / "missing.txt").string(), paragraphs));
  fs::remove_all(dir);
}

}  // namespace
