// Learning steps of the training tool, all through the engine and the
// library as the desktop program runs them: a page with a ground-truth file
// is "recognised" in learning mode, which teaches it from the file; the
// correction pass recognises with learning mode off, pairs every block with
// the true character whose box overlaps it most, and teaches the wrongly read
// ones through the library window's save action.
#include "training/TrainLearn.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine/RecognitionRun.h"
#include "engine/ResultFiles.h"
#include "engine/ResultList.h"
#include "formats/BmpCodec.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "platform/Bitmap.h"

namespace training {

namespace {

namespace fs = std::filesystem;

constexpr uint8_t kFullWidthRow = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;

// A full-width ASCII form becomes the ASCII character.
core::CharCode Narrowed(core::CharCode code) {
  const uint8_t trail = core::TrailByte(code);
  if (core::LeadByte(code) == kFullWidthRow && trail > kFullWidthOffset + 0x20 &&
      trail < kFullWidthOffset + 0x7F) {
    return core::AsciiCode(static_cast<char>(trail - kFullWidthOffset));
  }
  return code;
}

// Runs the engine over a whole page and returns the character map.
engine::RunOutcome RunWholePage(platform::Bitmap& bitmap, const std::string& path,
                                core::CharMapList& charMap) {
  platform::HeadlessPane pane;
  engine::RunJob job;
  job.Bitmap = &bitmap;
  job.Left = 0;
  job.Top = 0;
  job.Right = bitmap.Width() - 1;
  job.Bottom = bitmap.Height() - 1;
  job.CharMap = &charMap;
  job.RichEdit = &pane;
  job.FileName = path;
  return engine::RunOnBitmap(job);
}

bool ReadPage(const std::string& path, platform::Bitmap& bitmap, std::string* error) {
  std::string why;
  if (!formats::ReadBmpFile(path, bitmap, &why)) {
    if (error) *error = path + ": " + why;
    return false;
  }
  if (bitmap.BitCount() != 1) {
    if (error) *error = path + ": not a 1-bit page";
    return false;
  }
  return true;
}

}  // namespace

platform::Answer LearningUi::ShowMessage(const std::string& text, platform::MessageIcon,
                                         platform::MessageButtons buttons, platform::QuestionId question) {
  switch (question) {
    case platform::QuestionId::ForcedEntry:
      ++ForcedQuestions;
      return forceAnswer_;
    case platform::QuestionId::EndAfterRefusedEntry:
      ++RefusalQuestions;
      return platform::Answer::All;
    case platform::QuestionId::Other:
      break;
  }
  OtherMessages.push_back(text);
  return buttons == platform::MessageButtons::Ok ? platform::Answer::Ok : platform::Answer::No;
}

double BoxOverlap(const core::Box& a, const core::Box& b) {
  const int64_t w = std::min(a.Right, b.Right) - std::max(a.Left, b.Left) + 1;
  const int64_t h = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top) + 1;
  if (w <= 0 || h <= 0) return 0;
  const int64_t areaA = static_cast<int64_t>(a.Right - a.Left + 1) * (a.Bottom - a.Top + 1);
  const int64_t areaB = static_cast<int64_t>(b.Right - b.Left + 1) * (b.Bottom - b.Top + 1);
  const int64_t inter = w * h;
  return static_cast<double>(inter) / static_cast<double>(areaA + areaB - inter);
}

bool SameCharacter(core::CharCode a, core::CharCode b) {
  return Narrowed(a) == Narrowed(b);
}

int64_t LibraryEntries() {
  int64_t total = 0;
  for (int32_t t = 0; t < library::kTableCount; ++t) total += library::StatsOfTable(t).Entries;
  return total;
}

bool LearnPageFromGroundTruth(const std::string& pagePath, std::string* error) {
  platform::Bitmap bitmap;
  if (!ReadPage(pagePath, bitmap, error)) return false;
  core::CharMapList charMap;
  library::LearningMode = true;
  const engine::RunOutcome outcome = RunWholePage(bitmap, pagePath, charMap);
  library::LearningMode = false;
  if (outcome != engine::RunOutcome::Done) {
    if (error) *error = pagePath + ".RED: damaged or unreadable";
    return false;
  }
  return true;
}

bool CorrectPage(const std::string& pagePath, double minOverlap, CorrectionCounts& counts,
                 std::string* error) {
  platform::Bitmap bitmap;
  if (!ReadPage(pagePath, bitmap, error)) return false;
  std::vector<engine::GroundTruthRecord> truth;
  if (!engine::ReadGroundTruthFile(pagePath + ".RED", truth)) {
    if (error) *error = pagePath + ".RED: missing or malformed";
    return false;
  }
  core::CharMapList charMap;
  library::LearningMode = false;
  RunWholePage(bitmap, pagePath, charMap);

  library::DisplayModel& window = library::LibraryWindow();
  for (core::BlockList* line : engine::PageLines) {
    for (core::CharBlock* block : *line) {
      ++counts.Blocks;
      const core::Box box = core::BoxOf(*block);
      const engine::GroundTruthRecord* best = nullptr;
      double bestOverlap = 0;
      for (const engine::GroundTruthRecord& t : truth) {
        const double overlap = BoxOverlap(box, t.Box);
        if (overlap > bestOverlap) {
          bestOverlap = overlap;
          best = &t;
        }
      }
      if (best == nullptr || bestOverlap < minOverlap) continue;
      ++counts.Matched;
      if (SameCharacter(block->Codes[0], best->Code)) continue;
      ++counts.Wrong;
      window.Block = block;
      window.PageBitmap = &bitmap;
      window.IsLearningView = false;
      window.ShowHandler();
      window.Edit2 = core::CodeBytes(best->Code);
      library::LearningMode = true;
      try {
        window.LearnCharacter();
        ++counts.Taught;
      } catch (const std::exception&) {
        // A character without a library number: nothing to teach.
      }
      library::LearningMode = false;
    }
  }
  window.Block = nullptr;
  window.PageBitmap = nullptr;
  engine::FreePageLines();
  return true;
}

bool SaveLibraryInto(const std::string& folder, std::string* error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string previous = library::ProgramFolder();
  library::SetProgramFolder(folder);
  std::string problem;
  const bool saved =
      library::SaveLibrary(true, library::SaveMode::Overwrite, &problem) == library::SaveResult::Saved;
  library::SetProgramFolder(previous);
  if (!saved && error) *error = "cannot write the library files into " + folder + ": " + problem;
  return saved;
}

std::vector<std::string> CollectPages(const std::vector<std::string>& arguments) {
  std::vector<std::string> pages;
  for (const std::string& argument : arguments) {
    std::error_code ec;
    if (!fs::is_directory(argument, ec)) {
      pages.push_back(argument);
      continue;
    }
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(argument, ec)) {
      const fs::path& p = entry.path();
      if (p.extension() == ".bmp" && fs::exists(p.string() + ".RED")) found.push_back(p.string());
    }
    std::sort(found.begin(), found.end());
    pages.insert(pages.end(), found.begin(), found.end());
  }
  return pages;
}

}  // namespace training
