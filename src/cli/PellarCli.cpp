// pellarocr-cli: recognises page images without a display.
//
// Start-up does what the desktop program does before its first recognition:
// the template library and Word.Dat are loaded from the program's folder (or
// --library), the classifier's shape lists are built, context is on. Each
// image is then loaded, prepared, recognised through the document's FenXi
// with a headless result pane, and its text (or JSON) printed or written to
// a file. A bad image is reported and skipped; the exit status tells whether
// all went well (0), the call or the environment was wrong (1), or some
// image could not be read (2). In learning mode the library is written back
// at the end when it changed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "cli/CliEngine.h"
#include "cli/CliHooks.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/CliPage.h"
#include "engine/EngineState.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "platform/UiHooks.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "unknown"
#endif

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitUsage = 1;
constexpr int kExitBadInput = 2;

// Messages of a run that mean the page or its ground truth was unusable.
const char* const kFailedRunMessages[] = {"出错信息:", ".RED文件有错误！", ".REC文件有错误！",
                                          "写.RED文件出错！"};

void Complain(const std::string& message) {
  std::fprintf(stderr, "pellarocr-cli: %s\n", message.c_str());
}

bool StartEngine(const cli::CliOptions& options) {
  std::string error;
  if (!cli::StartEngine(options.LibraryDir, error)) {
    if (!error.empty()) Complain(error);
    return false;
  }
  engine::LearningMode = options.Learn;
  engine::LibraryChanged = false;
  engine::LineCorrectionEnabled = options.LineCorrection;
  return true;
}

// The region of the options cut to the page; all zero (the whole page)
// without one. False when it lies outside the page.
bool RegionOnPage(const cli::CliOptions& options, const platform::Bitmap& page, engine::Box& box) {
  box = engine::Box{};
  if (!options.Region) return true;
  box = *options.Region;
  if (box.Left >= page.Width() || box.Top >= page.Height()) return false;
  box.Right = std::min(box.Right, page.Width() - 1);
  box.Bottom = std::min(box.Bottom, page.Height() - 1);
  return true;
}

bool RunFailed(const std::vector<std::string>& messages) {
  for (const std::string& message : messages)
    for (const char* failure : kFailedRunMessages)
      if (message.rfind(failure, 0) == 0) return true;
  return false;
}

class ImageProcessor {
 public:
  ImageProcessor(const cli::CliOptions& options, cli::CliHooks& hooks) : options_(options), hooks_(hooks) {}

  int Process(const std::string& path) {
    platform::Bitmap page;
    std::string error;
    if (!cli::LoadPage(path, page, error) || !cli::PreparePage(page, options_, error)) {
      Complain(path + ": " + error);
      return kExitBadInput;
    }
    if (!options_.SavePage.empty() && !cli::SavePage(options_.SavePage, page, error)) {
      Complain(options_.SavePage + ": " + error);
      return kExitUsage;
    }
    engine::Box region;
    if (!RegionOnPage(options_, page, region)) {
      Complain(path + ": the region lies outside the page");
      return kExitBadInput;
    }

    cli::PageResult result;
    if (!Recognise(path, page, region, result)) return kExitBadInput;
    return Emit(result);
  }

 private:
  bool Recognise(const std::string& path, platform::Bitmap& page, const engine::Box& region,
                 cli::PageResult& result) {
    platform::HeadlessPane pane;
    engine::CharMapList charMap;
    engine::RecognitionDocument document;
    document.PageBitmap = &page;
    document.SelectionBox = region;
    document.CharMap = &charMap;
    document.Pane = &pane;
    document.FileName = path;
    hooks_.TakeMessages();
    engine::StopRequested = false;
    const auto start = std::chrono::steady_clock::now();
    const bool accepted = engine::FenXi(document);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!accepted || RunFailed(hooks_.TakeMessages())) {
      Complain(path + ": recognition failed");
      return false;
    }
    result.Image = path;
    result.Width = page.Width();
    result.Height = page.Height();
    result.Seconds = elapsed.count();
    result.PaneLines = pane.Lines();
    return true;
  }

  int Emit(const cli::PageResult& result) {
    const bool json = options_.Format == cli::OutputFormat::Json;
    const std::string content = json ? cli::PageJson(result) : cli::PageText(result, options_.Encoding);
    if (options_.OutputDir.empty()) {
      std::fwrite(content.data(), 1, content.size(), stdout);
      std::fflush(stdout);
      return kExitSuccess;
    }
    const std::string path = cli::OutputPath(options_.OutputDir, result.Image, json ? ".json" : ".txt");
    if (!cli::WriteFileAtomically(path, content)) {
      Complain("cannot write " + path);
      return kExitUsage;
    }
    return kExitSuccess;
  }

  const cli::CliOptions& options_;
  cli::CliHooks& hooks_;
};

// A failure of the environment (an output that cannot be written) outweighs
// an unreadable image.
int CombinedStatus(int status, int imageStatus) {
  if (status == kExitUsage || imageStatus == kExitUsage) return kExitUsage;
  return std::max(status, imageStatus);
}

// Two images whose names differ only in folder or extension would write the
// same output file, the second result over the first.
bool OutputNamesDistinct(const cli::CliOptions& options) {
  if (options.OutputDir.empty()) return true;
  std::set<std::string> paths;
  for (const std::string& image : options.Images) {
    const std::string path = cli::OutputPath(options.OutputDir, image, "");
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
  ImageProcessor processor(options, hooks);
  for (const std::string& image : options.Images) {
    status = CombinedStatus(status, processor.Process(image));
  }

  engine::FreePageLines();
  if (!library::SaveLibrary(options.Learn && engine::LibraryChanged)) {
    Complain("cannot write the template library to " + library::ProgramFolder());
    status = kExitUsage;
  }
  platform::SetUi(nullptr);
  return status;
}
