// pellarocr-cli: recognises page images without a display.
//
// Start-up does what the desktop program does before its first recognition:
// the template library and Word.Dat are loaded from --library, or the folder
// the library search finds, the classifier's shape lists are built, context
// is on. The arguments are expanded into files (standard input, folders,
// lists), and the files are recognised as a batch (in worker processes
// forked after start-up, unless one job is asked for): every page of each
// file is loaded, prepared, cut into text regions when it is set in columns,
// recognised through the document's FenXi with a headless result pane, and
// goes into the output documents, printed or written to files. A bad file
// or page is reported and skipped; the exit status tells whether all went
// well (0), the call or the environment was wrong (1), some image or its
// ground truth could not be read (2), or the program failed inside a
// recognition (3). In learning mode the images are recognised one after the
// other in this process, the library folder is locked for the whole run, and
// the library is written back at the end when it changed, unless someone
// else changed its files meanwhile.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "app/EngineStartup.h"
#include "app/PageLayoutAnalysis.h"
#include "app/PageOutput.h"
#include "app/PagePreparation.h"
#include "app/Recognition.h"
#include "cli/Batch.h"
#include "cli/BatchOutput.h"
#include "cli/CliHooks.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/Inputs.h"
#include "cli/MessageLog.h"
#include "engine/EngineState.h"
#include "input/ImageLoading.h"
#include "library/TemplateLibrary.h"
#include "platform/UiHooks.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "unknown"
#endif

namespace {

using cli::kExitBadInput;
using cli::kExitInternal;
using cli::kExitSuccess;
using cli::kExitUsage;

void Complain(const std::string& message) {
  std::fprintf(stderr, "pellarocr-cli: %s\n", message.c_str());
}

// A learning run locks its library first: another one teaching it is waited
// for (with a word on standard error), up to --lock-timeout.
bool StartEngine(const cli::CliOptions& options) {
  library::LockWait wait;
  if (options.LockTimeout) wait.Timeout = std::chrono::seconds(*options.LockTimeout);
  wait.Waiting = [] {
    Complain("the template library in " + library::ProgramFolder() +
             " is being taught by another run; waiting for it to finish");
  };
  const app::StartResult started =
      app::StartEngine(options.LibraryDir, nullptr, options.Learn ? &wait : nullptr);
  if (started != app::StartResult::Started) {
    Complain(app::StartFailureText(started));
    return false;
  }
  if (library::LibraryEmpty()) {
    Complain("warning: the template library in " + library::ProgramFolder() +
             " has no entries; nothing can be recognised until it is taught");
  }
  library::LearningMode = options.Learn;
  engine::LineCorrectionEnabled = options.LineCorrection;
  return true;
}

// What became of the records of a damaged ground-truth file: those before a
// short record at its end are learned, and saved with the library.
std::string DamagedGroundTruthText(int32_t taught) {
  if (taught == 0) return "its ground-truth file is damaged; nothing was learned from it";
  return "its ground-truth file is damaged; the " + std::to_string(taught) +
         " complete records before the damage were learned, and the library is saved with them";
}

// The exit status of a recognition that did not end well, and what to say.
int StatusOf(engine::RunOutcome outcome, int32_t taughtRecords, std::string& why) {
  switch (outcome) {
    case engine::RunOutcome::Done:
      return kExitSuccess;
    case engine::RunOutcome::NotMonochrome:
      why = "the page is not black and white";
      return kExitBadInput;
    case engine::RunOutcome::GroundTruthUnusable:
      why = DamagedGroundTruthText(taughtRecords);
      return kExitBadInput;
    case engine::RunOutcome::GroundTruthUnsaved:
      why = "the converted ground-truth file could not be written";
      return kExitUsage;
    case engine::RunOutcome::NoPageBits:
      why = "the page's pixels could not be read into memory";
      return kExitInternal;
    case engine::RunOutcome::InternalError:
      why = "recognition failed";
      return kExitInternal;
  }
  return kExitInternal;
}

class ImageProcessor {
 public:
  ImageProcessor(const cli::CliOptions& options, cli::MessageLog& log, bool keepPages)
      : options_(options), log_(log), keepPages_(keepPages) {}

