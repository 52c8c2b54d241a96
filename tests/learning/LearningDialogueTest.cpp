// The learning dialogue scripted through its windows.
#include <gtest/gtest.h>

#include <deque>

#include "engine/EngineState.h"
#include "learning/LearningDialogue.h"
#include "library/Learning.h"
#include "support/LibraryFixtures.h"

namespace {

class ScriptedWindows : public learning::LearningWindows {
 public:
  std::string AskBlockNumber() override {
    ++asked;
    if (texts.empty()) return "";
    std::string text = texts.front();
    texts.pop_front();
    return text;
  }
  learning::WindowResult ShowLibraryWindow() override {
    shown.push_back(library::LibraryWindow().Block);
    caption = library::LibraryWindow().Caption;
    return result;
  }

  std::deque<std::string> texts;
  learning::WindowResult result = learning::WindowResult::Retry;
  std::vector<core::CharBlock*> shown;
  std::string caption;
  int32_t asked = 0;
};

class LearningDialogueTest : public testing_support::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    learning::SetLearningWindows(&windows);
    engine::PageWidth = 256;
    engine::PageHeight = 32;
    engine::RowBytes = 32;
    engine::InkValue = 1;
    engine::PageBits.assign(engine::RowBytes * engine::PageHeight, 0);
    engine::Job = engine::RunJob{};
    engine::Job.Right = engine::PageWidth - 1;
    engine::Job.Bottom = engine::PageHeight - 1;
  }
  void TearDown() override {
    learning::SetLearningWindows(nullptr);
    LibraryTest::TearDown();
  }
  // A line of blocks 12 pixels apart, each with a vertical stroke.
  void Dialogue(int32_t count, std::deque<std::string> texts) {
    storage.assign(count, core::CharBlock{});
    line.clear();
    for (int32_t k = 0; k < count; ++k) {
      core::CharBlock& b = storage[k];
      b.Left = 12 * k + 2;
      b.Right = 12 * k + 9;
      b.Top = 4;
      b.Bottom = 14 + k % 3;
      b.SubBlockCount = k;
      b.Scores[0] = 40 + k;
      for (int32_t y = b.Top; y <= b.Bottom; ++y) engine::SetBit(engine::PageBits, b.Left + 3, y, 1);
      line.push_back(&b);
    }
    windows.texts = std::move(texts);
    learning::LearningDialogue(line);
  }

  ScriptedWindows windows;
  std::vector<core::CharBlock> storage;
  core::BlockList line;
};

}  // namespace

TEST_F(LearningDialogueTest, JoinsBlocksAndOpensTheWindow) {
  Dialogue(6, {"3,,", ""});
  EXPECT_EQ(line.size(), 6u);
  EXPECT_EQ(line[3]->Left, 38);
  EXPECT_EQ(line[3]->Right, 69);
  EXPECT_EQ(line[3]->Bottom, 16);
  ASSERT_EQ(windows.shown.size(), 1u);
  EXPECT_EQ(windows.shown[0], line[3]);
  EXPECT_TRUE(library::LibraryWindow().IsLearningView);
  EXPECT_EQ(windows.asked, 2);

  // 3 + 3 is beyond a line of 5: no join, but the window opens.
  Dialogue(5, {"3,,,"});
  EXPECT_EQ(line[3]->Right, 45);
  EXPECT_EQ(windows.shown.back(), line[3]);
  EXPECT_EQ(windows.caption, "子块数:3 准确率:43");
  EXPECT_FALSE(engine::StopRequested);
}

TEST_F(LearningDialogueTest, OtherTextsAskAgain) {
  Dialogue(20, {"99", "x", "-3,,", "1a", " 2 ", ""});
  EXPECT_EQ(windows.asked, 6);
  ASSERT_EQ(windows.shown.size(), 1u);
  EXPECT_EQ(windows.shown[0], line[2]);
  EXPECT_FALSE(engine::StopRequested);
}

TEST_F(LearningDialogueTest, EndCloseAndSwitchOff) {
  Dialogue(3, {"-1", "0"});
  EXPECT_TRUE(engine::StopRequested);
  Dialogue(3, {"0"});  // stopped before it starts
  EXPECT_EQ(windows.asked, 1);

  engine::StopRequested = false;
  windows.result = learning::WindowResult::No;
  Dialogue(3, {"1", "2"});
  EXPECT_TRUE(engine::StopRequested);
  EXPECT_EQ(windows.shown.size(), 1u);

  engine::StopRequested = false;
  Dialogue(3, {"-2", "1"});
  EXPECT_TRUE(learning::SkipLearning);
  Dialogue(3, {"1"});
  EXPECT_EQ(windows.asked, 3);
  EXPECT_FALSE(engine::StopRequested);
}
