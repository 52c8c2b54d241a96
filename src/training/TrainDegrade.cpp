// Degradation pipeline for training pages. The 1-bit page becomes an ink
// coverage image (0 paper … 1 ink) at the target resolution (area average of
// Reduce × Reduce source pixels), which is rotated about the page centre
// (bilinear), blurred (separable Gaussian), turned into grey levels with
// Gaussian noise and thresholded; ink spread raises the threshold so that
// partly covered pixels become ink, as print gain does. Specks are small
// discs of ink or paper at random places. A page whose strokes fell apart is
// thickened as the recognition run would thicken it, unless it is to stay as
// scanned.
#include "training/TrainDegrade.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/StrokeRepair.h"
#include "platform/PageBits.h"

namespace training {

namespace {

constexpr double kPaperGrey = 255.0;
constexpr double kSpreadThresholdRange = 100.0;  // grey levels added to the threshold at full spread
constexpr double kBlurRadiusSigmas = 3.0;
constexpr int32_t kMaxSpeckRadius = 2;

// Ink coverage per pixel, row-major.
struct Coverage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<float> Values;
  float& At(int32_t x, int32_t y) { return Values[static_cast<size_t>(y) * Width + x]; }
  float At(int32_t x, int32_t y) const { return Values[static_cast<size_t>(y) * Width + x]; }
};

int BitAt(const platform::Bitmap& page, int32_t x, int32_t y) {
  return (page.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

void SetBitAt(platform::Bitmap& page, int32_t x, int32_t y, int value) {
  uint8_t& byte = page.Row(y)[x >> 3];
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  byte = value ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
}

Coverage ReducedCoverage(const platform::Bitmap& page, int32_t reduce) {
  Coverage c;
  c.Width = page.Width() / reduce;
  c.Height = page.Height() / reduce;
  c.Values.assign(static_cast<size_t>(c.Width) * c.Height, 0.0f);
  const float weight = 1.0f / static_cast<float>(reduce * reduce);
  for (int32_t y = 0; y < c.Height * reduce; ++y) {
    const uint8_t* row = page.Row(y);
    for (int32_t x = 0; x < c.Width * reduce; ++x) {
      if ((row[x >> 3] >> (7 - (x & 7))) & 1) c.At(x / reduce, y / reduce) += weight;
    }
  }
  return c;
}

// Forward rotation of a point about the centre (counter-clockwise on the
// page, whose y axis points down).
void RotatePoint(double angle, double cx, double cy, double x, double y, double& outX, double& outY) {
  const double dx = x - cx;
  const double dy = y - cy;
  outX = cx + dx * std::cos(angle) + dy * std::sin(angle);
  outY = cy - dx * std::sin(angle) + dy * std::cos(angle);
}

Coverage Rotated(const Coverage& source, double angle) {
  Coverage out = source;
  std::fill(out.Values.begin(), out.Values.end(), 0.0f);
  const double cx = (source.Width - 1) / 2.0;
  const double cy = (source.Height - 1) / 2.0;
  const double cosA = std::cos(angle);
  const double sinA = std::sin(angle);
  for (int32_t y = 0; y < out.Height; ++y) {
    for (int32_t x = 0; x < out.Width; ++x) {
      // Inverse mapping: where this output pixel comes from.
      const double dx = x - cx;
      const double dy = y - cy;
      const double sx = cx + dx * cosA - dy * sinA;
      const double sy = cy + dx * sinA + dy * cosA;
      const auto x0 = static_cast<int32_t>(std::floor(sx));
      const auto y0 = static_cast<int32_t>(std::floor(sy));
      if (x0 < 0 || y0 < 0 || x0 + 1 >= source.Width || y0 + 1 >= source.Height) continue;
      const auto fx = static_cast<float>(sx - x0);
      const auto fy = static_cast<float>(sy - y0);
      const float top = source.At(x0, y0) * (1 - fx) + source.At(x0 + 1, y0) * fx;
      const float bottom = source.At(x0, y0 + 1) * (1 - fx) + source.At(x0 + 1, y0 + 1) * fx;
      out.At(x, y) = top * (1 - fy) + bottom * fy;
    }
  }
  return out;
}

std::vector<float> GaussianKernel(double sigma) {
  const auto radius = static_cast<int32_t>(std::ceil(kBlurRadiusSigmas * sigma));
  std::vector<float> kernel(2 * radius + 1);
  double sum = 0;
  for (int32_t i = -radius; i <= radius; ++i) {
    const double v = std::exp(-(i * i) / (2 * sigma * sigma));
    kernel[i + radius] = static_cast<float>(v);
    sum += v;
  }
  for (float& v : kernel) v = static_cast<float>(v / sum);
  return kernel;
}

void Blur(Coverage& c, double sigma) {
  const std::vector<float> kernel = GaussianKernel(sigma);
  const auto radius = static_cast<int32_t>(kernel.size() / 2);
  std::vector<float> temp(c.Values.size(), 0.0f);
  for (int32_t y = 0; y < c.Height; ++y) {
    for (int32_t x = 0; x < c.Width; ++x) {
      float sum = 0;
      for (int32_t k = -radius; k <= radius; ++k) {
        const int32_t sx = std::clamp(x + k, 0, c.Width - 1);
        sum += kernel[k + radius] * c.At(sx, y);
      }
      temp[static_cast<size_t>(y) * c.Width + x] = sum;
    }
  }
  for (int32_t y = 0; y < c.Height; ++y) {
    for (int32_t x = 0; x < c.Width; ++x) {
      float sum = 0;
      for (int32_t k = -radius; k <= radius; ++k) {
        const int32_t sy = std::clamp(y + k, 0, c.Height - 1);
        sum += kernel[k + radius] * temp[static_cast<size_t>(sy) * c.Width + x];
      }
      c.At(x, y) = sum;
    }
  }
}

platform::Bitmap Thresholded(const Coverage& c, const Degradation& d, Random& random) {
  platform::Bitmap out(c.Width, c.Height, 1);
  const double threshold = d.Threshold + d.InkSpread * kSpreadThresholdRange;
  for (int32_t y = 0; y < c.Height; ++y) {
    for (int32_t x = 0; x < c.Width; ++x) {
      double grey = kPaperGrey * (1.0 - c.At(x, y));
      if (d.NoiseDeviation > 0) grey += d.NoiseDeviation * random.Gaussian();
      if (grey <= threshold) SetBitAt(out, x, y, 1);
    }
  }
  return out;
}

void AddSpecks(platform::Bitmap& page, int32_t count, int value, Random& random) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t cx = random.Below(page.Width());
    const int32_t cy = random.Below(page.Height());
    const int32_t r = 1 + random.Below(kMaxSpeckRadius);
    for (int32_t y = std::max(0, cy - r); y <= std::min(page.Height() - 1, cy + r); ++y) {
      for (int32_t x = std::max(0, cx - r); x <= std::min(page.Width() - 1, cx + r); ++x) {
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) SetBitAt(page, x, y, value);
      }
    }
  }
}

