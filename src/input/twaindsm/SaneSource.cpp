// A SANE device as a data source (see SaneSource.h).
//
// A scan reads every frame of a page (one grey or RGB frame, or the red,
// green and blue frames of a three-pass scanner) and turns it into a
// bottom-up DIB: 1 bit with a white-and-black colour table for line art
// (SANE's 1 is black, so the bits stay as they are), 8-bit grey with a grey
// ramp, or 24-bit BGR. Samples of 16 bits keep their high byte.
#include "input/twaindsm/SaneSource.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/GlobalMemory.h"

namespace twaindsm {

using namespace input;

namespace {

constexpr int kReadChunk = 64 * 1024;
constexpr int kReadsPerYield = 16;
// Resolutions offered from a device that takes any value in a range.
constexpr SANE_Int kUsualResolutions[] = {75, 100, 150, 200, 240, 300, 400, 600, 1200};
// A page larger than this is refused rather than read into memory.
constexpr size_t kMaxScanBytes = platform::kMaxGlobalBlock;
constexpr double kMetresPerInch = 0.0254;

bool Usable(const SANE_Option_Descriptor* option) {
  return option != nullptr && SANE_OPTION_IS_ACTIVE(option->cap) && SANE_OPTION_IS_SETTABLE(option->cap);
}

void CopyName(TW_STR32& target, const char* text) {
  std::strncpy(target, text, kTwStr32 - 1);
  target[kTwStr32 - 1] = '\0';
}

ScanResult FailureOf(SANE_Status status) {
  if (status == SANE_STATUS_CANCELLED) return {TWRC_CANCEL, TWCC_SUCCESS};
  if (status == SANE_STATUS_NO_MEM) return {TWRC_FAILURE, TWCC_LOWMEMORY};
  return {TWRC_FAILURE, TWCC_BUMMER};
}

// The value of a sample of `depth` bits (8 or 16) as 8 bits.
uint8_t Sample(const uint8_t* line, size_t index, SANE_Int depth) {
  if (depth == 8) return line[index];
  uint16_t wide;
  std::memcpy(&wide, line + 2 * index, sizeof wide);
  return static_cast<uint8_t>(wide >> 8);
}

struct Frame {
  SANE_Parameters Parameters{};
  std::vector<uint8_t> Data;
};

// The page's frames as a packed DIB in a new block of the program; 0 when
// the format is not one of ours or the memory cannot be had.
TW_HANDLE PackDib(const DsmHost& host, const std::vector<Frame>& frames, SANE_Int dpi, ScanResult& result) {
  const SANE_Parameters& first = frames.front().Parameters;
  const bool grey = first.format == SANE_FRAME_GRAY;
  const bool rgb = first.format == SANE_FRAME_RGB;
  const bool threePass = frames.size() == 3 && !grey && !rgb;
  const SANE_Int depth = first.depth;
  const bool supported = (grey && (depth == 1 || depth == 8 || depth == 16)) ||
                         ((rgb || threePass) && (depth == 8 || depth == 16));
  const int32_t width = first.pixels_per_line;
  const size_t lineBytes = first.bytes_per_line > 0 ? static_cast<size_t>(first.bytes_per_line) : 0;
  size_t rows = lineBytes > 0 ? frames.front().Data.size() / lineBytes : 0;
  for (const Frame& frame : frames) rows = std::min(rows, lineBytes > 0 ? frame.Data.size() / lineBytes : 0);
  if (!supported || width <= 0 || rows == 0 || static_cast<int64_t>(width) * rows > platform::kMaxPixels) {
    result = {TWRC_FAILURE, TWCC_BUMMER};
    return 0;
  }
  const auto height = static_cast<int32_t>(rows);
  const uint16_t bitCount = grey ? (depth == 1 ? 1 : 8) : 24;
  const uint32_t colours = bitCount == 1 ? 2 : bitCount == 8 ? 256 : 0;
  const int32_t rowBytes = platform::DibRowBytes(width, bitCount);
  const size_t headerBytes = sizeof(platform::BitmapInfoHeader) + colours * sizeof(platform::RgbQuad);
  const size_t total = headerBytes + static_cast<size_t>(rowBytes) * rows;
  const TW_HANDLE block = total <= kMaxScanBytes ? host.Alloc(platform::kGmemMoveable, static_cast<TW_UINT32>(total)) : 0;
  auto* dib = block ? static_cast<uint8_t*>(host.Lock(block)) : nullptr;
  if (dib == nullptr) {
    if (block) host.Free(block);
    result = {TWRC_FAILURE, TWCC_LOWMEMORY};
    return 0;
  }
  std::memset(dib, 0, total);
  platform::BitmapInfoHeader header;
  header.Width = width;
  header.Height = height;  // bottom-up
  header.BitCount = bitCount;
  header.SizeImage = static_cast<uint32_t>(rowBytes) * rows;
  header.XPelsPerMeter = header.YPelsPerMeter = static_cast<int32_t>(std::lround(dpi / kMetresPerInch));
  header.ClrUsed = colours;
  std::memcpy(dib, &header, sizeof header);
  auto* palette = reinterpret_cast<platform::RgbQuad*>(dib + sizeof header);
  for (uint32_t i = 0; i < colours; ++i) {
    // Line art: entry 0 white, entry 1 black; grey: a ramp.
    const auto level = static_cast<uint8_t>(colours == 2 ? (i == 0 ? 255 : 0) : i);
    palette[i] = platform::RgbQuad{level, level, level, 0};
  }
  uint8_t* pixels = dib + headerBytes;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = pixels + static_cast<size_t>(height - 1 - y) * rowBytes;
    const size_t at = static_cast<size_t>(y) * lineBytes;
    if (bitCount == 1) {
      std::memcpy(out, frames.front().Data.data() + at, std::min(lineBytes, static_cast<size_t>(rowBytes)));
    } else if (bitCount == 8) {
      for (int32_t x = 0; x < width; ++x) out[x] = Sample(frames.front().Data.data() + at, x, depth);
    } else {
      for (int32_t x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c) {
          // DIB pixels are blue, green, red.
          const uint8_t value = rgb ? Sample(frames.front().Data.data() + at, 3 * x + c, depth)
                                    : Sample(frames[c].Data.data() + at, x, depth);
          out[3 * x + 2 - c] = value;
        }
      }
    }
  }
  host.Unlock(block);
  result = {TWRC_XFERDONE, TWCC_SUCCESS};
  return block;
}

