// Scanner acquisition through our source manager and SANE's test devices:
// choosing a source (and cancelling the choice), a scan with the source's
// settings, a cancelled scan, the pages of a feeder (only the last one kept,
// the others released), a name that is not in the list, no devices, and a
// missing manager library.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/BmpCodec.h"
#include "input/AcquireImage.h"
#include "input/ImageLoading.h"
#include "support/ScannerFixtures.h"

namespace input {
namespace {

struct Errors {
  std::vector<std::pair<int32_t, int32_t>> Seen;  // stage, code
};

class AcquireImageTest : public testing::Test {
 protected:
  void SetUp() override {
    scanner_.TwainLibrary = scanner_test::TwainLibraryPath();
    scanner_.OnTwainError = [this](TAcquireImage&, int32_t stage, int32_t code) {
      errors_.Seen.emplace_back(stage, code);
    };
    scanner_.OnChooseSource = [this](const std::vector<TW_IDENTITY>& sources, int32_t current) {
      listed_.clear();
      for (const TW_IDENTITY& source : sources) listed_.emplace_back(source.ProductName);
      current_ = current;
      ++choices_;
      return choose_;
    };
  }

  // The page of an acquisition as the program opens it.
  platform::Bitmap PageOf(platform::GlobalHandle dib) {
    std::vector<uint8_t> stream;
    EXPECT_TRUE(DibToBitmapStream(dib, stream));
    platform::Bitmap page;
    EXPECT_TRUE(formats::DecodeBmp(stream.data(), stream.size(), page));
    return page;
  }

