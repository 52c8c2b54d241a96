// Page outcomes through bytes: everything comes back, and damaged bytes are
// refused.
#include <gtest/gtest.h>

#include "cli/OutcomeCodec.h"
#include "support/OutputFixtures.h"

namespace {

cli::PageOutcome RecognisedOutcome() {
  cli::PageOutcome outcome;
  outcome.PageNumber = 3;
  outcome.Messages = "pellarocr-cli: 位图文件错误！\n";
  outcome.Result = outputtest::TwoLinePage();
  app::PageResult& page = *outcome.Result;
  page.Seconds = 0.125;
  page.XPelsPerMeter = 11811;
  page.Page = platform::Bitmap(page.Width, page.Height, 1);
  page.Page.Palette()[0] = platform::RgbQuad{0, 0, 0, 0};  // ink stored as 0
  page.Page.Row(7)[3] = 0x5A;
  page.Page.YPelsPerMeter = 11812;
  return outcome;
}

TEST(OutcomeCodec, EveryFieldComesBack) {
  const cli::PageOutcome sent = RecognisedOutcome();
  cli::PageOutcome got;
  ASSERT_TRUE(cli::DecodeOutcome(cli::EncodeOutcome(sent), got));
  EXPECT_EQ(got.PageNumber, 3);
  EXPECT_EQ(got.Status, cli::kExitSuccess);
  EXPECT_EQ(got.Messages, sent.Messages);
  ASSERT_TRUE(got.Result.has_value());
  const app::PageResult& a = *sent.Result;
  const app::PageResult& b = *got.Result;
  EXPECT_EQ(b.Image, a.Image);
  EXPECT_EQ(b.Seconds, a.Seconds);
  EXPECT_EQ(b.XPelsPerMeter, a.XPelsPerMeter);
  EXPECT_EQ(b.PaneLines, a.PaneLines);
  ASSERT_EQ(b.Lines.size(), a.Lines.size());
  for (size_t i = 0; i < a.Lines.size(); ++i) {
    EXPECT_EQ(b.Lines[i].Text, a.Lines[i].Text);
    EXPECT_EQ(b.Lines[i].Box.Bottom, a.Lines[i].Box.Bottom);
    ASSERT_EQ(b.Lines[i].Blocks.size(), a.Lines[i].Blocks.size());
    for (size_t k = 0; k < a.Lines[i].Blocks.size(); ++k) {
      const app::BlockResult& x = a.Lines[i].Blocks[k];
      const app::BlockResult& y = b.Lines[i].Blocks[k];
      EXPECT_EQ(y.Text, x.Text);
      EXPECT_EQ(y.SpacesBefore, x.SpacesBefore);
      EXPECT_EQ(y.Box.Right, x.Box.Right);
      EXPECT_EQ(y.Features, x.Features);
      ASSERT_EQ(y.Candidates.size(), x.Candidates.size());
      for (size_t c = 0; c < x.Candidates.size(); ++c) {
        EXPECT_EQ(y.Candidates[c].Code, x.Candidates[c].Code);
        EXPECT_EQ(y.Candidates[c].Score, x.Candidates[c].Score);
      }
    }
  }
  EXPECT_EQ(b.Page.Width(), a.Page.Width());
  EXPECT_EQ(b.Page.BitCount(), 1);
  EXPECT_EQ(b.Page.Bits(), a.Page.Bits());
  EXPECT_EQ(b.Page.Palette()[0].Red, 0);
  EXPECT_EQ(b.Page.YPelsPerMeter, 11812);

  cli::PageOutcome failed;
  failed.Status = cli::kExitBadInput;
  ASSERT_TRUE(cli::DecodeOutcome(cli::EncodeOutcome(failed), got));
  EXPECT_EQ(got.Status, cli::kExitBadInput);
  EXPECT_FALSE(got.Result.has_value());
}

TEST(OutcomeCodec, TruncatedLengthenedOrDamagedBytesAreRefused) {
  const std::string bytes = cli::EncodeOutcome(RecognisedOutcome());
  cli::PageOutcome got;
  for (size_t length = 0; length < bytes.size(); length += 97)
    EXPECT_FALSE(cli::DecodeOutcome(bytes.substr(0, length), got)) << length;
  EXPECT_FALSE(cli::DecodeOutcome(bytes + "x", got));
  // A line count far beyond what the bytes can hold.
  std::string damaged = cli::EncodeOutcome(cli::PageOutcome{});
  damaged.back() = 1;  // claims a result
  damaged += std::string(4, '\xFF');
  EXPECT_FALSE(cli::DecodeOutcome(damaged, got));
}

}  // namespace