// A string-list option: its entries and the index of the current one.
void OfferList(SANE_Handle handle, SANE_Int index, TW_STR32* names, TW_INT32& count, TW_INT32& chosen) {
  count = 0;
  chosen = -1;
  const SANE_Option_Descriptor* option = index > 0 ? sane_get_option_descriptor(handle, index) : nullptr;
  if (!Usable(option) || option->type != SANE_TYPE_STRING ||
      option->constraint_type != SANE_CONSTRAINT_STRING_LIST) {
    return;
  }
  std::vector<char> current(static_cast<size_t>(option->size) + 1, '\0');
  sane_control_option(handle, index, SANE_ACTION_GET_VALUE, current.data(), nullptr);
  for (const SANE_String_Const* entry = option->constraint.string_list;
       *entry != nullptr && count < kMaxScanChoices; ++entry) {
    if (std::strcmp(*entry, current.data()) == 0) chosen = count;
    CopyName(names[count++], *entry);
  }
}

void ApplyList(SANE_Handle handle, SANE_Int index, TW_INT32 count, TW_INT32 chosen) {
  const SANE_Option_Descriptor* option = index > 0 ? sane_get_option_descriptor(handle, index) : nullptr;
  if (count <= 0 || chosen < 0 || chosen >= count || !Usable(option) ||
      option->constraint_type != SANE_CONSTRAINT_STRING_LIST) {
    return;
  }
  // The entry by its place in the device's own list (the offered names may
  // have been shortened).
  const SANE_String_Const* entry = option->constraint.string_list;
  for (TW_INT32 i = 0; i < chosen && *entry != nullptr; ++i) ++entry;
  if (*entry == nullptr) return;
  std::vector<char> value(std::max<size_t>(static_cast<size_t>(option->size), std::strlen(*entry) + 1), '\0');
  std::strcpy(value.data(), *entry);
  sane_control_option(handle, index, SANE_ACTION_SET_VALUE, value.data(), nullptr);
}

