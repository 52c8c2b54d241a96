// Fixtures for the picture readers, writers and the image loader: a scratch
// folder removed at the end, patterned bitmaps of every depth, the
// GraphicsMagick command line and a PNG writer for producing files of other
// formats, and comparisons of pictures by their colours.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/PixelRows.h"
#include "platform/Bitmap.h"

namespace formatstest {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A picture with something in every pixel: for 1 bit a white page (entry 0
// white) with black strokes, 8 bits a grey ramp pattern, 24 bits colour bands.
platform::Bitmap PatternPicture(int32_t width, int32_t height, uint16_t bitCount);

// Runs `gm convert ARGS`; true when it succeeded.
bool GmConvert(const std::string& args);

// Writes a PNG with the given header figures, palette (RGB triples, may be
// empty) and unfiltered rows, through python3's zlib.
bool WritePng(const std::string& path, int width, int height, int depth, int colourType,
              const std::vector<std::vector<uint8_t>>& rows, const std::vector<uint8_t>& palette = {});

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// The largest difference of any colour channel between the two pictures, or
// 256 when their sizes differ. (Inline: the support library does not link
// the formats library, the tests that use this do.)
inline int MaxColourDifference(const platform::Bitmap& a, const platform::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  std::vector<uint8_t> rowA(static_cast<size_t>(a.Width()) * 3), rowB(rowA.size());
  int worst = 0;
  for (int32_t y = 0; y < a.Height(); ++y) {
    formats::RowToRgb(a, y, rowA.data());
    formats::RowToRgb(b, y, rowB.data());
    for (size_t i = 0; i < rowA.size(); ++i) worst = std::max(worst, std::abs(rowA[i] - rowB[i]));
  }
  return worst;
}

}  // namespace formatstest
