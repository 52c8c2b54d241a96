// Page layout analysis (see PageLayoutAnalysis.h).
//
// Sizes are judged against the text height: the height that four in five
// ink components of the reduced page do not exceed, which is the height of a
// whole character even where characters fall apart into strokes. The smear
// bridges gaps of up to one and a half text heights: the gaps between
// characters, words and lines of a paragraph close, the gutter between two
// columns (two characters wide or more) stays open. Only blocks at least one
// text height long count; specks and stray marks cut nothing. A gutter only
// separates columns that are three text heights tall or more, so a single
// line with a wide gap in it (a heading, a line of a form) stays one line.
#include "app/PageLayoutAnalysis.h"

#include <algorithm>
#include <cmath>

#include "app/PagePix.h"

namespace app {
namespace {

constexpr int kReduction = 4;  // the analysis sees a quarter of the page's pixels
constexpr int kMinComponents = 10;
constexpr int kTextHeightPercentile = 80;
constexpr int kMinTextHeight = 3;  // reduced pixels
constexpr double kSmearTextHeights = 1.5;
constexpr int kMinColumnTextHeights = 3;
// Paragraphs: an indent of this share of the text height, or a gap wider
// than the usual one by this share.
constexpr double kIndentShare = 0.8;
constexpr double kWiderGapShare = 0.5;

// A block of the smeared page, inclusive reduced coordinates.
struct Block {
  int Left, Top, Right, Bottom;
};
using Blocks = std::vector<Block>;

BoxaPtr ComponentBoxes(PIX* pix) {
  return BoxaPtr(pixConnCompBB(pix, 8));
}

Blocks ToBlocks(BOXA* boxa) {
  Blocks blocks;
  const int n = boxa ? boxaGetCount(boxa) : 0;
  blocks.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    l_int32 x = 0, y = 0, w = 0, h = 0;
    if (boxaGetBoxGeometry(boxa, i, &x, &y, &w, &h) == 0 && w > 0 && h > 0)
      blocks.push_back({x, y, x + w - 1, y + h - 1});
  }
  return blocks;
}

int TextHeight(const Blocks& components) {
  std::vector<int> heights;
  for (const Block& c : components) heights.push_back(c.Bottom - c.Top + 1);
  const size_t at = heights.size() * kTextHeightPercentile / 100;
  std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(at), heights.end());
  return std::max(kMinTextHeight, heights[at]);
}

// Splits the blocks into groups separated by a gap along one axis (across:
// the gap is a band of rows; otherwise a band of columns), in order.
std::vector<Blocks> Split(Blocks blocks, bool across) {
  auto low = [across](const Block& b) { return across ? b.Top : b.Left; };
  auto high = [across](const Block& b) { return across ? b.Bottom : b.Right; };
  std::sort(blocks.begin(), blocks.end(), [&](const Block& a, const Block& b) { return low(a) < low(b); });
  std::vector<Blocks> groups;
  int reach = 0;
  for (const Block& b : blocks) {
    if (groups.empty() || low(b) > reach) {
      groups.emplace_back();
      reach = high(b);
    }
    groups.back().push_back(b);
    reach = std::max(reach, high(b));
  }
  return groups;
}

int Height(const Blocks& blocks) {
  int top = blocks.front().Top, bottom = blocks.front().Bottom;
  for (const Block& b : blocks) {
    top = std::min(top, b.Top);
    bottom = std::max(bottom, b.Bottom);
  }
  return bottom - top + 1;
}

Block Union(const Blocks& blocks) {
  Block u = blocks.front();
  for (const Block& b : blocks) u = {std::min(u.Left, b.Left), std::min(u.Top, b.Top),
                                     std::max(u.Right, b.Right), std::max(u.Bottom, b.Bottom)};
  return u;
}

