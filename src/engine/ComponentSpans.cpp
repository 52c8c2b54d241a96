// Column spans of the ink components inside a box of the page.
//
// Components are found by tracing their contours clockwise (a Moore-neighbour
// walk with 8-connectivity) on PageBits; a visited map of the box remembers
// the contour pixels already traced, so each outline is walked once and the
// interior pixels of a component start no trace. The component holding the
// first ink pixel in column order is traced but not reported. The components
// left are sorted by their left edge and those whose columns overlap are
// merged into one span.
#include "engine/ComponentSpans.h"

#include <algorithm>

#include "engine/EngineState.h"
#include "engine/UnitSort.h"

namespace engine {

namespace {

// The eight neighbour directions, clockwise from the upper-left neighbour.
constexpr int32_t kDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int32_t kDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
constexpr int32_t kOpposite[8] = {4, 5, 6, 7, 0, 1, 2, 3};

constexpr size_t kInitialVisitedBytes = 16384;
constexpr int32_t kMinContourLength = 5;
// A component narrower than the box height divided by this is a thin stroke.
constexpr int32_t kMinWidthDivisor = 6;

// One byte per pixel of the current search box; only ever grows.
std::vector<uint8_t>& VisitedMap() {
  static std::vector<uint8_t> map(kInitialVisitedBytes);
  return map;
}

// The search box of the current call and the record being traced into.
Box searchBox;
int32_t searchWidth = 0;
ComponentBox current;

void MarkVisited(int32_t x, int32_t y) {
  VisitedMap()[static_cast<size_t>(y - searchBox.Top) * searchWidth + (x - searchBox.Left)] = 1;
}
bool IsVisited(int32_t x, int32_t y) {
  return VisitedMap()[static_cast<size_t>(y - searchBox.Top) * searchWidth + (x - searchBox.Left)] != 0;
}

// The neighbour counts as ink only inside the search box.
bool NeighbourIsInk(int32_t x, int32_t y, int32_t d) {
  const int32_t nx = x + kDx[d];
  const int32_t ny = y + kDy[d];
  return nx >= searchBox.Left && nx <= searchBox.Right && ny >= searchBox.Top && ny <= searchBox.Bottom &&
         IsInk(nx, ny);
}

void AddToRecord(int32_t x, int32_t y) {
  current.Left = std::min(current.Left, x);
  current.Right = std::max(current.Right, x);
  current.Top = std::min(current.Top, y);
  current.Bottom = std::max(current.Bottom, y);
  ++current.ContourLength;
  MarkVisited(x, y);
}

// Traces the contour through the ink pixel (x, y) into `current`; false when
// the pixel has no ink neighbour.
bool TraceContour(int32_t x, int32_t y) {
  MarkVisited(x, y);
  int32_t white = 0;
  while (white < 8 && NeighbourIsInk(x, y, white)) ++white;
  // Counter-clockwise from just before the white direction to the first ink.
  int32_t start = -1;
  for (int32_t k = 1; k <= 8; ++k) {
    const int32_t d = ((white - k) % 8 + 8) % 8;
    if (NeighbourIsInk(x, y, d)) {
      start = d;
      break;
    }
  }
  if (start < 0) return false;

  AddToRecord(x, y);
  int32_t cx = x;
  int32_t cy = y;
  int32_t back = start;
  // The walk is a permutation of (position, back-direction) states, so it
  // always comes back to the state it started from.
  for (;;) {
    for (int32_t k = 1; k <= 8; ++k) {
      const int32_t d = (back + k) % 8;
      if (NeighbourIsInk(cx, cy, d)) {
        cx += kDx[d];
        cy += kDy[d];
        back = kOpposite[d];
        break;
      }
    }
    if (cx == x && cy == y && back == start) return true;
    AddToRecord(cx, cy);
  }
}

// A trace starts only at an ink pixel with a background edge neighbour.
bool IsContourStart(int32_t x, int32_t y) {
  return IsInk(x, y) && (!IsInk(x, y - 1) || !IsInk(x + 1, y) || !IsInk(x, y + 1) || !IsInk(x - 1, y)) &&
         !IsVisited(x, y);
}

// Traces the first component in column order; false when that pixel is an
// isolated dot, which ends the whole search.
bool SkipFirstComponent(const Box& box) {
  for (int32_t x = box.Left; x <= box.Right; ++x) {
    for (int32_t y = box.Top; y <= box.Bottom; ++y) {
      if (!IsInk(x, y)) continue;
      const bool traced = TraceContour(x, y);
      current = ComponentBox{};
      return traced;
    }
  }
  return true;
}

// Sorts the components by left edge and merges those whose columns overlap
// strictly (spans that only touch stay apart).
void MergeIntoSpans(std::vector<ComponentBox>& spans) {
  std::vector<SortPair> pairs(spans.size());
  for (size_t i = 0; i < spans.size(); ++i) pairs[i] = {spans[i].Left, static_cast<int32_t>(i)};
  SortPairs(pairs.data(), static_cast<int32_t>(pairs.size()));

  std::vector<ComponentBox> merged;
  merged.reserve(spans.size());
  for (const SortPair& pair : pairs) {
    const ComponentBox& record = spans[pair.Value];
    if (!merged.empty() && merged.back().Right > record.Left) {
      merged.back().Right = std::max(merged.back().Right, record.Right);
    } else {
      merged.push_back(record);
    }
  }
  spans.swap(merged);
}

}  // namespace

void FindComponentSpans(const Box& box, std::vector<ComponentBox>& spans) {
  spans.clear();
  if (box.Right < box.Left || box.Bottom < box.Top) return;
  searchBox = box;
  searchWidth = box.Right - box.Left + 1;
  const size_t area = static_cast<size_t>(searchWidth) * (box.Bottom - box.Top + 1);
  std::vector<uint8_t>& visited = VisitedMap();
  if (visited.size() < area) visited.resize(area);
  std::fill_n(visited.begin(), area, 0);
  current = ComponentBox{};

  if (!SkipFirstComponent(box)) return;

  const int32_t minWidth = (box.Bottom - box.Top) / kMinWidthDivisor;
  for (int32_t x = box.Left + 1; x <= box.Right - 1; ++x) {
    for (int32_t y = box.Top + 1; y <= box.Bottom - 1; ++y) {
      if (!IsContourStart(x, y)) continue;
      const bool closed = TraceContour(x, y);
      if (closed && current.ContourLength >= kMinContourLength && current.Right - current.Left >= minWidth) {
        spans.push_back(current);
      }
      current = ComponentBox{};
    }
  }
  if (!spans.empty()) MergeIntoSpans(spans);
}

}  // namespace engine
