// Learning: list growth and shrinking, refused entries and the refusal
// question, the forced-entry question, the annotations of a learning step,
// the history line and its undo.
#include <gtest/gtest.h>

#include "engine/EngineState.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "support/LibraryFixtures.h"

using core::MakeCode;
using platform::Answer;
using testing_support::Gbk;

namespace {

constexpr core::CharCode kRen = MakeCode(0xC8, 0xCB);        // 人
constexpr core::CharCode kOpenQuote = MakeCode(0xA1, 0xB0);  // “
constexpr int32_t kWord = 12340;                             // digits 0 1 2 3 4 0

class LearningTest : public testing_support::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    for (int32_t& feature : block.Features) feature = kWord;
    window.Block = &block;
    window.IsLearningView = true;
  }
  void Teach(const std::string& utf8) {
    window.ShowHandler();
    window.Edit2 = Gbk(utf8);
    window.LearnCharacter();
  }
  bool Holds(int32_t table, int32_t word, core::CharCode code) {
    return library::FindInList(code, library::LibraryList(table, library::FeatureWordToIndex(word))) >= 0;
  }

  core::CharBlock block{};
  library::DisplayModel& window = library::LibraryWindow();
};

}  // namespace

TEST_F(LearningTest, ListsGrowAndShrinkInTwelveByteSteps) {
  for (int k = 0; k < 6; ++k) {
    ASSERT_EQ(library::AddResult::Added, library::LibraryAdd(3, 9, library::IndexToCode(300 + k)));
    EXPECT_EQ(library::LibrarySlot(3, 9).size(), k < 5 ? 6u : 12u);
  }
  ASSERT_TRUE(library::LibraryRemove(3, 9, library::IndexToCode(301)));
  EXPECT_EQ(library::LibrarySlot(3, 9).size(), 6u);
  const library::CharIndex expected[] = {300, 302, 303, 304, 305, 0};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(library::LibraryList(3, 9)[k], expected[k]);
  EXPECT_FALSE(library::LibraryRemove(3, 9, library::IndexToCode(301)));
  EXPECT_FALSE(library::LibraryRemove(3, 10, library::IndexToCode(300)));
}

// Recognition reads a packed copy of each table: it must follow every change
// made between two reads, in the changed table only.
TEST_F(LearningTest, ListsReadForRecognitionFollowEveryChange) {
  ASSERT_EQ(library::AddResult::Added, library::LibraryAdd(5, 40, library::IndexToCode(700)));
  ASSERT_EQ(library::AddResult::Added, library::LibraryAdd(6, 40, library::IndexToCode(800)));
  ASSERT_NE(library::LibraryList(5, 40), nullptr);
  EXPECT_EQ(library::LibraryList(5, 40)[0], 700);
  EXPECT_EQ(library::LibraryList(5, 40)[1], 0);
  EXPECT_EQ(library::LibraryList(5, 41), nullptr);

  ASSERT_EQ(library::AddResult::Added, library::LibraryAdd(5, 40, library::IndexToCode(701)));
  ASSERT_EQ(library::AddResult::Added, library::LibraryAdd(5, 41, library::IndexToCode(702)));
  EXPECT_EQ(library::LibraryList(5, 40)[1], 701);
  EXPECT_EQ(library::LibraryList(5, 41)[0], 702);
  EXPECT_EQ(library::LibraryList(6, 40)[0], 800);

  ASSERT_TRUE(library::LibraryRemove(5, 40, library::IndexToCode(700)));
  EXPECT_EQ(library::LibraryList(5, 40)[0], 701);
  EXPECT_EQ(library::LibraryList(5, 40)[1], 0);
  library::ClearLibrary();
  EXPECT_EQ(library::LibraryList(5, 40), nullptr);
}