  // Recognises every page of one input, in order, handing over each page's
  // outcome with what the hooks and the processing had to say; an input
  // that cannot be opened has one outcome, for page 0.
  void Process(const cli::InputFile& input, const cli::PageEmitter& emit) {
    input::PageFile file;
    std::string reason;
    if (!cli::OpenInput(input, file, options_.Dpi, reason)) {
      platform::ShowNotice(input::kBitmapFileError);
      cli::PageOutcome outcome;
      outcome.PageNumber = 0;
      outcome.Status = kExitBadInput;
      outcome.Messages = log_.Take() + "pellarocr-cli: " + input.Path + ": " + reason + "\n";
      emit(std::move(outcome));
      return;
    }
    for (int32_t index = 0; index < file.PageCount(); ++index) {
      cli::PageOutcome outcome;
      outcome.PageNumber = index + 1;
      outcome.PageCount = file.PageCount();
      std::string notes;
      const std::string where = cli::PageName(input.Path, outcome.PageNumber, outcome.PageCount);
      platform::Bitmap page;
      if (!file.ReadPage(index, page, reason)) {
        notes = "pellarocr-cli: " + where + ": " + reason + "\n";
        outcome.Status = kExitBadInput;
      } else {
        outcome.Status = Recognise(page, input.Path, where, index, outcome, notes);
      }
      outcome.Messages = log_.Take() + notes;
      emit(std::move(outcome));
    }
  }

 private:
  // One page: prepared, saved when asked, read region by region.
  int Recognise(platform::Bitmap& page, const std::string& path, const std::string& where, int32_t index,
                cli::PageOutcome& outcome, std::string& notes) {
    auto complain = [&](const std::string& message) { notes += "pellarocr-cli: " + message + "\n"; };
    std::string error;
    if (!app::PreparePage(page, options_.Prepare, error)) {
      complain(where + ": " + error);
      return kExitBadInput;
    }
    if (!options_.SavePage.empty()) {
      const std::string saved = cli::PagePath(options_.SavePage, index);
      if (!app::SavePage(saved, page, error)) {
        complain(saved + ": " + error);
        return kExitUsage;
      }
    }
    std::vector<core::Box> regions;
    if (options_.Region) {
      core::Box region = *options_.Region;
      if (!app::ClipRegion(page, region)) {
        complain(where + ": the region lies outside the page");
        return kExitBadInput;
      }
      regions.push_back(region);
    } else if (!options_.Learn) {
      regions = app::FindTextRegions(page);
    }

    app::PageResult result;
    const engine::RunOutcome run = app::RecogniseRegions(page, regions, path, result);
    std::string why;
    if (const int status = StatusOf(run, result.TaughtRecords, why); status != kExitSuccess) {
      complain(where + ": " + why);
      return status;
    }
    result.PageNumber = outcome.PageNumber;
    if (keepPages_) result.Page = std::move(page);
    outcome.Result = std::move(result);
    return kExitSuccess;
  }

  const cli::CliOptions& options_;
  cli::MessageLog& log_;
  bool keepPages_;
};

// Two images whose names differ only in folder or extension would write the
// same output file, the second result over the first.
bool OutputNamesDistinct(const cli::CliOptions& options, const std::vector<cli::InputFile>& inputs) {
  if (options.OutputDir.empty()) return true;
  std::set<std::string> paths;
  for (const cli::InputFile& input : inputs) {
    if (!input.Problem.empty()) continue;
    const std::string path = app::OutputPath(options.OutputDir, cli::OutputName(input), "");
    if (!paths.insert(path).second) {
      Complain("two images would both be written to " + path + ".*");
      return false;
    }
  }
  return true;
}

bool PrepareOutputDir(const std::string& dir) {
  if (dir.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (std::filesystem::is_directory(dir, ec)) return true;
  Complain("cannot create the output folder " + dir);
  return false;
}

// A standard stream that was closed when the program started keeps its
// number taken by /dev/null, opened the wrong way round, so that no file the
// program opens later takes its place and gets its output, and writing to it
// fails as it should.
void HoldClosedStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
      ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
  }
}

