// Fixtures for the recognition run and the line building: 1-bit page bitmaps
// with boxes drawn into them (ink stored as bit 1 or as bit 0), blocks with a
// chosen result, a document with headless hooks, and a compact description of
// the lines a run produced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/EngineRecords.h"
#include "engine/RecognitionRun.h"
#include "platform/Bitmap.h"
#include "platform/UiHooks.h"

namespace enginetest {

// A white page. With inkIsOne false palette entry 0 is black and the page is
// stored with every bit 1, so ink is bit 0.
platform::Bitmap MakePage(int32_t width, int32_t height, bool inkIsOne = true);
// Inks every pixel of the inclusive box.
void DrawBox(platform::Bitmap& page, int32_t left, int32_t right, int32_t top, int32_t bottom);
void DrawPixel(platform::Bitmap& page, int32_t x, int32_t y);

// A heap block (released by the engine) with its box, first candidate and
// accuracy; every other field zero.
core::CharBlock* NewTestBlock(int32_t left, int32_t right, int32_t top, int32_t bottom,
                              core::CharCode code = 0, int32_t score = 0);

// Releases every block and line of the engine and restores the flags.
void ResetEngineState();

// A document window without a window: headless hooks installed for the
// fixture's lifetime, a result pane and a character map.
class RunFixture {
 public:
  RunFixture();
  ~RunFixture();
  RunFixture(const RunFixture&) = delete;
  RunFixture& operator=(const RunFixture&) = delete;

  // FenXi on the page with the given selection (all zero: the whole page).
  engine::RunOutcome Recognise(platform::Bitmap& page, core::Box selection = {});

  platform::HeadlessUi Ui;
  platform::HeadlessPane Pane;
  core::CharMapList CharMap;
  engine::RecognitionDocument Document;
};

// The boxes of one line of PageLines.
std::vector<core::Box> LineBoxes(size_t line);
// PageLines as text: one line per text line, each block as "L-R/T-B",
// blocks separated by a space.
std::string DescribePageLines();
std::string DescribeBoxes(const std::vector<core::Box>& boxes);

}  // namespace enginetest
