// The recognition run end to end on drawn pages: the refusal of colour
// pages, messages and status text, bands and lines, the region, the two
// palette orders, the stop command, finishing lines (the dropped-line rule,
// counts, the pane and the character map, learning mode) and the red
// colouring of doubtful characters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "engine/EngineState.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "support/EngineFixtures.h"

namespace {

// "识别耗时" seconds with two decimals "秒".
bool IsTimingText(const std::string& text) {
  const std::string head = "识别耗时", tail = "秒";
  if (text.size() <= head.size() + tail.size() || text.rfind(head, 0) != 0 ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string number = text.substr(head.size(), text.size() - head.size() - tail.size());
  const size_t dot = number.find('.');
  return dot != std::string::npos && dot > 0 && number.size() - dot - 1 == 2 &&
         number.find_first_not_of("0123456789.") == std::string::npos && number.find('.', dot + 1) == std::string::npos;
}

using core::CharBlock;
using core::MakeCode;
using enginetest::DrawBox;
using enginetest::NewTestBlock;
using enginetest::RunFixture;

constexpr core::CharCode kHanzi = MakeCode(0xD6, 0xD0);  // 中

// Squares of 31 pixels, 20 apart, in a row starting at (left, top).
void DrawRow(platform::Bitmap& page, int32_t left, int32_t top, int32_t count) {
  for (int32_t k = 0; k < count; ++k) DrawBox(page, left + 51 * k, left + 51 * k + 30, top, top + 30);
}

class RunTest : public ::testing::Test {
 protected:
  // The line correction belongs to other stages; the boxes here are those of
  // the scan and the layout.
  void SetUp() override { engine::LineCorrectionEnabled = false; }
  RunFixture run_;
};

TEST_F(RunTest, ColourPagesAreRefusedAndThePaneIsLeftAlone) {
  for (uint16_t bits : {8, 24}) {
    platform::Bitmap page(50, 50, bits);
    run_.Pane.AppendLine("old");
    EXPECT_EQ(run_.Recognise(page), engine::RunOutcome::NotMonochrome);
    ASSERT_EQ(run_.Ui.Messages.size(), 1u);
    EXPECT_EQ(run_.Ui.Messages[0].Text, "只有单色文件才能进行识别，请使用“转换”功能。");
    EXPECT_EQ(run_.Ui.Messages[0].Icon, platform::MessageIcon::Question);
    EXPECT_EQ(run_.Pane.Lines(), std::vector<std::string>{"old"});
    run_.Ui.Messages.clear();
    run_.Pane.Clear();
  }
}

TEST_F(RunTest, BlankPageGivesNoTextAndATime) {
  platform::Bitmap page = enginetest::MakePage(300, 200);
  run_.Pane.AppendLine("old");
  run_.CharMap.push_back(nullptr);
  EXPECT_EQ(run_.Recognise(page), engine::RunOutcome::Done);
  EXPECT_TRUE(run_.Pane.Lines().empty());
  EXPECT_TRUE(run_.CharMap.empty());
  EXPECT_TRUE(run_.Ui.Messages.empty());
  EXPECT_TRUE(IsTimingText(run_.Document.StatusText)) << run_.Document.StatusText;
  EXPECT_FALSE(run_.Ui.Busy);
  EXPECT_EQ(run_.Ui.BusyChanges, 2);
  EXPECT_GE(run_.Ui.Yields, 200) << "one yield per row";
}

TEST_F(RunTest, EmptyBitmapReportsTheFetchError) {
  platform::Bitmap page(0, 0, 1);
  EXPECT_EQ(run_.Recognise(page), engine::RunOutcome::NoPageBits);
  ASSERT_EQ(run_.Ui.Messages.size(), 1u);
  EXPECT_EQ(run_.Ui.Messages[0].Text.rfind("取位图数据错误:", 0), 0u) << run_.Ui.Messages[0].Text;
}

// A pane whose Clear fails, to raise an error inside the run.
class FailingPane : public platform::HeadlessPane {
 public:
  void Clear() override { throw std::runtime_error("pane gone"); }
};

TEST_F(RunTest, ErrorsAreShownAndTheRunStillFinishes) {
  FailingPane pane;
  run_.Document.Pane = &pane;
  platform::Bitmap page = enginetest::MakePage(100, 100);
  EXPECT_EQ(run_.Recognise(page), engine::RunOutcome::InternalError);
  ASSERT_EQ(run_.Ui.Messages.size(), 1u);
  EXPECT_EQ(run_.Ui.Messages[0].Text, "出错信息:\npane gone");
  EXPECT_FALSE(run_.Ui.Busy);
  EXPECT_FALSE(run_.Document.StatusText.empty());
}

TEST_F(RunTest, LinesAndBlocksOfADrawnPage) {
  platform::Bitmap page = enginetest::MakePage(600, 400);
  DrawRow(page, 20, 20, 3);
  DrawRow(page, 40, 120, 2);
  DrawBox(page, 300, 300, 300, 300);  // a speck
  run_.Document.ShowTips = true;
  ASSERT_EQ(run_.Recognise(page), engine::RunOutcome::Done);
  EXPECT_EQ(enginetest::DescribePageLines(),
            "20-50/20-50 71-101/20-50 122-152/20-50\n"
            "40-70/120-150 91-121/120-150\n");
  EXPECT_EQ(engine::LineIndents.size(), 2u);
  // Blocks without candidates give no characters, but the spaces between
  // them (gap 21 > rnd(0.3 × 62)) and the line ends are there.
  EXPECT_EQ(run_.Pane.Lines(), (std::vector<std::string>{"  ", " "}));
  EXPECT_EQ(run_.CharMap, core::CharMapList(5, nullptr));
  EXPECT_EQ(engine::DoubtCount, 5);
  EXPECT_TRUE(run_.Document.TipsWanted) << "no confident block, tips on";
}

TEST_F(RunTest, FourBlankRowsKeepOneBandFiveEndIt) {
  // Line numbers tell the two apart: a band split into lines numbers its
  // later lines 1, 2, a band of its own numbers its line 0.
  for (int32_t blank : {4, 5}) {
    RunFixture run;
    engine::LineCorrectionEnabled = false;
    platform::Bitmap page = enginetest::MakePage(600, 400);
    for (int32_t line = 0; line < 3; ++line) DrawRow(page, 20, 20 + line * (31 + blank), 4);
    ASSERT_EQ(run.Recognise(page), engine::RunOutcome::Done);
    ASSERT_EQ(engine::PageLines.size(), 3u) << blank;
    EXPECT_EQ(engine::PageLines[2]->front()->LineNo, blank == 4 ? 2 : 0) << blank;
    EXPECT_EQ(engine::PageLines[2]->front()->Top, 20 + 2 * (31 + blank));
  }
}

TEST_F(RunTest, SelectionLimitsTheScan) {
  platform::Bitmap page = enginetest::MakePage(600, 400);
  DrawRow(page, 20, 20, 5);
  DrawRow(page, 20, 120, 5);
  // Columns 60..180 of the first row: the squares at 20 and 173 are cut.
  ASSERT_EQ(run_.Recognise(page, core::Box{60, 180, 10, 100}), engine::RunOutcome::Done);
  EXPECT_EQ(enginetest::DescribePageLines(), "71-101/20-50 122-152/20-50 173-180/20-50\n");
  // All zero: the whole page.
  ASSERT_EQ(run_.Recognise(page, core::Box{0, 0, 0, 0}), engine::RunOutcome::Done);
  EXPECT_EQ(engine::PageLines.size(), 2u);
}

TEST_F(RunTest, LearningModeWithAGroundTruthFileDoesNotScan) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("pellar-run-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string name = (dir / "page.bmp").string();
  std::ofstream(name + ".RED").close();
  platform::Bitmap page = enginetest::MakePage(300, 200);
  DrawRow(page, 20, 20, 3);
  library::LearningMode = true;
  run_.Document.FileName = name;
  // The empty ground-truth file lacks its header: nothing is scanned, and
  // the outcome says why.
  EXPECT_EQ(run_.Recognise(page), engine::RunOutcome::GroundTruthUnusable);
  EXPECT_TRUE(engine::PageLines.empty());
  std::filesystem::remove_all(dir);
}

// Hooks that press the stop command at the first yield of a run.
class StoppingUi : public platform::HeadlessUi {
 public:
  void ProcessMessages() override {
    HeadlessUi::ProcessMessages();
    engine::StopRequested = true;
  }
};

TEST_F(RunTest, StopEndsTheScanAfterTheRow) {
  StoppingUi ui;
  platform::SetUi(&ui);
  platform::Bitmap page = enginetest::MakePage(300, 300);
  DrawRow(page, 20, 0, 3);
  ASSERT_EQ(run_.Recognise(page), engine::RunOutcome::Done);
  EXPECT_TRUE(engine::PageLines.empty());
  EXPECT_EQ(ui.Yields, 1);
  EXPECT_TRUE(engine::BandBlocks.empty()) << "the pending band is released";
  platform::SetUi(&run_.Ui);
}

class FinishLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::LineCorrectionEnabled = false;
    engine::Job.CharMap = &run_.CharMap;
    engine::Job.RichEdit = &run_.Pane;
  }
  void Finish(core::BlockList blocks) {
    engine::LineBlocks = new core::BlockList(std::move(blocks));
    engine::FinishLine();
  }
  RunFixture run_;
};

