// Fuzzes learning a page from its ground-truth file: the input is the file
// beside a small page, as ".RED" when it opens with that format's header −1
// and as the older ".REC" otherwise, taught to an empty library by a
// recognition run in learning mode.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "FuzzSupport.h"
#include "engine/Classifier.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"

namespace {

constexpr int32_t kWidth = 96, kHeight = 64;

// A page with a few strokes: bars, a cross and a frame.
platform::Bitmap& Page() {
  static platform::Bitmap page = [] {
    platform::Bitmap bitmap(kWidth, kHeight, 1);  // entry 0 white, entry 1 black
    auto ink = [&](int32_t x, int32_t y) { bitmap.Row(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); };
    for (int32_t y = 8; y < 56; ++y) {
      for (int32_t x = 6; x < 10; ++x) ink(x, y);
      ink(40, y);
      ink(70, y);
      ink(90, y);
    }
    for (int32_t x = 24; x < 56; ++x) ink(x, 31);
    for (int32_t x = 70; x <= 90; ++x) {
      ink(x, 8);
      ink(x, 55);
    }
    return bitmap;
  }();
  return page;
}

bool SetUp() {
  library::SetProgramFolder(fuzzsupport::ScratchFolder());
  library::SetWordPairData(std::vector<uint8_t>(library::kWordPairIndexBytes, 0));
  engine::BuildShapeLists();
  library::LearningMode = true;
  return !fuzzsupport::ScratchFolder().empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = SetUp();
  if (!ready) return 0;
  const std::string page = fuzzsupport::ScratchFolder() + "/page.bmp";
  std::remove((page + ".RED").c_str());
  std::remove((page + ".REC").c_str());
  const bool red = size >= 4 && std::memcmp(data, "\xFF\xFF\xFF\xFF", 4) == 0;
  if (fuzzsupport::WriteScratchFile(red ? "page.bmp.RED" : "page.bmp.REC", data, size).empty()) return 0;

  library::ClearLibrary();
  library::LibraryChanged = false;
  library::RefusalAnswer = platform::Answer::None;
  library::ProgramEndRequested = false;
  library::LibraryWindow() = library::DisplayModel{};
  core::CharMapList charMap;
  platform::HeadlessPane pane;
  engine::RecognitionDocument document;
  document.PageBitmap = &Page();
  document.CharMap = &charMap;
  document.Pane = &pane;
  document.FileName = page;
  engine::FenXi(document);
  engine::FreePageLines();
  engine::TaughtBlocks.clear();
  return 0;
}
