// Learning steps of the training tool, all through the engine and the
// library as the desktop program runs them: a page with a ground-truth file
// is "recognised" in learning mode, which teaches it from the file; the
// correction pass recognises with learning mode off, pairs every block with
// the true character whose box overlaps it most, and teaches the wrongly read
// ones through the library window's save action.
#include "cli/TrainLearn.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "platform/Bitmap.h"
#include "platform/Encoding.h"

namespace training {

namespace {

namespace fs = std::filesystem;

constexpr char kForcedQuestionText[] = "默认是不允许入库的";
constexpr char kRefusalQuestionText[] = "error in:";
constexpr int32_t kRedHeader = -1;
constexpr size_t kRedHeaderBytes = 4;
constexpr size_t kRedRecordBytes = 23;
constexpr uint8_t kFullWidthRow = 0xA3;
constexpr uint8_t kFullWidthOffset = 0x80;

int32_t ReadInt32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

// A full-width ASCII form becomes the ASCII character.
engine::CharCode Narrowed(engine::CharCode code) {
  const uint8_t trail = engine::TrailByte(code);
  if (engine::LeadByte(code) == kFullWidthRow && trail > kFullWidthOffset + 0x20 &&
      trail < kFullWidthOffset + 0x7F) {
    return engine::AsciiCode(static_cast<char>(trail - kFullWidthOffset));
  }
  return code;
}

std::string CodeBytes(engine::CharCode code) {
  std::string bytes(1, static_cast<char>(engine::LeadByte(code)));
  if (engine::TrailByte(code) != 0) bytes.push_back(static_cast<char>(engine::TrailByte(code)));
  return bytes;
}

// Runs the engine over a whole page and returns the character map.
void RunWholePage(platform::Bitmap& bitmap, const std::string& path, engine::CharMapList& charMap) {
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
  engine::RunOnBitmap(job);
}

bool ReadPage(const std::string& path, platform::Bitmap& bitmap, std::string* error) {
  std::string why;
  if (!platform::ReadBmpFile(path, bitmap, &why)) {
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
                                         platform::MessageButtons buttons) {
  if (text.find(kForcedQuestionText) != std::string::npos) {
    ++ForcedQuestions;
    return forceAnswer_;
  }
  if (text.rfind(kRefusalQuestionText, 0) == 0) {
    ++RefusalQuestions;
    return platform::Answer::All;
  }
  OtherMessages.push_back(text);
  return buttons == platform::MessageButtons::Ok ? platform::Answer::Ok : platform::Answer::No;
}

bool ReadGroundTruthFile(const std::string& path, std::vector<TruthChar>& chars) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() < kRedHeaderBytes || ReadInt32(data.data()) != kRedHeader) return false;
  if ((data.size() - kRedHeaderBytes) % kRedRecordBytes != 0) return false;
  chars.clear();
  for (size_t at = kRedHeaderBytes; at < data.size(); at += kRedRecordBytes) {
    const uint8_t* r = data.data() + at;
    TruthChar ch;
    ch.Code = engine::MakeCode(r[0], r[1]);
    ch.Box.Left = ReadInt32(r + 2);
    ch.Box.Top = ReadInt32(r + 6);
    ch.Box.Right = ReadInt32(r + 10);
    ch.Box.Bottom = ReadInt32(r + 14);
    chars.push_back(ch);
  }
  return true;
}

double BoxOverlap(const engine::Box& a, const engine::Box& b) {
  const int64_t w = std::min(a.Right, b.Right) - std::max(a.Left, b.Left) + 1;
  const int64_t h = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top) + 1;
  if (w <= 0 || h <= 0) return 0;
  const int64_t areaA = static_cast<int64_t>(a.Right - a.Left + 1) * (a.Bottom - a.Top + 1);
  const int64_t areaB = static_cast<int64_t>(b.Right - b.Left + 1) * (b.Bottom - b.Top + 1);
  const int64_t inter = w * h;
  return static_cast<double>(inter) / static_cast<double>(areaA + areaB - inter);
}

bool SameCharacter(engine::CharCode a, engine::CharCode b) {
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
  engine::CharMapList charMap;
  engine::LearningMode = true;
  RunWholePage(bitmap, pagePath, charMap);
  engine::LearningMode = false;
  return true;
}

bool CorrectPage(const std::string& pagePath, double minOverlap, CorrectionCounts& counts,
                 std::string* error) {
  platform::Bitmap bitmap;
  if (!ReadPage(pagePath, bitmap, error)) return false;
  std::vector<TruthChar> truth;
  if (!ReadGroundTruthFile(pagePath + ".RED", truth)) {
    if (error) *error = pagePath + ".RED: missing or malformed";
    return false;
  }
  engine::CharMapList charMap;
  engine::LearningMode = false;
  RunWholePage(bitmap, pagePath, charMap);

  library::DisplayModel& window = library::LibraryWindow();
  for (engine::BlockList* line : engine::PageLines) {
    for (engine::CharBlock* block : *line) {
      ++counts.Blocks;
      const engine::Box box = engine::BoxOf(*block);
      const TruthChar* best = nullptr;
      double bestOverlap = 0;
      for (const TruthChar& t : truth) {
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
      window.Edit2 = CodeBytes(best->Code);
      engine::LearningMode = true;
      try {
        window.LearnCharacter();
        ++counts.Taught;
      } catch (const std::exception&) {
        // A character without a library number: nothing to teach.
      }
      engine::LearningMode = false;
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
  const fs::path temp = fs::path(folder) / ".pellar-train-save";
  fs::remove_all(temp, ec);
  if (!fs::create_directories(temp, ec)) {
    if (error) *error = "cannot create " + temp.string();
    return false;
  }
  const std::string previous = library::ProgramFolder();
  library::SetProgramFolder(temp.string());
  const bool saved = library::SaveLibrary(true);
  library::SetProgramFolder(previous);
  if (!saved) {
    if (error) *error = "cannot write the library files into " + temp.string();
    fs::remove_all(temp, ec);
    return false;
  }
  for (int32_t t = 0; t < library::kTableCount; ++t) {
    char name[16];
    std::snprintf(name, sizeof name, "ZEZID.D%.2d", t);
    fs::rename(temp / name, fs::path(folder) / name, ec);
    if (ec) {
      if (error) *error = "cannot move " + (temp / name).string() + ": " + ec.message();
      return false;
    }
  }
  fs::remove_all(temp, ec);
  return true;
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
