// pellarocr-cli: recognises page images without a display.
//
// Start-up does what the desktop program does before its first recognition:
// the template library and Word.Dat are loaded from the program's folder (or
// --library), the classifier's shape lists are built, context is on. Each
// image is then loaded, prepared, recognised through the document's FenXi
// with a headless result pane, and its text (or JSON) printed or written to
// a file. A bad image is reported and skipped; the exit status tells whether
// all went well (0), the call or the environment was wrong (1), some image
// or its ground truth could not be read (2), or the program failed inside a
// recognition (3). In learning mode the library folder is locked for the
// whole run, and the library is written back at the end when it changed,
// unless someone else changed its files meanwhile.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "app/EngineStartup.h"
#include "app/PageOutput.h"
#include "app/PagePreparation.h"
#include "app/Recognition.h"
#include "cli/CliHooks.h"
#include "cli/CliOptions.h"
#include "engine/EngineState.h"
#include "library/TemplateLibrary.h"
#include "platform/FileIo.h"
#include "platform/UiHooks.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "unknown"
#endif

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitUsage = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInternal = 3;

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
    Complain(app::StartFailureText(started) +
             (started == app::StartResult::LibraryFolderMissing ? ": " + options.LibraryDir : ""));
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
  explicit ImageProcessor(const cli::CliOptions& options) : options_(options) {}

  int Process(const std::string& path) {
    platform::Bitmap page;
    std::string error;
    if (!app::LoadPage(path, page, error) || !app::PreparePage(page, options_.Prepare, error)) {
      Complain(path + ": " + error);
      return kExitBadInput;
    }
    if (!options_.SavePage.empty() && !app::SavePage(options_.SavePage, page, error)) {
      Complain(options_.SavePage + ": " + error);
      return kExitUsage;
    }
    core::Box region = options_.Region.value_or(core::Box{});
    if (!app::ClipRegion(page, region)) {
      Complain(path + ": the region lies outside the page");
      return kExitBadInput;
    }

    app::PageResult result;
    const engine::RunOutcome outcome = app::RecognisePage(page, region, path, result);
    std::string why;
    if (const int status = StatusOf(outcome, result.TaughtRecords, why); status != kExitSuccess) {
      Complain(path + ": " + why);
      return status;
    }
    return Emit(result);
  }

 private:
  int Emit(const app::PageResult& result) {
    const bool json = options_.Format == cli::OutputFormat::Json;
    const std::string content = json ? app::PageJson(result) : app::PageText(result, options_.Encoding);
    if (options_.OutputDir.empty()) {
      std::fwrite(content.data(), 1, content.size(), stdout);
      std::fflush(stdout);
      return kExitSuccess;
    }
    const std::string path = app::OutputPath(options_.OutputDir, result.Image, json ? ".json" : ".txt");
    if (!platform::WriteFileAtomically(path, content)) {
      Complain("cannot write " + path);
      return kExitUsage;
    }
    return kExitSuccess;
  }

  const cli::CliOptions& options_;
};

// A failure of the environment (an output that cannot be written) outweighs
// an unreadable image; an internal error outweighs both.
int CombinedStatus(int status, int imageStatus) {
  if (status == kExitInternal || imageStatus == kExitInternal) return kExitInternal;
  if (status == kExitUsage || imageStatus == kExitUsage) return kExitUsage;
  return std::max(status, imageStatus);
}

// Two images whose names differ only in folder or extension would write the
// same output file, the second result over the first.
bool OutputNamesDistinct(const cli::CliOptions& options) {
  if (options.OutputDir.empty()) return true;
  std::set<std::string> paths;
  for (const std::string& image : options.Images) {
    const std::string path = app::OutputPath(options.OutputDir, image, "");
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

}  // namespace

int main(int argc, char** argv) {
  cli::CliOptions options;
  std::string error;
  if (!cli::ParseOptions(argc, argv, options, error)) {
    Complain(error);
    std::fprintf(stderr, "Try 'pellarocr-cli --help' for more information.\n");
    return kExitUsage;
  }
  if (options.ShowHelp) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return kExitSuccess;
  }
  if (options.ShowVersion) {
    std::printf("pellarocr-cli %s\n", PELLAR_VERSION);
    return kExitSuccess;
  }

  if (!OutputNamesDistinct(options)) return kExitUsage;

  cli::CliHooks hooks(stderr, options.ForceLearn);
  platform::SetUi(&hooks);
  if (!PrepareOutputDir(options.OutputDir) || !StartEngine(options)) return kExitUsage;

  int status = kExitSuccess;
  ImageProcessor processor(options);
  for (const std::string& image : options.Images) {
    status = CombinedStatus(status, processor.Process(image));
  }

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
  return status;
}
