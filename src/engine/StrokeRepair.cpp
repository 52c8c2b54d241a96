// Broken strokes: counting the components of a page by its runs of ink, and
// thickening its ink.
//
// The count labels the horizontal runs of ink row by row and joins a run
// with every run of the row above that it touches (8-connected: the runs
// overlap or meet at a corner), keeping the pixel count of each component in
// a union-find forest; the lengths of the runs give the stroke width. The
// thickening works on whole bytes: a row ORed with
// itself shifted by one pixel each way, twice, then every row ORed with the
// rows above and below.
#include "engine/StrokeRepair.h"

#include <algorithm>
#include <numeric>

#include "platform/ByteOrder.h"

namespace engine {

using core::Box;

namespace {

constexpr int32_t kTinyPixels = 10;  // the page scan drops components smaller than this

struct Run {
  int32_t Left, Right;  // inclusive
  int32_t Label;
};

class Components {
 public:
  int32_t Add(int32_t pixels) {
    parent_.push_back(static_cast<int32_t>(parent_.size()));
    pixels_.push_back(pixels);
    return parent_.back();
  }
  int32_t Find(int32_t a) {
    while (parent_[a] != a) {
      parent_[a] = parent_[parent_[a]];
      a = parent_[a];
    }
    return a;
  }
  void Join(int32_t a, int32_t b) {
    a = Find(a);
    b = Find(b);
    if (a == b) return;
    if (a > b) std::swap(a, b);
    parent_[b] = a;
    pixels_[a] += pixels_[b];
  }
  FragmentCount Count() {
    FragmentCount count;
    for (int32_t i = 0; i < static_cast<int32_t>(parent_.size()); ++i) {
      if (Find(i) != i) continue;
      if (pixels_[i] < kTinyPixels) ++count.Tiny;
      if (pixels_[i] >= kWholePixels) ++count.Whole;
    }
    return count;
  }

 private:
  std::vector<int32_t> parent_;
  std::vector<int64_t> pixels_;
};

// The runs of ink of one row between left and right, found 64 pixels at a
// time: the bytes in reading order make a word whose highest bit is the
// leftmost pixel (pixels outside the region count as paper), and a run starts
// at the first ink bit and ends before the next paper bit.
void RowRuns(const uint8_t* row, uint8_t flip, int32_t left, int32_t right, std::vector<Run>& runs) {
  runs.clear();
  int32_t start = -1;
  const int32_t lastByte = right >> 3;
  for (int32_t byte = left >> 3; byte <= lastByte; byte += 8) {
    const int32_t x0 = byte * 8;
    uint64_t word = 0;
    if (byte + 7 <= lastByte) {
      word = platform::GetBe64(row + byte) ^ (flip ? ~uint64_t{0} : 0);
    } else {
      for (int32_t k = 0; byte + k <= lastByte; ++k) {
        word |= static_cast<uint64_t>(row[byte + k] ^ flip) << (56 - 8 * k);
      }
    }
    if (x0 < left) word &= ~uint64_t{0} >> (left - x0);
    if (right - x0 + 1 < 64) word &= ~uint64_t{0} << (64 - (right - x0 + 1));
    for (int32_t pos = 0; pos < 64;) {
      if (start < 0) {
        const uint64_t ink = word << pos;
        if (ink == 0) break;
        pos += __builtin_clzll(ink);
        start = x0 + pos;
      } else {
        const uint64_t paper = ~word << pos;  // the bits shifted in are not paper: the run goes on
        if (paper == 0) break;
        pos += __builtin_clzll(paper);
        runs.push_back({start, x0 + pos - 1, -1});
        start = -1;
      }
    }
  }
  if (start >= 0) runs.push_back({start, right, -1});
}

}  // namespace

FragmentCount CountFragments(const std::vector<uint8_t>& bits, int32_t rowBytes, uint8_t inkValue,
                             const Box& region) {
  const uint8_t flip = inkValue ? 0x00 : 0xFF;
  Components components;
  std::vector<Run> above, current;
  std::vector<int64_t> inkByRunLength;  // ink pixels in runs of each length
  for (int32_t y = region.Top; y <= region.Bottom; ++y) {
    RowRuns(bits.data() + static_cast<size_t>(y) * rowBytes, flip, region.Left, region.Right, current);
    size_t first = 0;  // the first run above that can still touch a run of this row
    for (Run& run : current) {
      const int32_t length = run.Right - run.Left + 1;
      run.Label = components.Add(length);
      if (inkByRunLength.size() <= static_cast<size_t>(length)) inkByRunLength.resize(length + 1, 0);
      inkByRunLength[length] += length;
      while (first < above.size() && above[first].Right < run.Left - 1) ++first;
      for (size_t k = first; k < above.size() && above[k].Left <= run.Right + 1; ++k) {
        components.Join(run.Label, above[k].Label);
      }
    }
    above.swap(current);
  }
  FragmentCount count = components.Count();
  const int64_t ink = std::accumulate(inkByRunLength.begin(), inkByRunLength.end(), int64_t{0});
  int64_t upTo = 0;
  for (size_t length = 0; length < inkByRunLength.size(); ++length) {
    upTo += inkByRunLength[length];
    if (2 * upTo >= ink) {
      count.StrokeWidth = static_cast<int32_t>(length);
      break;
    }
  }
  return count;
}

bool HasBrokenStrokes(const FragmentCount& count) {
  return count.Tiny > count.Whole && count.StrokeWidth <= kThinStrokePixels;
}

void RepairBrokenStrokes(std::vector<uint8_t>& bits, int32_t rowBytes, int32_t width, int32_t height,
                         uint8_t inkValue) {
  constexpr int32_t kHorizontalSteps = 2;
  if (inkValue == 0) std::for_each(bits.begin(), bits.end(), [](uint8_t& b) { b = static_cast<uint8_t>(~b); });
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = bits.data() + static_cast<size_t>(y) * rowBytes;
    for (int32_t step = 0; step < kHorizontalSteps; ++step) {
      std::copy_n(out, rowBytes, row.begin());
      for (int32_t i = 0; i < rowBytes; ++i) {
        uint8_t v = static_cast<uint8_t>(row[i] | (row[i] >> 1) | (row[i] << 1));
        if (i > 0) v |= static_cast<uint8_t>(row[i - 1] << 7);
        if (i + 1 < rowBytes) v |= static_cast<uint8_t>(row[i + 1] >> 7);
        out[i] = v;
      }
    }
  }
  std::vector<uint8_t> above(static_cast<size_t>(rowBytes), 0);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = bits.data() + static_cast<size_t>(y) * rowBytes;
    const uint8_t* below = y + 1 < height ? out + rowBytes : nullptr;
    std::copy_n(out, rowBytes, row.begin());
    for (int32_t i = 0; i < rowBytes; ++i) out[i] = static_cast<uint8_t>(row[i] | above[i] | (below ? below[i] : 0));
    above.swap(row);
  }
  // Ink spread into the padding bits past the last column is wiped.
  const int32_t lastByte = (width - 1) >> 3;
  const auto keep = static_cast<uint8_t>(0xFF << (7 - ((width - 1) & 7)));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = bits.data() + static_cast<size_t>(y) * rowBytes;
    out[lastByte] &= keep;
    std::fill(out + lastByte + 1, out + rowBytes, uint8_t{0});
  }
  if (inkValue == 0) std::for_each(bits.begin(), bits.end(), [](uint8_t& b) { b = static_cast<uint8_t>(~b); });
}

}  // namespace engine
