// Lays out and renders text pages with FreeType into 1-bit bitmaps, with the
// ground truth of every character (its code and ink box). Used by the
// training tool to make training pages and by the tests to make fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace training {

struct FontFace {
  std::string Path;  // .ttf, .ttc or .otf
  int32_t FaceIndex = 0;
};

struct RenderOptions {
  FontFace Font;
  double PointSize = 12;
  int32_t Dpi = 300;
  int32_t PageWidth = 2480;   // pixels
  int32_t PageHeight = 3508;  // pixels
  int32_t Margin = 295;       // pixels on every side
  double LineSpacing = 1.5;   // line pitch in em
  // Stroke weight change in em: every outline is emboldened (positive) or
  // thinned (negative) by this much before it is rendered; 0 renders the
  // face as it is.
  double Weight = 0;
  bool InkIsOne = true;       // palette entry 0 white, bit 1 ink
};

// One rendered character: its GBK code bytes (a single ASCII character is
// stored as one byte) and its ink box, inclusive page pixels.
struct RenderedChar {
  std::string Gbk;
  int32_t Left, Top, Right, Bottom;
  int32_t Line;
};

struct RenderedPage {
  platform::Bitmap Page;            // 1 bit per pixel
  std::vector<RenderedChar> Chars;  // in reading order; spaces have no entry
  std::vector<std::string> Lines;   // UTF-8 text of each rendered line
};

// Renders UTF-8 lines of text (each a paragraph, wrapped to the page width)
// onto as many pages as needed. Characters the font lacks are skipped.
// False with a message in `error` when the font cannot be opened.
bool RenderText(const std::vector<std::string>& paragraphs, const RenderOptions& options,
                std::vector<RenderedPage>& pages, std::string* error = nullptr);

// Writes a ".RED" ground-truth file for a rendered page (boxes as rendered,
// cut sides 0; single ASCII characters in their full-width form).
bool WriteGroundTruth(const std::string& path, const RenderedPage& page);

// Writes the text of a rendered page, one line of UTF-8 a rendered line, as
// the text a reader of the page should give.
bool WriteLineText(const std::string& path, const RenderedPage& page);

}  // namespace training
