// Where the outcomes of a batch go: the recognised pages into the output
// documents (one per format and input under an output folder, or one
// document on standard output for all pages of the run), the messages onto
// standard error, a progress line while standard error is a terminal, and
// at the end a summary line with the pages of each exit status.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/OutputFormats.h"
#include "cli/Batch.h"
#include "cli/Inputs.h"

namespace cli {

struct OutputOptions {
  std::vector<app::OutputFormat> Formats;  // one when writing to standard output
  app::OutputSettings Settings;
  std::string OutputDir;  // empty: standard output
};

class BatchOutput : public OutcomeSink {
 public:
  BatchOutput(const OutputOptions& options, const std::vector<InputFile>& inputs, bool showProgress);
  ~BatchOutput() override;

  // False when standard output cannot be written: the batch stops.
  bool TakePage(size_t input, PageOutcome&& outcome) override;
  // Writes the input's files when all its pages were recognised; a file
  // that cannot be written fails the input's pages with status 1.
  bool EndInput(size_t input) override;
  // Ends the document on standard output and prints the summary (for a run
  // of more than one page); the exit status of the run.
  int Finish();

 private:
  struct PageStatus {
    size_t Input;
    int32_t PageNumber;
    int32_t PageCount;
    int Status;
  };

  void Report(const std::string& lines);
  void ClearProgress();
  void ShowProgress();
  bool WriteStandardOutput(const std::string& bytes);
  void WriteFiles(size_t input);
  // Gives the pages of the input the status (where it outweighs theirs).
  void FailInput(size_t input, int status);
  std::string SummaryLine() const;

  OutputOptions options_;
  const std::vector<InputFile>& inputs_;
  bool showProgress_;
  bool progressShown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::vector<std::unique_ptr<app::OutputDocument>>
      documents_;             // of the input in hand, or of standard output
  bool inputFailed_ = false;  // a page of the input in hand failed
  size_t inputsDone_ = 0;
  std::vector<PageStatus> statuses_;
  int status_ = kExitSuccess;
};

}  // namespace cli