TEST_F(LearningTest, RefusedEntriesAskUntilAllOrRequestTheEndOnYes) {
  using library::AddResult;
  ui.ScriptedAnswers = {Answer::No, Answer::All};
  EXPECT_EQ(library::LibraryAdd(0, 0, kOpenQuote), AddResult::Refused);
  EXPECT_EQ(library::LibraryAdd(28, 780, core::AsciiPairCode('a', 'c')), AddResult::Refused);
  EXPECT_EQ(library::LibraryAdd(29, 0, MakeCode(0xB7, 0xB2)), AddResult::Refused);  // 凡, not asked after All
  ASSERT_EQ(ui.Messages.size(), 2u);
  EXPECT_EQ(ui.Messages[0].Text, "error in:“ 0 0 1\n是否结束(Yes/No/AllNot)?");
  EXPECT_EQ(ui.Messages[0].Buttons, platform::MessageButtons::YesNoAll);
  EXPECT_EQ(ui.Messages[0].Question, platform::QuestionId::EndAfterRefusedEntry);
  EXPECT_EQ(ui.Messages[1].Text, "error in:ac 28 780 1\n是否结束(Yes/No/AllNot)?");
  EXPECT_EQ(library::LibraryList(0, 0), nullptr);
  EXPECT_EQ(library::LibraryAdd(2, 0, kOpenQuote), AddResult::Added);  // the same character elsewhere
  EXPECT_FALSE(library::ProgramEndRequested);

  // Yes asks for the end of the program: the library reports it and stores
  // nothing; ending is the front end's business.
  library::RefusalAnswer = Answer::None;
  ui.ScriptedAnswers = {Answer::Yes};
  EXPECT_EQ(library::LibraryAdd(3, 15624, MakeCode(0xBF, 0xDA)), AddResult::EndRequested);  // 口
  EXPECT_TRUE(library::ProgramEndRequested);
  EXPECT_EQ(library::LibraryList(3, 15624), nullptr);
}

TEST_F(LearningTest, DefaultLearnableCharacters) {
  EXPECT_TRUE(library::IsDefaultLearnable('a', 'b'));
  EXPECT_FALSE(library::IsDefaultLearnable(0xA1, 0xE3));  // °
  EXPECT_TRUE(library::IsDefaultLearnable(0xA2, 0xE2));   // ⑩
  EXPECT_FALSE(library::IsDefaultLearnable(0xA2, 0xF1));  // Ⅰ
  EXPECT_TRUE(library::IsDefaultLearnable(0xA2, 0xFC));   // Ⅻ
  EXPECT_FALSE(library::IsDefaultLearnable(0xA3, 0xAD));  // －
  EXPECT_FALSE(library::IsDefaultLearnable(0xAF, 0xA1));
  EXPECT_FALSE(library::IsDefaultLearnable(0xD7, 0xFA));
  EXPECT_FALSE(library::IsDefaultLearnable(0xD8, 0xBC));  // 丶
  EXPECT_FALSE(library::IsDefaultLearnable(0xE0, 0xED));  // 囗
  EXPECT_TRUE(library::IsDefaultLearnable(0xE0, 0xEE));
}

TEST_F(LearningTest, ShowHandlerFillsTheFields) {
  block.Features[3] = 21403;
  block.FeatureHits[4] = 1;
  block.Codes[0] = kRen;
  block.Codes[1] = MakeCode(0xC8, 0xEB);  // 入
  block.Codes[2] = MakeCode(0xB0, 0xCB);  // 八
  window.ShowHandler();
  EXPECT_EQ(window.FeatureLines[3], Gbk("021403不存在"));
  EXPECT_EQ(window.FeatureLines[4], "012340");
  EXPECT_EQ(window.Edit3, Gbk("人入八"));
  EXPECT_EQ(window.Edit2, Gbk("人"));
}

TEST_F(LearningTest, TeachingAnnotatesEveryTableAndRecordsHistory) {
  library::LibraryAdd(0, library::FeatureWordToIndex(12341), kRen);  // upward from digit 0
  library::LibraryAdd(1, library::FeatureWordToIndex(12440), kRen);  // upward from 3: no neighbour
  library::LibraryAdd(2, library::FeatureWordToIndex(12330), kRen);  // downward from 4
  library::LibraryAdd(3, library::FeatureWordToIndex(kWord), kRen);  // the cell's own word
  Teach(" 人 ");
  EXPECT_EQ(window.Edit2, Gbk("人"));
  EXPECT_EQ(window.FeatureLines[0], Gbk("012340不存在 012341"));
  EXPECT_EQ(window.FeatureLines[1], Gbk("012340不存在 添加"));
  EXPECT_EQ(window.FeatureLines[2], Gbk("012340不存在 012330"));
  EXPECT_EQ(window.FeatureLines[3], Gbk("012340不存在"));
  EXPECT_TRUE(Holds(1, kWord, kRen));
  EXPECT_FALSE(Holds(0, kWord, kRen));
  std::string history = Gbk("人") + " * 3034 * *";  // 12340 = 0x3034
  for (int i = 4; i < 32; ++i) history += " 3034";
  ASSERT_EQ(window.History.size(), 1u);
  EXPECT_EQ(window.History[0], history);
  EXPECT_TRUE(library::LibraryChanged);

  // Known everywhere now: nothing added, no history line, still a change.
  library::LibraryChanged = false;
  Teach("人");
  EXPECT_EQ(window.History.size(), 1u);
  EXPECT_EQ(window.FeatureLines[1], "012340");
  EXPECT_TRUE(library::LibraryChanged);

  library::LearningMode = false;
  Teach("八");
  EXPECT_EQ(window.FeatureLines[0], Gbk("012340不存在 缺少"));
  EXPECT_FALSE(Holds(0, kWord, MakeCode(0xB0, 0xCB)));
  EXPECT_TRUE(ui.Messages.empty());
}