TEST_F(FinishLineTest, LinesOfOneDoubtfulBlockOrOneMarkAreDropped) {
  const core::CharCode dropped[] = {MakeCode(0xD2, 0xBB), MakeCode(0xA3, 0xDF), MakeCode(0xA3, 0xDE),
                                    MakeCode(0xA3, 0xAE), MakeCode(0xA3, 0xAC), MakeCode(0xA3, 0xA7),
                                    MakeCode(0xA1, 0xF6), MakeCode(0xA1, 0xF1), MakeCode(0xA1, 0xA3),
                                    MakeCode(0xA1, 0xFE)};
  for (core::CharCode code : dropped) Finish({NewTestBlock(0, 30, 0, 30, code, 60)});
  Finish({NewTestBlock(0, 30, 0, 30, kHanzi, 46)});
  EXPECT_TRUE(engine::PageLines.empty());
  EXPECT_TRUE(run_.CharMap.empty());
  EXPECT_TRUE(run_.Pane.Lines().empty());
  EXPECT_EQ(engine::GoodCount + engine::DoubtCount, 0);

  Finish({NewTestBlock(0, 30, 0, 30, kHanzi, 47)});
  Finish({NewTestBlock(0, 30, 50, 80, MakeCode(0xA1, 0xA3), 10), NewTestBlock(40, 70, 50, 80, 0, 10)});
  Finish({NewTestBlock(0, 30, 100, 130, MakeCode(0xA3, 0xC1), 60)});  // Ａ
  EXPECT_EQ(engine::PageLines.size(), 3u);
  EXPECT_EQ(engine::LineIndents.size(), 3u);
  EXPECT_EQ(engine::GoodCount, 2);
  EXPECT_EQ(engine::DoubtCount, 2);
}

