// Page outcomes as bytes (see OutcomeCodec.h): little-endian integers, a
// double as its 64 bits, strings and byte blocks with a 32-bit length, lists
// with a 32-bit count. Reading checks every length against what is left, so
// that damaged bytes are refused rather than trusted.
#include "cli/OutcomeCodec.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace cli {

namespace {

class ByteWriter {
 public:
  void U8(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) U8(static_cast<uint8_t>(value >> shift));
  }
  void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
  void F64(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    U32(static_cast<uint32_t>(bits));
    U32(static_cast<uint32_t>(bits >> 32));
  }
  void Bytes(const void* data, size_t size) {
    U32(static_cast<uint32_t>(size));
    bytes_.append(static_cast<const char*>(data), size);
  }
  void Text(const std::string& text) { Bytes(text.data(), text.size()); }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class ByteReader {
 public:
  explicit ByteReader(const std::string& bytes) : bytes_(bytes) {}

  bool U8(uint8_t& value) {
    if (!Has(1)) return false;
    value = static_cast<uint8_t>(bytes_[at_++]);
    return true;
  }
  bool U32(uint32_t& value) {
    if (!Has(4)) return false;
    value = 0;
    for (int shift = 0; shift < 32; shift += 8)
      value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[at_++])) << shift;
    return true;
  }
  bool I32(int32_t& value) {
    uint32_t raw = 0;
    if (!U32(raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
  }
  bool F64(double& value) {
    uint32_t low = 0, high = 0;
    if (!U32(low) || !U32(high)) return false;
    const uint64_t bits = static_cast<uint64_t>(high) << 32 | low;
    std::memcpy(&value, &bits, sizeof value);
    return true;
  }
  bool Text(std::string& text) {
    uint32_t size = 0;
    if (!U32(size) || !Has(size)) return false;
    text.assign(bytes_, at_, size);
    at_ += size;
    return true;
  }
  // A list count, at most one element per `minimumBytes` of what is left.
  bool Count(uint32_t& count, size_t minimumBytes) {
    return U32(count) && count <= (bytes_.size() - at_) / minimumBytes;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  bool Has(size_t size) const { return size <= bytes_.size() - at_; }

  const std::string& bytes_;
  size_t at_ = 0;
};

void WriteBox(ByteWriter& out, const core::Box& box) {
  out.I32(box.Left);
  out.I32(box.Right);
  out.I32(box.Top);
  out.I32(box.Bottom);
}

bool ReadBox(ByteReader& in, core::Box& box) {
  return in.I32(box.Left) && in.I32(box.Right) && in.I32(box.Top) && in.I32(box.Bottom);
}

void WriteBlock(ByteWriter& out, const app::BlockResult& block) {
  out.Text(block.Text);
  out.I32(block.SpacesBefore);
  WriteBox(out, block.Box);
  out.U8(block.CutSides);
  out.U32(static_cast<uint32_t>(block.Candidates.size()));
  for (const app::Candidate& candidate : block.Candidates) {
    out.U32(candidate.Code);
    out.I32(candidate.Score);
  }
  for (int32_t feature : block.Features) out.I32(feature);
}

bool ReadBlock(ByteReader& in, app::BlockResult& block) {
  uint32_t candidates = 0;
  if (!in.Text(block.Text) || !in.I32(block.SpacesBefore) || !ReadBox(in, block.Box) ||
      !in.U8(block.CutSides) || !in.Count(candidates, 8))
    return false;
  block.Candidates.resize(candidates);
  for (app::Candidate& candidate : block.Candidates) {
    uint32_t code = 0;
    if (!in.U32(code) || code > std::numeric_limits<core::CharCode>::max() || !in.I32(candidate.Score))
      return false;
    candidate.Code = static_cast<core::CharCode>(code);
  }
  for (int32_t& feature : block.Features)
    if (!in.I32(feature)) return false;
  return true;
}

void WriteBitmap(ByteWriter& out, const platform::Bitmap& page) {
  out.I32(page.Width());
  out.I32(page.Height());
  out.U32(page.BitCount());
  out.I32(page.XPelsPerMeter);
  out.I32(page.YPelsPerMeter);
  for (uint32_t mask : page.Masks) out.U32(mask);
  out.Bytes(page.Palette().data(), page.Palette().size() * sizeof(platform::RgbQuad));
  out.Bytes(page.Bits().data(), page.Bits().size());
}

bool ReadBitmap(ByteReader& in, platform::Bitmap& page) {
  int32_t width = 0, height = 0, xPels = 0, yPels = 0;
  uint32_t bitCount = 0;
  uint32_t masks[3] = {0, 0, 0};
  std::string palette, bits;
  if (!in.I32(width) || !in.I32(height) || !in.U32(bitCount) || !in.I32(xPels) || !in.I32(yPels))
    return false;
  for (uint32_t& mask : masks)
    if (!in.U32(mask)) return false;
  if (!in.Text(palette) || !in.Text(bits)) return false;
  page = platform::Bitmap();
  if (width == 0 && height == 0 && bits.empty()) return true;  // no page kept
  if (width <= 0 || height <= 0 || !platform::IsDibBitCount(static_cast<int32_t>(bitCount)) ||
      static_cast<int64_t>(width) * height > platform::kMaxPixels ||
      bits.size() !=
          static_cast<size_t>(platform::DibRowBytes(width, static_cast<int32_t>(bitCount))) * height ||
      palette.size() % sizeof(platform::RgbQuad) != 0)
    return false;
  page.Reset(width, height, static_cast<uint16_t>(bitCount));
  page.XPelsPerMeter = xPels;
  page.YPelsPerMeter = yPels;
  std::copy(std::begin(masks), std::end(masks), page.Masks);
  page.Palette().resize(palette.size() / sizeof(platform::RgbQuad));
  std::memcpy(page.Palette().data(), palette.data(), palette.size());
  std::memcpy(page.Bits().data(), bits.data(), bits.size());
  return true;
}

void WriteResult(ByteWriter& out, const app::PageResult& result) {
  out.Text(result.Image);
  out.I32(result.PageNumber);
  out.I32(result.Width);
  out.I32(result.Height);
  out.I32(result.XPelsPerMeter);
  out.I32(result.YPelsPerMeter);
  out.F64(result.Seconds);
  out.U32(static_cast<uint32_t>(result.PaneLines.size()));
  for (const std::string& line : result.PaneLines) out.Text(line);
  out.U32(static_cast<uint32_t>(result.Lines.size()));
  for (const app::LineResult& line : result.Lines) {
    out.Text(line.Text);
    out.I32(line.Indent);
    WriteBox(out, line.Box);
    out.I32(line.Region);
    out.I32(line.Paragraph);
    out.U32(static_cast<uint32_t>(line.Blocks.size()));
    for (const app::BlockResult& block : line.Blocks) WriteBlock(out, block);
  }
  out.U32(static_cast<uint32_t>(result.Regions.size()));
  for (const core::Box& region : result.Regions) WriteBox(out, region);
  WriteBitmap(out, result.Page);
}

bool ReadResult(ByteReader& in, app::PageResult& result) {
  uint32_t paneLines = 0, lines = 0;
  if (!in.Text(result.Image) || !in.I32(result.PageNumber) || !in.I32(result.Width) ||
      !in.I32(result.Height) || !in.I32(result.XPelsPerMeter) || !in.I32(result.YPelsPerMeter) ||
      !in.F64(result.Seconds) || !in.Count(paneLines, 4))
    return false;
  result.PaneLines.resize(paneLines);
  for (std::string& line : result.PaneLines)
    if (!in.Text(line)) return false;
  if (!in.Count(lines, 4)) return false;
  result.Lines.resize(lines);
  for (app::LineResult& line : result.Lines) {
    uint32_t blocks = 0;
    if (!in.Text(line.Text) || !in.I32(line.Indent) || !ReadBox(in, line.Box) || !in.I32(line.Region) ||
        !in.I32(line.Paragraph) || !in.Count(blocks, 4))
      return false;
    line.Blocks.resize(blocks);
    for (app::BlockResult& block : line.Blocks)
      if (!ReadBlock(in, block)) return false;
  }
  uint32_t regions = 0;
  if (!in.Count(regions, 16)) return false;
  result.Regions.resize(regions);
  for (core::Box& region : result.Regions)
    if (!ReadBox(in, region)) return false;
  return ReadBitmap(in, result.Page);
}

}  // namespace

std::string EncodeOutcome(const PageOutcome& outcome) {
  ByteWriter out;
  out.I32(outcome.PageNumber);
  out.I32(outcome.PageCount);
  out.I32(outcome.Status);
  out.Text(outcome.Messages);
  out.U8(outcome.Result ? 1 : 0);
  if (outcome.Result) WriteResult(out, *outcome.Result);
  return out.Take();
}

bool DecodeOutcome(const std::string& bytes, PageOutcome& outcome) {
  ByteReader in(bytes);
  uint8_t hasResult = 0;
  if (!in.I32(outcome.PageNumber) || !in.I32(outcome.PageCount) || !in.I32(outcome.Status) || !in.Text(outcome.Messages) ||
      !in.U8(hasResult) || hasResult > 1)
    return false;
  outcome.Result.reset();
  if (hasResult) {
    outcome.Result.emplace();
    if (!ReadResult(in, *outcome.Result)) return false;
  }
  return in.AtEnd();
}

}  // namespace cli