TEST_F(LearningTest, AsciiIsTaughtFullWidthAndPairsAsPairs) {
  Teach("a");
  EXPECT_EQ(window.Edit2, "\xA3\xE1");
  EXPECT_TRUE(Holds(7, kWord, MakeCode(0xA3, 0xE1)));
  Teach("ab");
  EXPECT_TRUE(Holds(7, kWord, core::AsciiPairCode('a', 'b')));
  library::LibraryChanged = false;
  Teach("abc");
  EXPECT_FALSE(library::LibraryChanged);
}

TEST_F(LearningTest, ForcedEntryQuestionAndAll) {
  ui.ScriptedAnswers = {Answer::No, Answer::Yes, Answer::All};
  Teach("°");
  EXPECT_FALSE(Holds(0, kWord, MakeCode(0xA1, 0xE3)));
  Teach("°");
  EXPECT_TRUE(Holds(0, kWord, MakeCode(0xA1, 0xE3)));
  Teach("－");
  Teach("〓");  // not asked after All, not added
  EXPECT_FALSE(Holds(0, kWord, MakeCode(0xA1, 0xFE)));
  ASSERT_EQ(ui.Messages.size(), 3u);
  EXPECT_EQ(ui.Messages[0].Text, "\"°\"默认是不允许入库的，是否强制入库(Yes/No/AllNot)？");
  EXPECT_EQ(ui.Messages[0].Buttons, platform::MessageButtons::YesNoAll);
}

TEST_F(LearningTest, CharacterWithoutIndexShowsErrorAndChangesNothing) {
  window.ShowHandler();
  window.Edit2 = "\x81\x40";  // GBK, outside GB2312
  window.LearnCharacter();
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Text, "error!");
  EXPECT_EQ(ui.Messages[0].Icon, platform::MessageIcon::Error);
  EXPECT_EQ(window.FeatureLines[0], Gbk("012340不存在"));
  EXPECT_FALSE(library::LibraryChanged);
  for (int32_t t = 0; t < library::kTableCount; ++t) EXPECT_EQ(library::StatsOfTable(t).Lists, 0);
}

TEST_F(LearningTest, RefusedTableGetsAddError) {
  for (int32_t& feature : block.Features) feature = 0;
  ui.ScriptedAnswers = {Answer::All};
  Teach("“");
  EXPECT_EQ(window.FeatureLines[0], Gbk("000000不存在 添加error"));
  EXPECT_EQ(window.FeatureLines[1], Gbk("000000不存在 添加error"));
  EXPECT_EQ(window.FeatureLines[2], Gbk("000000不存在 添加"));
  EXPECT_EQ(ui.Messages.size(), 1u);
  EXPECT_FALSE(Holds(0, 0, kOpenQuote));
  EXPECT_EQ(window.History[0].substr(2, 6), " 0 0 0");  // refused tables are marked too
}

TEST_F(LearningTest, UndoRemovesTheEntriesOfAStep) {
  library::LibraryAdd(5, library::FeatureWordToIndex(kWord), kRen);
  Teach("人");
  ui.ScriptedAnswers = {Answer::No, Answer::Yes};
  window.UndoLearnedCharacter(0);
  EXPECT_EQ(window.History.size(), 1u);
  EXPECT_EQ(ui.Messages.back().Text, "真的删除?人");
  EXPECT_EQ(ui.Messages.back().Buttons, platform::MessageButtons::YesNo);
  window.UndoLearnedCharacter(0);
  EXPECT_TRUE(window.History.empty());
  EXPECT_FALSE(Holds(0, kWord, kRen));
  EXPECT_TRUE(Holds(5, kWord, kRen));  // known before the step
  EXPECT_EQ(window.FeatureLines[0], Gbk("012340不存在"));

  Teach("人");
  library::LibraryRemove(9, library::FeatureWordToIndex(kWord), kRen);
  ui.ScriptedAnswers = {Answer::Yes};
  window.UndoLearnedCharacter(0);
  EXPECT_EQ(ui.Messages.back().Text, "error2");
  EXPECT_FALSE(Holds(10, kWord, kRen));
}