// A resolution value in dots per inch. Some devices report a whole number
// in a fixed-point option; a fixed-point value under one dot per inch is
// read that way.
SANE_Int Dpi(const SANE_Option_Descriptor& option, SANE_Word word) {
  if (option.type != SANE_TYPE_FIXED) return word;
  const double value = SANE_UNFIX(word);
  return value < 1.0 ? word : static_cast<SANE_Int>(std::lround(value));
}

// The current resolution in dots per inch; 0 when the device has none.
SANE_Int CurrentResolution(SANE_Handle handle, SANE_Int index) {
  const SANE_Option_Descriptor* option = index > 0 ? sane_get_option_descriptor(handle, index) : nullptr;
  if (option == nullptr || !SANE_OPTION_IS_ACTIVE(option->cap) || option->size < 1) return 0;
  if (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) return 0;
  std::vector<SANE_Word> value(static_cast<size_t>(option->size) / sizeof(SANE_Word) + 1, 0);
  if (sane_control_option(handle, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
    return 0;
  return Dpi(*option, value[0]);
}

// Orders three-pass frames red, green, blue.
int FramePlace(SANE_Frame format) {
  return format == SANE_FRAME_GREEN ? 1 : format == SANE_FRAME_BLUE ? 2 : 0;
}

}  // namespace

SaneSource::~SaneSource() {
  Close();
}

bool SaneSource::Open(const std::string& deviceName) {
  Close();
  return sane_open(deviceName.c_str(), &handle_) == SANE_STATUS_GOOD;
}

void SaneSource::Close() {
  if (handle_ == nullptr) return;
  Cancel();
  sane_close(handle_);
  handle_ = nullptr;
}

SANE_Int SaneSource::FindOption(const char* name) const {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, i);
    if (option == nullptr) return -1;
    if (option->name != nullptr && std::strcmp(option->name, name) == 0) return i;
  }
}

void SaneSource::Offer(ScanChoices& choices) const {
  choices = ScanChoices{};
  if (handle_ == nullptr) return;
  OfferList(handle_, FindOption(SANE_NAME_SCAN_MODE), choices.Modes, choices.ModeCount, choices.Mode);
  OfferList(handle_, FindOption(SANE_NAME_SCAN_SOURCE), choices.Sources, choices.SourceCount, choices.Source);

  const SANE_Int index = FindOption(SANE_NAME_SCAN_RESOLUTION);
  const SANE_Option_Descriptor* option = index > 0 ? sane_get_option_descriptor(handle_, index) : nullptr;
  if (!Usable(option) || (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED)) return;
  auto dpi = [option](SANE_Word word) { return Dpi(*option, word); };
  const SANE_Int current = CurrentResolution(handle_, index);
  std::vector<SANE_Int> offered;
  if (option->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
    const SANE_Word* list = option->constraint.word_list;
    for (SANE_Word i = 1; i <= list[0]; ++i) offered.push_back(dpi(list[i]));
  } else if (option->constraint_type == SANE_CONSTRAINT_RANGE) {
    const SANE_Int low = dpi(option->constraint.range->min);
    const SANE_Int high = dpi(option->constraint.range->max);
    for (SANE_Int usual : kUsualResolutions) {
      if (usual >= low && usual <= high) offered.push_back(usual);
    }
  }
  if (current > 0) offered.push_back(current);
  std::sort(offered.begin(), offered.end());
  offered.erase(std::unique(offered.begin(), offered.end()), offered.end());
  for (SANE_Int value : offered) {
    if (choices.ResolutionCount == kMaxScanChoices) break;
    if (value == current) choices.Resolution = choices.ResolutionCount;
    choices.Resolutions[choices.ResolutionCount++] = value;
  }
}

