// Fixtures for the recognition run and the line building (see EngineFixtures.h).
#include "support/EngineFixtures.h"

#include <algorithm>

#include "engine/EngineState.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"

namespace enginetest {

platform::Bitmap MakePage(int32_t width, int32_t height, bool inkIsOne) {
  platform::Bitmap page(width, height, 1);
  if (!inkIsOne) {
    page.Palette()[0] = platform::RgbQuad{0, 0, 0, 0};
    page.Palette()[1] = platform::RgbQuad{255, 255, 255, 0};
    std::fill(page.Bits().begin(), page.Bits().end(), uint8_t{0xFF});
  }
  return page;
}

void DrawPixel(platform::Bitmap& page, int32_t x, int32_t y) {
  uint8_t& byte = page.Row(y)[x >> 3];
  const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
  byte = engine::InkValueOf(page) ? (byte | mask) : (byte & ~mask);
}

void DrawBox(platform::Bitmap& page, int32_t left, int32_t right, int32_t top, int32_t bottom) {
  for (int32_t y = top; y <= bottom; ++y) {
    for (int32_t x = left; x <= right; ++x) DrawPixel(page, x, y);
  }
}

core::CharBlock* NewTestBlock(int32_t left, int32_t right, int32_t top, int32_t bottom, core::CharCode code,
                              int32_t score) {
  core::CharBlock* block = engine::NewBlock();
  core::SetBox(*block, core::Box{left, right, top, bottom});
  block->Codes[0] = code;
  block->Scores[0] = score;
  return block;
}

void ResetEngineState() {
  engine::FreePageLines();
  for (core::CharBlock* block : engine::BandBlocks) engine::FreeBlock(block);
  engine::BandBlocks.clear();
  engine::LineBlocks = nullptr;
  engine::PrevBlock = nullptr;
  engine::Job = engine::RunJob{};
  engine::SizeSum = engine::SizeCount = 0;
  engine::LineHanziSize = 0;
  engine::GoodCount = engine::DoubtCount = 0;
  library::LearningMode = false;
  engine::StopRequested = false;
  engine::LineCorrectionEnabled = true;
}

RunFixture::RunFixture() {
  ResetEngineState();
  platform::SetUi(&Ui);
  Document.CharMap = &CharMap;
  Document.Pane = &Pane;
}

RunFixture::~RunFixture() {
  ResetEngineState();
  platform::SetUi(nullptr);
}

engine::RunOutcome RunFixture::Recognise(platform::Bitmap& page, core::Box selection) {
  Document.PageBitmap = &page;
  Document.SelectionBox = selection;
  return engine::FenXi(Document);
}

std::vector<core::Box> LineBoxes(size_t line) {
  std::vector<core::Box> boxes;
  for (const core::CharBlock* block : *engine::PageLines.at(line)) boxes.push_back(core::BoxOf(*block));
  return boxes;
}

std::string DescribeBoxes(const std::vector<core::Box>& boxes) {
  std::string text;
  for (const core::Box& box : boxes) {
    if (!text.empty()) text += ' ';
    text += std::to_string(box.Left) + "-" + std::to_string(box.Right) + "/" + std::to_string(box.Top) + "-" +
            std::to_string(box.Bottom);
  }
  return text;
}

std::string DescribePageLines() {
  std::string text;
  for (size_t i = 0; i < engine::PageLines.size(); ++i) text += DescribeBoxes(LineBoxes(i)) + "\n";
  return text;
}

}  // namespace enginetest