// The recursive cut: bands across the blocks, top to bottom; a band that
// splits into columns tall enough is cut into them, each read in turn and
// cut again; bands that do not are gathered with their neighbours into one
// region.
void Cut(const Blocks& blocks, int minColumnHeight, std::vector<Block>& regions) {
  Blocks whole;
  auto flush = [&] {
    if (!whole.empty()) regions.push_back(Union(whole));
    whole.clear();
  };
  for (const Blocks& band : Split(blocks, true)) {
    const std::vector<Blocks> columns = Split(band, false);
    const bool setInColumns =
        columns.size() > 1 && std::all_of(columns.begin(), columns.end(), [&](const Blocks& column) {
          return Height(column) >= minColumnHeight;
        });
    if (!setInColumns) {
      whole.insert(whole.end(), band.begin(), band.end());
      continue;
    }
    flush();
    for (const Blocks& column : columns) Cut(column, minColumnHeight, regions);
  }
  flush();
}

}  // namespace

std::vector<core::Box> FindTextRegions(const platform::Bitmap& mono) {
  const PixPtr page = MonoToPix(mono);
  if (!page) return {};
  const PixPtr reduced(pixReduceRankBinaryCascade(page.get(), 1, 1, 0, 0));
  if (!reduced) return {};
  const BoxaPtr componentBoxes = ComponentBoxes(reduced.get());
  const Blocks components = ToBlocks(componentBoxes.get());
  if (components.size() < static_cast<size_t>(kMinComponents)) return {};
  const int textHeight = TextHeight(components);
  const int smear = static_cast<int>(std::ceil(kSmearTextHeights * textHeight));
  const PixPtr smeared(pixCloseSafeBrick(nullptr, reduced.get(), smear, smear));
  if (!smeared) return {};
  const BoxaPtr blockBoxes = ComponentBoxes(smeared.get());
  Blocks blocks;
  for (const Block& b : ToBlocks(blockBoxes.get())) {
    if (std::max(b.Right - b.Left, b.Bottom - b.Top) + 1 >= textHeight) blocks.push_back(b);
  }
  if (blocks.empty()) return {};
  std::vector<Block> regions;
  Cut(blocks, kMinColumnTextHeights * textHeight, regions);
  if (regions.size() <= 1) return {};
  std::vector<core::Box> boxes;
  for (const Block& r : regions) {
    boxes.push_back(core::Box{r.Left * kReduction, std::min(r.Right * kReduction + kReduction - 1, mono.Width() - 1),
                              r.Top * kReduction,
                              std::min(r.Bottom * kReduction + kReduction - 1, mono.Height() - 1)});
  }
  return boxes;
}

std::vector<bool> ParagraphStarts(const std::vector<core::Box>& lines) {
  std::vector<bool> starts(lines.size(), false);
  if (lines.empty()) return starts;
  std::vector<double> lefts, heights, gaps;
  for (size_t i = 0; i < lines.size(); ++i) {
    lefts.push_back(lines[i].Left);
    heights.push_back(lines[i].Bottom - lines[i].Top + 1);
    if (i > 0) gaps.push_back(lines[i].Top - lines[i - 1].Bottom - 1);
  }
  auto median = [](std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  // The left edge most lines share: the lower quartile of the left ends, so
  // that indented first lines do not move it.
  std::nth_element(lefts.begin(), lefts.begin() + static_cast<std::ptrdiff_t>(lefts.size() / 4), lefts.end());
  const double edge = lefts[lefts.size() / 4];
  const double textHeight = median(heights);
  const double usualGap = gaps.empty() ? 0 : median(gaps);
  starts[0] = true;
  for (size_t i = 1; i < lines.size(); ++i) {
    const bool indented = lines[i].Left - edge >= kIndentShare * textHeight;
    const bool apart = lines[i].Top - lines[i - 1].Bottom - 1 >= usualGap + kWiderGapShare * textHeight;
    starts[i] = indented || apart;
  }
  return starts;
}

}  // namespace app
