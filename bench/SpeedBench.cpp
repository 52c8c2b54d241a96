// pellar_speed_bench: how long the recognition run takes on real pages.
//
// Start-up is the command line's (library and Word.Dat from --library or the
// program folder, shape lists, context on); its processor time is printed
// first. Every page is loaded and made monochrome once, outside the timing;
// then the run alone (RunOnBitmap on the page, whose bits it copies and
// leaves untouched) is timed --runs times, each run without the voters the
// classifier kept from earlier runs (as the first page of a program run).
// The median processor time, the fastest run, the median wall time and the
// pixels per second are printed, one line per page, with the median times of
// the command line's orientation detection and layout analysis on the
// prepared page, and a summary at the end with the peak resident memory of
// the process. Processor time is the figure to compare on a shared machine:
// other processes lengthen the wall time, not it.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/EngineStartup.h"
#include "app/PageLayoutAnalysis.h"
#include "app/PageOrientation.h"
#include "app/PagePreparation.h"
#include "engine/EngineState.h"
#include "engine/RecognitionRun.h"
#include "engine/WordVoters.h"
#include "input/ImageLoading.h"
#include "platform/UiHooks.h"

namespace {

constexpr int32_t kDefaultRuns = 5;
constexpr int64_t kKilobytesPerMegabyte = 1024;

struct BenchOptions {
  std::string LibraryDir;
  int32_t Runs = kDefaultRuns;
  std::vector<std::string> Pages;
};

bool ParseBenchOptions(int argc, char** argv, BenchOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--library" && i + 1 < argc) {
      options.LibraryDir = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      options.Runs = std::atoi(argv[++i]);
      if (options.Runs < 1) return false;
    } else if (!arg.empty() && arg[0] == '-') {
      return false;
    } else {
      options.Pages.push_back(arg);
    }
  }
  return !options.Pages.empty();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct RunTimes {
  std::vector<double> Processor;
  std::vector<double> Wall;
};

long PeakMemoryKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // kilobytes on Linux
}

// Times `runs` recognition runs of the page; false when a run is refused.
bool TimePage(platform::Bitmap& page, int32_t runs, RunTimes& times, size_t& lines) {
  platform::HeadlessPane pane;
  core::CharMapList charMap;
  engine::RunJob job;
  job.Bitmap = &page;
  job.Right = page.Width() - 1;
  job.Bottom = page.Height() - 1;
  job.CharMap = &charMap;
  job.RichEdit = &pane;
  for (int32_t run = 0; run < runs; ++run) {
    engine::StopRequested = false;
    engine::DropWordVoters();  // every run as the first of the program
    const auto start = std::chrono::steady_clock::now();
    const double processorStart = ProcessorSeconds();
    const engine::RunOutcome outcome = engine::RunOnBitmap(job);
    const double processor = ProcessorSeconds() - processorStart;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (outcome != engine::RunOutcome::Done) return false;
    times.Processor.push_back(processor);
    times.Wall.push_back(elapsed.count());
  }
  lines = pane.Lines().size();
  return true;
}

// The seconds of each of `runs` calls of `step`.
template <typename Step>
std::vector<double> TimeSteps(int32_t runs, Step step) {
  std::vector<double> seconds;
  for (int32_t run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    step();
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  BenchOptions options;
  if (!ParseBenchOptions(argc, argv, options)) {
    std::fprintf(stderr, "Usage: pellar_speed_bench [--library DIR] [--runs N] PAGE...\n");
    return 1;
  }
  platform::HeadlessUi ui;
  platform::SetUi(&ui);
  const double startupBegin = ProcessorSeconds();
  const app::StartResult started = app::StartEngine(options.LibraryDir);
  const double startup = ProcessorSeconds() - startupBegin;
  if (started != app::StartResult::Started) {
    std::fprintf(stderr, "pellar_speed_bench: %s\n", app::StartFailureText(started).c_str());
    return 1;
  }
  std::printf("start-up (library, Word.Dat) %.4f s processor time, memory after it %ld MB\n", startup,
              PeakMemoryKilobytes() / kKilobytesPerMegabyte);
  std::printf("%-24s %9s %9s %9s %9s %7s %5s %9s %9s\n", "page", "pixels", "cpu_s", "min_cpu_s", "wall_s", "Mpx/s",
              "lines", "orient_s", "layout_s");
  app::Preparation prepare;  // the default threshold, the page turned as it lies
  prepare.AutoRotate = false;
  std::vector<double> medians;
  int status = 0;
  for (const std::string& path : options.Pages) {
    platform::Bitmap page;
    input::LoadDetails loaded;
    std::string error;
    if (!input::LoadImageFile(page, path, &loaded) || !app::PreparePage(page, prepare, error)) {
      std::fprintf(stderr, "pellar_speed_bench: %s: %s\n", path.c_str(),
                   loaded.Reason.empty() ? error.c_str() : loaded.Reason.c_str());
      status = 2;
      continue;
    }
    const double orientation = Median(TimeSteps(options.Runs, [&] { app::DetectOrientation(page); }));
    const double layout = Median(TimeSteps(options.Runs, [&] { app::FindTextRegions(page); }));
    RunTimes times;
    size_t lines = 0;
    if (!TimePage(page, options.Runs, times, lines)) {
      std::fprintf(stderr, "pellar_speed_bench: %s: the run was refused\n", path.c_str());
      status = 2;
      continue;
    }
    const double median = Median(times.Processor);
    const double pixels = static_cast<double>(page.Width()) * page.Height();
    medians.push_back(median);
    std::printf("%-24s %9.0f %9.4f %9.4f %9.4f %7.1f %5zu %9.4f %9.4f\n",
                path.substr(path.find_last_of('/') + 1).c_str(), pixels, median,
                *std::min_element(times.Processor.begin(), times.Processor.end()), Median(times.Wall),
                pixels / median / 1e6, lines, orientation, layout);
  }
  app::StopEngine();
  if (!medians.empty()) {
    std::printf(
        "pages %zu, runs per page %d, median of the page medians %.4f s, slowest page %.4f s (processor time), "
        "peak memory %ld MB\n",
        medians.size(), options.Runs, Median(medians), *std::max_element(medians.begin(), medians.end()),
        PeakMemoryKilobytes() / kKilobytesPerMegabyte);
  }
  platform::SetUi(nullptr);
  return status;
}
