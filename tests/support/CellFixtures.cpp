// Test pages for the cell stages (see CellFixtures.h).
#include "support/CellFixtures.h"

#include "engine/EngineState.h"

namespace cells {

void MakeBlankPage(int32_t width, int32_t height) {
  engine::PageWidth = width;
  engine::PageHeight = height;
  engine::RowBytes = ((width + 31) / 32) * 4;
  engine::InkValue = 1;
  engine::PageBits.assign(static_cast<size_t>(engine::RowBytes) * height, 0);
  engine::Job.Left = 0;
  engine::Job.Top = 0;
  engine::Job.Right = width - 1;
  engine::Job.Bottom = height - 1;
}

void SetInk(int32_t x, int32_t y) {
  engine::SetBit(engine::PageBits, x, y, engine::InkValue);
}

void FillInk(int32_t left, int32_t right, int32_t top, int32_t bottom) {
  for (int32_t y = top; y <= bottom; ++y) {
    for (int32_t x = left; x <= right; ++x) SetInk(x, y);
  }
}

core::CharBlock MakeBlock(int32_t left, int32_t right, int32_t top, int32_t bottom, uint8_t cutSides) {
  core::CharBlock block{};
  core::SetBox(block, core::Box{left, right, top, bottom});
  block.CutSides = cutSides;
  return block;
}

std::vector<uint8_t> PageSnapshot() {
  return engine::PageBits;
}

}  // namespace cells