TEST_F(FinishLineTest, TextAndCharMapWithLineEnds) {
  CharBlock* a = NewTestBlock(0, 39, 10, 49, kHanzi, 60);
  CharBlock* b = NewTestBlock(100, 119, 20, 51, core::AsciiCode('A'), 30);
  Finish({a, b});
  EXPECT_EQ(engine::LineAvgTop, 15);
  EXPECT_EQ(engine::LineAvgBottom, 50);
  CharBlock* c = NewTestBlock(0, 39, 70, 109, kHanzi, 60);
  CharBlock* d = NewTestBlock(40, 79, 70, 109, kHanzi, 60);
  Finish({c, d});
  EXPECT_EQ(run_.Pane.Lines(), (std::vector<std::string>{"\xD6\xD0 A", "\xD6\xD0\xD6\xD0"}));
  EXPECT_EQ(run_.CharMap, (core::CharMapList{a, nullptr, b, nullptr, c, d, nullptr}));
  EXPECT_EQ(engine::LineBlocks, nullptr);
}

// A scroll box that remembers where it was sent.
class RecordingScrollBox : public platform::ScrollBox {
 public:
  void ScrollTo(int32_t x, int32_t y) override {
    X = x;
    Y = y;
  }
  int32_t X = -1, Y = -1;
};

TEST_F(FinishLineTest, LearningModeAddsTheRulerAndScrollsToTheLine) {
  RecordingScrollBox scroll;
  engine::Job.ScrollBox = &scroll;
  library::LearningMode = true;
  run_.Ui.SetBusyCursor(true);
  Finish({NewTestBlock(12, 51, 34, 73, kHanzi, 60), NewTestBlock(52, 91, 34, 73, kHanzi, 60)});
  ASSERT_EQ(run_.Pane.Lines().size(), 2u);
  EXPECT_EQ(run_.Pane.Lines()[1].size(), run_.Pane.Lines()[0].size()) << "the ruler";
  EXPECT_EQ(run_.CharMap.size(), 3u) << "the ruler has no entries";
  EXPECT_EQ(scroll.X, 12);
  EXPECT_EQ(scroll.Y, 34);
  EXPECT_FALSE(run_.Ui.Busy);
  EXPECT_EQ(engine::PageLines.size(), 1u);
}

TEST(RxRichEditColorTest, DoubtfulCharactersTurnRed) {
  platform::HeadlessPane pane;
  pane.AppendLine("\xD6\xD0\xD6\xD0 a");  // positions 0..3 and the line end 4
  CharBlock red{}, limit{}, negative{};
  red.Scores[0] = 41;
  limit.Scores[0] = 42;
  negative.Scores[0] = -3;
  // Entries beyond the text are not coloured.
  const core::CharMapList map = {&red, &limit, nullptr, &negative, nullptr, &red};
  engine::RxRichEditColor(map, pane);
  ASSERT_EQ(pane.Colourings.size(), 2u);
  EXPECT_EQ(pane.Colourings[0].Position, 0);
  EXPECT_EQ(pane.Colourings[0].Rgb, 0xFF0000u);
  EXPECT_EQ(pane.Colourings[1].Position, 3);
  EXPECT_EQ(pane.SelectionStart, 0);
  EXPECT_EQ(pane.SelectionLength, 0);
}

}  // namespace