// The box of a character after reduction and rotation, grown and clipped.
void TransformBox(RenderedChar& ch, const Degradation& d, double angle, int32_t width, int32_t height) {
  const double left = static_cast<double>(ch.Left) / d.Reduce;
  const double top = static_cast<double>(ch.Top) / d.Reduce;
  const double right = static_cast<double>(ch.Right + 1) / d.Reduce;
  const double bottom = static_cast<double>(ch.Bottom + 1) / d.Reduce;
  double minX = left, maxX = right, minY = top, maxY = bottom;
  if (angle != 0) {
    const double cx = (width - 1) / 2.0;
    const double cy = (height - 1) / 2.0;
    minX = minY = 1e18;
    maxX = maxY = -1e18;
    const double xs[2] = {left, right};
    const double ys[2] = {top, bottom};
    for (double x : xs) {
      for (double y : ys) {
        double rx, ry;
        RotatePoint(angle, cx, cy, x, y, rx, ry);
        minX = std::min(minX, rx);
        maxX = std::max(maxX, rx);
        minY = std::min(minY, ry);
        maxY = std::max(maxY, ry);
      }
    }
  }
  ch.Left = std::max(0, static_cast<int32_t>(std::floor(minX)) - kBoxGrowth);
  ch.Top = std::max(0, static_cast<int32_t>(std::floor(minY)) - kBoxGrowth);
  ch.Right = std::min(width - 1, static_cast<int32_t>(std::ceil(maxX)) - 1 + kBoxGrowth);
  ch.Bottom = std::min(height - 1, static_cast<int32_t>(std::ceil(maxY)) - 1 + kBoxGrowth);
}

