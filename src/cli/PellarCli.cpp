// pellarocr-cli: recognises page images without a display.
//
// Start-up does what the desktop program does before its first recognition:
// the template library and Word.Dat are loaded from the program's folder (or
// --library), the classifier's shape lists are built, context is on. The
// arguments are expanded into files (standard input, folders, lists), and
// every page of each file is loaded, prepared, cut into text regions when it
// is set in columns, recognised through the document's FenXi with a headless
// result pane, and its text (or JSON) printed or written to a file. A bad image is reported and skipped; the exit status tells whether
// all went well (0), the call or the environment was wrong (1), some image
// or its ground truth could not be read (2), or the program failed inside a
// recognition (3). In learning mode the library is written back at the end
// when it changed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "app/EngineStartup.h"
#include "app/PageLayoutAnalysis.h"
#include "app/PageOutput.h"
#include "app/PagePreparation.h"
#include "app/Recognition.h"
#include "cli/CliHooks.h"
#include "cli/CliOptions.h"
#include "cli/Inputs.h"
#include "engine/EngineState.h"
#include "input/ImageLoading.h"
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

bool StartEngine(const cli::CliOptions& options) {
  const app::StartResult started = app::StartEngine(options.LibraryDir);
  if (started != app::StartResult::Started) {
    Complain(app::StartFailureText(started) +
             (started == app::StartResult::LibraryFolderMissing ? ": " + options.LibraryDir : ""));
    return false;
  }
  library::LearningMode = options.Learn;
  engine::LineCorrectionEnabled = options.LineCorrection;
  return true;
}

// The exit status of a recognition that did not end well, and what to say.
int StatusOf(engine::RunOutcome outcome, std::string& why) {
  switch (outcome) {
    case engine::RunOutcome::Done:
      return kExitSuccess;
    case engine::RunOutcome::NotMonochrome:
      why = "the page is not black and white";
      return kExitBadInput;
    case engine::RunOutcome::GroundTruthUnusable:
      why = "its ground-truth file is damaged";
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

// A failure of the environment (an output that cannot be written) outweighs
// an unreadable image; an internal error outweighs both.
int CombinedStatus(int status, int imageStatus) {
  if (status == kExitInternal || imageStatus == kExitInternal) return kExitInternal;
  if (status == kExitUsage || imageStatus == kExitUsage) return kExitUsage;
  return std::max(status, imageStatus);
}

// The file an input's result is written to: DIR/<name>.txt or .json
// (standard input: DIR/stdin.*).
std::string OutputPathOf(const cli::CliOptions& options, const cli::InputFile& input) {
  const std::string name = input.StandardInput ? "stdin" : input.Path;
  return app::OutputPath(options.OutputDir, name, options.Format == cli::OutputFormat::Json ? ".json" : ".txt");
}

class ImageProcessor {
 public:
  explicit ImageProcessor(const cli::CliOptions& options) : options_(options) {}

  // Every page of one input, in order. On standard output each page appears
  // as soon as it is read; an output file is written once, after the last
  // page, and only when every page was read.
  int Process(const cli::InputFile& input) {
    input::PageFile file;
    std::string reason;
    if (!cli::OpenInput(input, file, options_.Dpi, reason)) {
      platform::ShowNotice(input::kBitmapFileError);
      Complain(input.Path + ": " + reason);
      return kExitBadInput;
    }
    const bool json = options_.Format == cli::OutputFormat::Json;
    const bool toFile = !options_.OutputDir.empty();
    std::string content;
    int status = kExitSuccess;
    for (int index = 0; index < file.PageCount(); ++index) {
      // Form feeds part the pages of a file in text; a page that failed stays empty.
      if (index > 0 && !json) content += '\f';
      const std::string where = file.PageCount() > 1 ? input.Path + " (page " + std::to_string(index + 1) + ")"
                                                     : input.Path;
      platform::Bitmap page;
      app::PageResult result;
      result.Page = index + 1;
      if (!file.ReadPage(index, page, reason)) {
        Complain(where + ": " + reason);
        status = CombinedStatus(status, kExitBadInput);
      } else {
        status = CombinedStatus(status, Recognise(page, input.Path, where, index, result));
      }
      if (result.Width != 0) content += json ? app::PageJson(result) : app::PageText(result, options_.Encoding);
      if (!toFile) {
        std::fwrite(content.data(), 1, content.size(), stdout);
        std::fflush(stdout);
        content.clear();
      }
    }
    if (!toFile || status != kExitSuccess) return status;
    const std::string path = OutputPathOf(options_, input);
    if (!platform::WriteFileAtomically(path, content)) {
      Complain("cannot write " + path);
      return kExitUsage;
    }
    return status;
  }

 private:
  // One page: prepared, saved when asked, read region by region.
  int Recognise(platform::Bitmap& page, const std::string& path, const std::string& where, int index,
                app::PageResult& result) {
    std::string error;
    if (!app::PreparePage(page, options_.Prepare, error)) {
      Complain(where + ": " + error);
      return kExitBadInput;
    }
    if (!options_.SavePage.empty()) {
      const std::string saved = cli::PagePath(options_.SavePage, index);
      if (!app::SavePage(saved, page, error)) {
        Complain(saved + ": " + error);
        return kExitUsage;
      }
    }
    std::vector<core::Box> regions;
    if (options_.Region) {
      core::Box region = *options_.Region;
      if (!app::ClipRegion(page, region)) {
        Complain(where + ": the region lies outside the page");
        return kExitBadInput;
      }
      regions.push_back(region);
    } else if (!options_.Learn) {
      regions = app::FindTextRegions(page);
    }
    const engine::RunOutcome outcome = app::RecogniseRegions(page, regions, path, result);
    std::string why;
    const int status = StatusOf(outcome, why);
    if (status != kExitSuccess) {
      Complain(where + ": " + why);
      result.Width = 0;
    }
    return status;
  }

  const cli::CliOptions& options_;
};

// Two images whose names differ only in folder or extension would write the
// same output file, the second result over the first.
bool OutputNamesDistinct(const cli::CliOptions& options, const std::vector<cli::InputFile>& inputs) {
  if (options.OutputDir.empty()) return true;
  std::set<std::string> paths;
  for (const cli::InputFile& input : inputs) {
    if (!input.Problem.empty()) continue;
    const std::string path = OutputPathOf(options, input);
    if (!paths.insert(path).second) {
      Complain("two images would both be written to " + path);
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

  const std::vector<cli::InputFile> inputs = cli::ExpandInputs(options.Images);
  if (!options.SavePage.empty() && inputs.size() > 1) {
    Complain("--save-page takes a single image");
    return kExitUsage;
  }
  if (!OutputNamesDistinct(options, inputs)) return kExitUsage;

  cli::CliHooks hooks(stderr, options.ForceLearn);
  platform::SetUi(&hooks);
  if (!PrepareOutputDir(options.OutputDir) || !StartEngine(options)) return kExitUsage;

  int status = kExitSuccess;
  ImageProcessor processor(options);
  for (const cli::InputFile& input : inputs) status = CombinedStatus(status, processor.Process(input));

  if (!app::StopEngine()) {
    Complain("cannot write the template library to " + library::ProgramFolder());
    status = kExitUsage;
  }
  platform::SetUi(nullptr);
  return status;
}
