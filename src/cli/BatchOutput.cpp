// Output of a batch (see BatchOutput.h). A file under the output folder is
// replaced only when every page of its input was recognised and the whole
// document could be made, so a failed input keeps its old results. Standard
// output gets each part of its document as soon as it is complete; a write
// error there (a full disk, a closed pipe) ends the run with status 1.
#include "cli/BatchOutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/FileIo.h"

namespace cli {

namespace {

constexpr size_t kNamesPerStatus = 10;
const char* const kClearLine = "\r\033[K";

std::string Plural(size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

BatchOutput::BatchOutput(const OutputOptions& options, const std::vector<InputFile>& inputs,
                         bool showProgress)
    : options_(options),
      inputs_(inputs),
      showProgress_(showProgress),
      start_(std::chrono::steady_clock::now()) {
  if (options_.OutputDir.empty())
    documents_.push_back(std::make_unique<app::OutputDocument>(options_.Formats.front(), options_.Settings));
}

BatchOutput::~BatchOutput() = default;

void BatchOutput::ClearProgress() {
  if (!progressShown_) return;
  std::fputs(kClearLine, stderr);
  std::fflush(stderr);
  progressShown_ = false;
}

void BatchOutput::Report(const std::string& lines) {
  if (lines.empty()) return;
  ClearProgress();
  std::fputs(lines.c_str(), stderr);
  std::fflush(stderr);
}

void BatchOutput::ShowProgress() {
  if (!showProgress_) return;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  const double rate = elapsed.count() > 0 ? statuses_.size() / elapsed.count() : 0;
  std::fprintf(stderr, "%s%s (%zu of %s), %.2f pages/s", kClearLine, Plural(statuses_.size(), "page").c_str(),
               inputsDone_, Plural(inputs_.size(), "file").c_str(), rate);
  std::fflush(stderr);
  progressShown_ = true;
}

bool BatchOutput::WriteStandardOutput(const std::string& bytes) {
  if (bytes.empty()) return true;
  ClearProgress();  // standard output may be the same terminal
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0)
    return true;
  Report("pellarocr-cli: cannot write to standard output: " + std::string(std::strerror(errno)) + "\n");
  status_ = CombinedStatus(status_, kExitUsage);
  return false;
}

bool BatchOutput::TakePage(size_t input, PageOutcome&& outcome) {
  Report(outcome.Messages);
  if (!options_.OutputDir.empty() && documents_.empty()) {
    inputFailed_ = false;
    for (app::OutputFormat format : options_.Formats)
      documents_.push_back(std::make_unique<app::OutputDocument>(format, options_.Settings));
  }
  int status = outcome.Status;
  if (status == kExitSuccess && outcome.Result) {
    for (const auto& document : documents_) {
      if (!document->AddPage(*outcome.Result)) {
        Report("pellarocr-cli: " + PageName(inputs_[input].Path, outcome.PageNumber, outcome.PageCount) + ": " +
               document->Error() + "\n");
        status = kExitInternal;
      }
    }
  } else if (outcome.PageNumber > 0) {
    // A page of an input that could be opened keeps its place.
    for (const auto& document : documents_) document->SkipPage();
  }
  inputFailed_ = inputFailed_ || status != kExitSuccess;
  statuses_.push_back(PageStatus{input, outcome.PageNumber, outcome.PageCount, status});
  status_ = CombinedStatus(status_, status);
  bool going = true;
  if (options_.OutputDir.empty()) going = WriteStandardOutput(documents_.front()->TakeReady());
  ShowProgress();
  return going;
}

void BatchOutput::WriteFiles(size_t input) {
  for (const auto& document : documents_) {
    if (!document->Finish()) {
      Report("pellarocr-cli: " + inputs_[input].Path + ": " + document->Error() + "\n");
      FailInput(input, kExitInternal);
      return;
    }
  }
  for (size_t f = 0; f < documents_.size(); ++f) {
    const std::string path = app::OutputPath(options_.OutputDir, OutputName(inputs_[input]),
                                             app::FormatExtension(options_.Formats[f]));
    if (!platform::WriteFileAtomically(path, documents_[f]->TakeReady())) {
      Report("pellarocr-cli: cannot write " + path + ": " + std::strerror(errno) + "\n");
      FailInput(input, kExitUsage);
    }
  }
}

void BatchOutput::FailInput(size_t input, int status) {
  for (PageStatus& page : statuses_)
    if (page.Input == input) page.Status = CombinedStatus(page.Status, status);
  status_ = CombinedStatus(status_, status);
}

bool BatchOutput::EndInput(size_t input) {
  ++inputsDone_;
  if (options_.OutputDir.empty()) return true;
  if (!documents_.empty() && !inputFailed_) WriteFiles(input);
  documents_.clear();
  ShowProgress();
  return true;
}

std::string BatchOutput::SummaryLine() const {
  std::map<int, std::vector<const PageStatus*>> byStatus;
  for (const PageStatus& page : statuses_) byStatus[page.Status].push_back(&page);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  char timing[64];
  std::snprintf(timing, sizeof timing, " in %.1f s (%.2f pages/s)", elapsed.count(),
                elapsed.count() > 0 ? statuses_.size() / elapsed.count() : 0.0);
  std::string line = "pellarocr-cli: " + Plural(statuses_.size(), "page") + timing;
  for (const auto& [status, pages] : byStatus) {
    line += "; status " + std::to_string(status) + ": " + Plural(pages.size(), "page");
    if (status == kExitSuccess) continue;
    line += " (";
    for (size_t i = 0; i < pages.size() && i < kNamesPerStatus; ++i)
      line += (i > 0 ? ", " : "") +
              PageName(inputs_[pages[i]->Input].Path, pages[i]->PageNumber, pages[i]->PageCount);
    if (pages.size() > kNamesPerStatus)
      line += " and " + std::to_string(pages.size() - kNamesPerStatus) + " more";
    line += ")";
  }
  return line + "\n";
}

int BatchOutput::Finish() {
  if (options_.OutputDir.empty() && !documents_.empty()) {
    app::OutputDocument& document = *documents_.front();
    if (!document.Finish()) {
      Report("pellarocr-cli: " + document.Error() + "\n");
      status_ = CombinedStatus(status_, kExitInternal);
    }
    WriteStandardOutput(document.TakeReady());
  }
  ClearProgress();
  if (statuses_.size() > 1) Report(SummaryLine());
  return status_;
}

}  // namespace cli