// A page whose strokes fell apart is thickened as the recognition run
// thickens it, so that the library learns the characters as they will be
// read. The character boxes are measured afterwards, from the thickened ink.
void RepairLikeTheEngine(platform::Bitmap& page) {
  std::vector<uint8_t> bits;
  int32_t size = 0, width = 0, height = 0, rowBytes = 0;
  if (!platform::GetPageBits(page, size, width, bits, rowBytes, height)) return;
  constexpr uint8_t ink = 1;  // degraded pages keep ink as bit 1
  const core::Box wholePage{0, width - 1, 0, height - 1};
  if (!engine::HasBrokenStrokes(engine::CountFragments(bits, rowBytes, ink, wholePage))) return;
  engine::RepairBrokenStrokes(bits, rowBytes, width, height, ink);
  platform::SetPageBits(page, bits);
}

}  // namespace

uint64_t Random::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double Random::Uniform() {
  return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

int32_t Random::Below(int32_t bound) {
  return static_cast<int32_t>(Next() % static_cast<uint64_t>(bound));
}

double Random::Gaussian() {
  const double u1 = 1.0 - Uniform();  // (0, 1]
  const double u2 = Uniform();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

bool InkExtent(const platform::Bitmap& page, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) {
  const int32_t x0 = std::max(0, left), y0 = std::max(0, top);
  const int32_t x1 = std::min(page.Width() - 1, right), y1 = std::min(page.Height() - 1, bottom);
  int32_t minX = x1 + 1, maxX = x0 - 1, minY = y1 + 1, maxY = y0 - 1;
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      if (!BitAt(page, x, y)) continue;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
  }
  if (maxX < minX) return false;
  left = minX;
  top = minY;
  right = maxX;
  bottom = maxY;
  return true;
}

void DegradePage(RenderedPage& page, const Degradation& d) {
  if (d.IsIdentity() || page.Page.Empty()) return;
  Random random(d.Seed);
  Coverage coverage = ReducedCoverage(page.Page, std::max(1, d.Reduce));
  const double angle = d.SkewDegrees * std::numbers::pi / 180.0;
  if (angle != 0) coverage = Rotated(coverage, angle);
  if (d.BlurSigma > 0) Blur(coverage, d.BlurSigma);
  platform::Bitmap out = Thresholded(coverage, d, random);
  AddSpecks(out, d.BlackSpecks, 1, random);
  AddSpecks(out, d.WhiteSpecks, 0, random);
  if (d.ThickenBroken) RepairLikeTheEngine(out);
  out.XPelsPerMeter = page.Page.XPelsPerMeter / std::max(1, d.Reduce);
  out.YPelsPerMeter = page.Page.YPelsPerMeter / std::max(1, d.Reduce);
  out.Palette() = page.Page.Palette();

  std::vector<RenderedChar> kept;
  kept.reserve(page.Chars.size());
  for (RenderedChar ch : page.Chars) {
    TransformBox(ch, d, angle, out.Width(), out.Height());
    if (ch.Left > ch.Right || ch.Top > ch.Bottom) continue;
    if (InkExtent(out, ch.Left, ch.Top, ch.Right, ch.Bottom)) kept.push_back(ch);
  }
  page.Chars = std::move(kept);
  page.Page = std::move(out);
}

}  // namespace training