  TAcquireImage scanner_;
  Errors errors_;
  std::vector<std::string> listed_;
  int32_t current_ = -2;
  int32_t choose_ = 1;
  int choices_ = 0;
};

TEST_F(AcquireImageTest, ChoosesASourceThenScansFromTheDefault) {
  scanner_test::SaneTestDevices devices(true, {"test-picture \"Color pattern\""});
  ASSERT_TRUE(scanner_.LoadTwain());
  // The choice of the source, as the scanner command makes it.
  EXPECT_EQ(scanner_.OpenSourceManager(), 0);
  const std::string chosen = scanner_.SelectSource(false);
  EXPECT_EQ(chosen, "test:1");
  EXPECT_EQ(listed_, (std::vector<std::string>{"test:0", "test:1"}));
  EXPECT_EQ(scanner_.FindSource(chosen), 0);
  EXPECT_EQ(choices_, 1);

  // The scan: the default source, its settings, one page.
  scanner_.OpenSourceManager();  // still open: the manager says so
  ASSERT_EQ(errors_.Seen.size(), 1u);
  EXPECT_EQ(errors_.Seen[0], std::make_pair(int32_t{kStageOpenManager}, int32_t{32768 + TWCC_SEQERROR}));
  EXPECT_EQ(scanner_.SelectSource(true), "test:1");
  EXPECT_EQ(scanner_.FindSource("test:1"), 0);
  EXPECT_EQ(scanner_.OpenSource(), 0);
  std::string settingsOf;
  scanner_.OnSetUpScan = [&settingsOf](const TW_IDENTITY& source, ScanChoices& choices) {
    settingsOf = source.ProductName;
    for (int i = 0; i < choices.ModeCount; ++i) {
      if (std::strcmp(choices.Modes[i], "Color") == 0) choices.Mode = i;
    }
    return true;
  };
  platform::GlobalHandle dib = 0;
  ASSERT_EQ(scanner_.Acquire(dib), 0);
  EXPECT_EQ(settingsOf, "test:1");
  const platform::Bitmap page = PageOf(dib);
  EXPECT_EQ(platform::GlobalSize(dib), 0u);  // the conversion released the block
  // 80 × 100 mm at the device's 50 dpi, in colour.
  EXPECT_NEAR(page.Width(), 157, 1);
  EXPECT_NEAR(page.Height(), 197, 1);
  EXPECT_EQ(page.BitCount(), 24);
  EXPECT_EQ(scanner_.CloseAll(), 0);
  // Everything is closed: a new session opens.
  EXPECT_EQ(scanner_.OpenSourceManager(), 0);
  EXPECT_EQ(scanner_.CloseAll(), 0);
}

TEST_F(AcquireImageTest, CancelledChoiceAndCancelledScan) {
  scanner_test::SaneTestDevices devices;
  ASSERT_TRUE(scanner_.LoadTwain());
  scanner_.OpenSourceManager();
  choose_ = -1;
  const std::string chosen = scanner_.SelectSource(false);
  EXPECT_EQ(chosen, "");
  // An empty name shows the dialog a second time.
  EXPECT_EQ(scanner_.FindSource(chosen), TWRC_CANCEL);
  EXPECT_EQ(choices_, 2);

  EXPECT_EQ(scanner_.SelectSource(true), "test:0");
  EXPECT_EQ(scanner_.OpenSource(), 0);
  scanner_.OnSetUpScan = [](const TW_IDENTITY&, ScanChoices&) { return false; };
  platform::GlobalHandle dib = 7;
  EXPECT_EQ(scanner_.Acquire(dib), TWRC_CANCEL);
  EXPECT_EQ(dib, 0u);
  // Source and manager close.
  EXPECT_EQ(scanner_.CloseAll(), 0);
  EXPECT_EQ(scanner_.OpenSourceManager(), 0);
}

TEST_F(AcquireImageTest, FeederPagesKeepTheLastOne) {
  scanner_test::SaneTestDevices devices;
  ASSERT_TRUE(scanner_.LoadTwain());
  scanner_.OpenSourceManager();
  scanner_.FindSource(scanner_.SelectSource(true));
  ASSERT_EQ(scanner_.OpenSource(), 0);
  scanner_.OnSetUpScan = [](const TW_IDENTITY&, ScanChoices& choices) {
    for (int i = 0; i < choices.SourceCount; ++i) {
      if (std::strstr(choices.Sources[i], "Feeder") != nullptr) choices.Source = i;
    }
    return true;
  };
  // Handles count up: the blocks of the scan lie between two probes.
  const platform::GlobalHandle before = platform::GlobalAlloc(platform::kGmemMoveable, 1);
  platform::GlobalHandle dib = 0;
  ASSERT_EQ(scanner_.Acquire(dib), 0);
  const platform::GlobalHandle after = platform::GlobalAlloc(platform::kGmemMoveable, 1);
  int live = 0;
  platform::GlobalHandle newest = 0;
  for (platform::GlobalHandle h = before + 1; h < after; ++h) {
    if (platform::GlobalSize(h) > 0) {
      ++live;
      newest = h;
    }
  }
  EXPECT_EQ(live, 1);
  EXPECT_EQ(dib, newest);
  EXPECT_GT(after - before, 2u * 10);  // ten pages were handed over
  PageOf(dib);
  platform::GlobalFree(before);
  platform::GlobalFree(after);
  EXPECT_EQ(scanner_.CloseAll(), 0);
}

TEST_F(AcquireImageTest, ANameNotInTheListEndsTheSearch) {
  scanner_test::SaneTestDevices devices;
  ASSERT_TRUE(scanner_.LoadTwain());
  scanner_.OpenSourceManager();
  EXPECT_EQ(scanner_.FindSource("gone:0"), TWRC_ENDOFLIST);
  EXPECT_EQ(errors_.Seen.back().first, kStageSourceIdentity);
  // Nothing is named, so the default source opens.
  EXPECT_EQ(scanner_.OpenSource(), 0);
  EXPECT_EQ(scanner_.CloseAll(), 0);
}

TEST_F(AcquireImageTest, NoDevices) {
  scanner_test::SaneTestDevices devices(false);
  ASSERT_TRUE(scanner_.LoadTwain());
  EXPECT_EQ(scanner_.OpenSourceManager(), 0);
  EXPECT_EQ(scanner_.SelectSource(false), "");
  EXPECT_EQ(scanner_.FindSource(""), 32768 + TWCC_NODS);
  EXPECT_EQ(scanner_.SelectSource(true), "");
  EXPECT_EQ(scanner_.OpenSource(), 32768 + TWCC_NODS);
  platform::GlobalHandle dib = 0;
  EXPECT_NE(scanner_.Acquire(dib), 0);
  EXPECT_EQ(dib, 0u);
  scanner_.CloseAll();
  const std::vector<int32_t> stages = {kStageSourceIdentity, kStageSourceIdentity, kStageSourceIdentity,
                                       kStageOpenSource, kStageEnableSource};
  ASSERT_EQ(errors_.Seen.size(), stages.size());
  for (size_t i = 0; i < stages.size(); ++i) EXPECT_EQ(errors_.Seen[i].first, stages[i]);
}

TEST_F(AcquireImageTest, MissingLibrarySendsNothing) {
  scanner_.TwainLibrary = "/nonexistent/libpellar-twaindsm.so";
  EXPECT_FALSE(scanner_.LoadTwain());
  EXPECT_FALSE(scanner_.TwainLoaded());
  EXPECT_EQ(scanner_.OpenSourceManager(), 1);
  EXPECT_EQ(scanner_.SelectSource(false), "");
  EXPECT_EQ(scanner_.FindSource("test:0"), 1);
  EXPECT_EQ(scanner_.OpenSource(), 1);
  platform::GlobalHandle dib = 0;
  EXPECT_EQ(scanner_.Acquire(dib), 1);
  EXPECT_EQ(scanner_.CloseAll(), 1);
  EXPECT_EQ(scanner_.ConditionCode(), 1);
  EXPECT_EQ(choices_, 0);
  // A library without the manager's entries is no manager.
  scanner_.TwainLibrary = "libc.so.6";
  EXPECT_FALSE(scanner_.LoadTwain());
  EXPECT_FALSE(scanner_.TwainLoaded());
}

}  // namespace
}  // namespace input