// Closes standard output, so that output still in its buffer is written;
// a failure there fails the run.
int CloseStandardOutput(int status) {
  if (std::fclose(stdout) == 0) return status;
  Complain(std::string("cannot write to standard output: ") + std::strerror(errno));
  return cli::CombinedStatus(status, kExitUsage);
}

cli::OutputOptions OutputOptionsOf(const cli::CliOptions& options) {
  cli::OutputOptions output;
  output.Formats = options.Formats;
  output.Settings.Encoding = options.Encoding;
  output.Settings.Features = options.JsonFeatures ? app::JsonFeatures::Include : app::JsonFeatures::Omit;
  output.OutputDir = options.OutputDir;
  return output;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe on standard output is a write error to report, not a
  // silent end.
  std::signal(SIGPIPE, SIG_IGN);
  HoldClosedStandardStreams();
  cli::CliOptions options;
  std::string error;
  if (!cli::ParseOptions(argc, argv, options, error)) {
    Complain(error);
    std::fprintf(stderr, "Try 'pellarocr-cli --help' for more information.\n");
    return kExitUsage;
  }
  if (options.ShowHelp) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return CloseStandardOutput(kExitSuccess);
  }
  if (options.ShowVersion) {
    std::printf("pellarocr-cli %s\n", PELLAR_VERSION);
    return CloseStandardOutput(kExitSuccess);
  }

  std::vector<cli::InputFile> inputs = cli::ExpandInputs(options.Images);
  if (!options.SavePage.empty() && inputs.size() > 1) {
    Complain("--save-page takes a single image");
    return kExitUsage;
  }
  if (!OutputNamesDistinct(options, inputs)) return kExitUsage;
  cli::TakeStandardInput(inputs);

  cli::CliHooks startHooks(stderr, options.ForceLearn);
  platform::SetUi(&startHooks);
  if (!PrepareOutputDir(options.OutputDir) || !StartEngine(options)) return kExitUsage;

  // The hooks of the pages write into the log, which goes out with each
  // page's outcome.
  cli::MessageLog log;
  cli::CliHooks hooks(log.File(), options.ForceLearn);
  platform::SetUi(&hooks);
  bool keepPages = false;
  for (app::OutputFormat format : options.Formats) keepPages = keepPages || app::ShowsPageImage(format);
  ImageProcessor processor(options, log, keepPages);
  // Learning changes the library of this process: no workers then.
  const int32_t jobs = options.Learn ? 1 : options.Jobs > 0 ? options.Jobs : cli::AvailableCores();
  cli::BatchOutput output(OutputOptionsOf(options), inputs, ::isatty(STDERR_FILENO) == 1);
  cli::RunBatch(
      inputs.size(), jobs,
      [&](size_t index, const cli::PageEmitter& emit) { processor.Process(inputs[index], emit); }, output);
  int status = output.Finish();

  platform::SetUi(&startHooks);
  std::string problem;
  switch (app::StopEngine(library::SaveMode::KeepChangedFiles, &problem)) {
    case library::SaveResult::Saved:
      break;
    case library::SaveResult::ChangedOnDisk:
      Complain("the template library in " + library::ProgramFolder() +
               " was changed by another program since it was loaded; it was left as it is, and what this "
               "run learned was not saved");
      status = kExitUsage;
      break;
    case library::SaveResult::Failed:
      Complain("cannot write the template library to " + library::ProgramFolder() + ": " + problem);
      status = kExitUsage;
      break;
  }
  platform::SetUi(nullptr);
  return CloseStandardOutput(status);
}
