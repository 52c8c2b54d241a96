// Batches in worker processes: outcomes in input order however the workers
// finish, the pages of an input in page order, a crashing worker failing
// only its own input, and a sink that stops the batch.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <set>
#include <thread>

#include "cli/Batch.h"

namespace {

struct Delivered {
  size_t Input;
  int32_t Page;
  int Status;
  std::string Messages;
};

class RecordingSink : public cli::OutcomeSink {
 public:
  explicit RecordingSink(size_t stopAfter = SIZE_MAX) : stopAfter_(stopAfter) {}
  bool TakePage(size_t input, cli::PageOutcome&& outcome) override {
    Pages.push_back(Delivered{input, outcome.PageNumber, outcome.Status, outcome.Messages});
    return Pages.size() < stopAfter_;
  }
  bool EndInput(size_t input) override {
    Ended.push_back(input);
    return true;
  }
  std::vector<Delivered> Pages;
  std::vector<size_t> Ended;

 private:
  size_t stopAfter_;
};

// Input i has i % 3 + 1 pages; early inputs take longest, so later ones
// finish first. Each outcome says which process made it.
void SlowFirst(size_t input, const cli::PageEmitter& emit) {
  std::this_thread::sleep_for(std::chrono::milliseconds(input < 3 ? 60 : 1));
  for (int32_t page = 1; page <= static_cast<int32_t>(input % 3) + 1; ++page) {
    cli::PageOutcome outcome;
    outcome.PageNumber = page;
    outcome.Messages = std::to_string(::getpid());
    emit(std::move(outcome));
  }
}

TEST(Batch, OutcomesComeInInputAndPageOrderFromSeveralWorkers) {
  RecordingSink sink;
  cli::RunBatch(12, 3, SlowFirst, sink);
  ASSERT_EQ(sink.Ended.size(), 12u);
  std::set<std::string> processes;
  size_t at = 0;
  for (size_t input = 0; input < 12; ++input) {
    EXPECT_EQ(sink.Ended[input], input);
    for (int32_t page = 1; page <= static_cast<int32_t>(input % 3) + 1; ++page, ++at) {
      ASSERT_LT(at, sink.Pages.size());
      EXPECT_EQ(sink.Pages[at].Input, input);
      EXPECT_EQ(sink.Pages[at].Page, page);
      processes.insert(sink.Pages[at].Messages);
    }
  }
  EXPECT_EQ(at, sink.Pages.size());
  EXPECT_GT(processes.size(), 1u);
  EXPECT_EQ(processes.count(std::to_string(::getpid())), 0u);
}

TEST(Batch, OneJobOrOneInputRunsInThisProcess) {
  RecordingSink one;
  cli::RunBatch(4, 1, SlowFirst, one);
  ASSERT_EQ(one.Ended.size(), 4u);
  for (const Delivered& page : one.Pages) EXPECT_EQ(page.Messages, std::to_string(::getpid()));
  RecordingSink single;
  cli::RunBatch(1, 4, SlowFirst, single);
  ASSERT_EQ(single.Pages.size(), 1u);
  EXPECT_EQ(single.Pages[0].Messages, std::to_string(::getpid()));
}

TEST(Batch, AWorkerThatCrashesFailsOnlyItsInput) {
  RecordingSink sink;
  cli::RunBatch(
      6, 2,
      [](size_t input, const cli::PageEmitter& emit) {
        cli::PageOutcome first;
        first.PageNumber = 1;
        emit(std::move(first));
        if (input == 2) ::raise(SIGKILL);  // dies after one page
        cli::PageOutcome second;
        second.PageNumber = 2;
        emit(std::move(second));
      },
      sink);
  ASSERT_EQ(sink.Ended.size(), 6u);
  std::vector<Delivered> ofTwo;
  for (const Delivered& page : sink.Pages) {
    if (page.Input == 2) {
      ofTwo.push_back(page);
    } else {
      EXPECT_EQ(page.Status, cli::kExitSuccess);
    }
  }
  ASSERT_EQ(ofTwo.size(), 2u);
  EXPECT_EQ(ofTwo[0].Status, cli::kExitSuccess);
  EXPECT_EQ(ofTwo[1].Status, cli::kExitInternal);
  EXPECT_NE(ofTwo[1].Messages.find("ended unexpectedly (signal 9)"), std::string::npos);
  EXPECT_EQ(sink.Pages.size(), 5u * 2 + 2);
}

TEST(Batch, ASinkThatRefusesStopsTheBatch) {
  RecordingSink sink(3);
  cli::RunBatch(40, 2, SlowFirst, sink);
  EXPECT_EQ(sink.Pages.size(), 3u);
  EXPECT_LT(sink.Ended.size(), 3u);
}

}  // namespace
