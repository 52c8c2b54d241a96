// Fuzzes a recognition run on a small page made from the input: its first two
// bytes give the width (8 … 263) and the height (8 … 135), the rest are the
// rows at 1 bit per pixel, repeated as needed. The library is made once so
// that every feature value names three of a few dozen characters, with word
// pairs among them, so that classification, splitting, merging and the
// context steps all have candidates to work on.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Classifier.h"
#include "engine/RecognitionRun.h"
#include "engine/ResultList.h"
#include "library/CharIndex.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"

namespace {

constexpr int32_t kMinSide = 8;
constexpr int32_t kWidthRange = 256, kHeightRange = 128;
constexpr int32_t kCandidatesPerList = 3;

// Chinese characters (some of them look-alikes), full-width signs and pairs
// of ASCII characters, as GBK.
const char* const kCharacters[] = {
    "\xD2\xBB", "\xC8\xCB", "\xBF\xDA", "\xC8\xD5", "\xCD\xC1", "\xB9\xA4", "\xD6\xD0", "\xB9\xFA",
    "\xB5\xC4", "\xC1\xCB", "\xCA\xC7", "\xD4\xDA", "\xC8\xEB", "\xB0\xCB", "\xCA\xBF", "\xC4\xBE",
    "\xB1\xBE", "\xCE\xB4", "\xC4\xA9", "\xB4\xF3", "\xCC\xAB", "\xC8\xFD", "\xCD\xF5", "\xD3\xF1",
    "\xA3\xAC", "\xA1\xA3", "\xA1\xA2", "\xA3\xBA", "\xA3\xA8", "\xA3\xA9", "\xA3\xC1", "\xA3\xE1",
    "\xA3\xB1", "\xA3\xEC", "ab",       "il",       "11",       "rn",       "cl",       "IJ",
};
constexpr size_t kCount = sizeof kCharacters / sizeof kCharacters[0];

core::CharCode CodeOf(size_t k) {
  return core::MakeCode(static_cast<uint8_t>(kCharacters[k][0]), static_cast<uint8_t>(kCharacters[k][1]));
}

// Word.Dat with a record for every character: its three neighbours in the
// list before it and after it.
std::vector<uint8_t> WordPairs() {
  std::vector<uint8_t> data(library::kWordPairIndexBytes, 0);
  auto put16 = [&](uint16_t v) {
    data.insert(data.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  };
  for (size_t k = 0; k < kCount; ++k) {
    const core::CharCode code = CodeOf(k);
    const uint32_t entry = static_cast<uint32_t>(data.size()) + code;
    for (int i = 0; i < 4; ++i) data[code * 4u + i] = static_cast<uint8_t>(entry >> (8 * i));
    put16(4);
    for (size_t n = 1; n <= 3; ++n) put16(library::EncodePredecessor(CodeOf((k + kCount - n) % kCount)));
    put16(4);
    for (size_t n = 1; n <= 3; ++n) put16(library::CodeToIndex(CodeOf((k + n) % kCount)));
  }
  return data;
}

bool SetUp() {
  library::ClearLibrary();
  for (int32_t t = 0; t < library::kTableCount; ++t) {
    for (int32_t i = 0; i < library::kFeatureIndexCount; ++i) {
      library::ListSlot& slot = library::LibrarySlot(t, i);
      slot.assign(library::kSlotGroupValues, 0);
      for (int32_t c = 0; c < kCandidatesPerList; ++c)
        slot[c] = library::CodeToIndex(CodeOf(static_cast<size_t>(i * (c + 3) + t * 7 + c) % kCount));
    }
  }
  library::SetWordPairData(WordPairs());
  engine::BuildShapeLists();
  library::LearningMode = false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = SetUp();
  if (!ready || size < 2) return 0;
  const int32_t width = kMinSide + data[0] % kWidthRange;
  const int32_t height = kMinSide + data[1] % kHeightRange;
  platform::Bitmap page(width, height, 1);  // entry 0 white, entry 1 black
  const size_t rowBytes = static_cast<size_t>(platform::DibRowBytes(width, 1));
  const size_t bits = size - 2;
  for (int32_t y = 0; bits > 0 && y < height; ++y) {
    for (size_t b = 0; b < rowBytes; ++b) page.Row(y)[b] = data[2 + (y * rowBytes + b) % bits];
  }
  core::CharMapList charMap;
  platform::HeadlessPane pane;
  engine::RecognitionDocument document;
  document.PageBitmap = &page;
  document.CharMap = &charMap;
  document.Pane = &pane;
  document.FileName = "page.bmp";
  engine::FenXi(document);
  engine::FreePageLines();
  return 0;
}