void SaneSource::Apply(const ScanChoices& choices) {
  if (handle_ == nullptr) return;
  // The mode first: it may change what the other settings allow.
  ApplyList(handle_, FindOption(SANE_NAME_SCAN_MODE), choices.ModeCount, choices.Mode);
  ApplyList(handle_, FindOption(SANE_NAME_SCAN_SOURCE), choices.SourceCount, choices.Source);
  const SANE_Int index = FindOption(SANE_NAME_SCAN_RESOLUTION);
  const SANE_Option_Descriptor* option = index > 0 ? sane_get_option_descriptor(handle_, index) : nullptr;
  if (choices.Resolution < 0 || choices.Resolution >= choices.ResolutionCount || !Usable(option)) return;
  const SANE_Int dpi = choices.Resolutions[choices.Resolution];
  SANE_Word value = option->type == SANE_TYPE_FIXED ? SANE_FIX(dpi) : dpi;
  sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &value, nullptr);
}

bool SaneSource::FromFeeder() const {
  const SANE_Int index = FindOption(SANE_NAME_SCAN_SOURCE);
  const SANE_Option_Descriptor* option = index > 0 ? sane_get_option_descriptor(handle_, index) : nullptr;
  if (option == nullptr || option->type != SANE_TYPE_STRING || !SANE_OPTION_IS_ACTIVE(option->cap)) return false;
  std::vector<char> value(static_cast<size_t>(option->size) + 1, '\0');
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
    return false;
  std::string source(value.data());
  std::transform(source.begin(), source.end(), source.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return source.find("feeder") != std::string::npos || source.find("adf") != std::string::npos;
}

ScanResult SaneSource::Transfer(const DsmHost& host, TW_HANDLE& dib) {
  dib = 0;
  if (handle_ == nullptr) return {TWRC_FAILURE, TWCC_SEQERROR};
  std::vector<Frame> frames;
  int reads = 0;
  for (;;) {
    if (!started_) {
      const SANE_Status status = sane_start(handle_);
      if (status != SANE_STATUS_GOOD) {
        Cancel();
        return FailureOf(status);
      }
    }
    started_ = false;
    Frame frame;
    if (sane_get_parameters(handle_, &frame.Parameters) != SANE_STATUS_GOOD) {
      Cancel();
      return {TWRC_FAILURE, TWCC_BUMMER};
    }
    std::vector<uint8_t> chunk(kReadChunk);
    for (;;) {
      SANE_Int length = 0;
      const SANE_Status status = sane_read(handle_, chunk.data(), kReadChunk, &length);
      if (status == SANE_STATUS_EOF) break;
      if (status != SANE_STATUS_GOOD) {
        Cancel();
        return FailureOf(status);
      }
      if (frame.Data.size() + static_cast<size_t>(length) > kMaxScanBytes) {
        Cancel();
        return {TWRC_FAILURE, TWCC_LOWMEMORY};
      }
      frame.Data.insert(frame.Data.end(), chunk.begin(), chunk.begin() + length);
      if (++reads % kReadsPerYield == 0 && host.Yield) host.Yield(host.Context);
    }
    const bool last = frame.Parameters.last_frame != 0;
    frames.push_back(std::move(frame));
    if (last || frames.size() == 3) break;
  }
  if (frames.size() == 3) {
    std::sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) {
      return FramePlace(a.Parameters.format) < FramePlace(b.Parameters.format);
    });
  }
  ScanResult result;
  dib = PackDib(host, frames, CurrentResolution(handle_, FindOption(SANE_NAME_SCAN_RESOLUTION)), result);
  return result;
}

bool SaneSource::StartNextPage() {
  if (handle_ != nullptr && FromFeeder() && sane_start(handle_) == SANE_STATUS_GOOD) {
    started_ = true;
    return true;
  }
  Cancel();
  return false;
}

void SaneSource::Cancel() {
  if (handle_ != nullptr) sane_cancel(handle_);
  started_ = false;
}

}  // namespace twaindsm
