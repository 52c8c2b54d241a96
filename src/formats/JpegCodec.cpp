// JPEG through libjpeg (see JpegCodec.h). libjpeg reports fatal errors by
// calling error_exit, which here jumps back to the decoder's entry with
// longjmp; warnings about truncated or corrupt entropy-coded data are made
// fatal as well, so a damaged file is refused rather than shown half grey.
// The decoder checks the picture size against the caps of the readers (with
// the coefficients a progressive file keeps), caps libjpeg's working memory
// and the number of progressive scans before it decodes anything.
#include "formats/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "formats/PictureLimits.h"
#include "formats/PixelRows.h"
#include "platform/FileIo.h"

namespace formats {
namespace {

constexpr long kMaxJpegWorkMemory = 512L << 20;
constexpr int kMaxProgressiveScans = 256;
constexpr double kMetresPerInch = 0.0254;

struct ErrorManager {
  jpeg_error_mgr Base;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->Message);
  std::longjmp(manager->Jump, 1);
}

// Warnings (level -1) that mean the compressed data is cut short or damaged.
void EmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
      ErrorExit(info);
    default:
      break;
  }
}

void InstallErrorManager(j_common_ptr info, ErrorManager& manager) {
  info->err = jpeg_std_error(&manager.Base);
  manager.Base.error_exit = ErrorExit;
  manager.Base.emit_message = EmitMessage;
  manager.Message[0] = '\0';
}

// Progressive files can hold thousands of tiny scans; stop after a sane number.
void LimitScans(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxProgressiveScans) {
    std::snprintf(reinterpret_cast<ErrorManager*>(info->err)->Message, JMSG_LENGTH_MAX, "too many scans");
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->Jump, 1);
  }
}

int32_t DotsPerInchToPerMetre(unsigned density, int unit) {
  if (unit == 1) return static_cast<int32_t>(density / kMetresPerInch + 0.5);
  if (unit == 2) return static_cast<int32_t>(density * 100);
  return 0;
}

// Converts one decoded scanline into row y of the bitmap.
void StoreRow(const jpeg_decompress_struct& info, const uint8_t* line, platform::Bitmap& out, int32_t y) {
  uint8_t* row = out.Row(y);
  const auto width = static_cast<int32_t>(info.output_width);
  if (info.out_color_space == JCS_GRAYSCALE) {
    std::copy(line, line + width, row);
    return;
  }
  for (int32_t x = 0; x < width; ++x) {
    uint8_t red, green, blue;
    if (info.out_color_space == JCS_CMYK) {
      // Adobe writes CMYK inverted; the common files are inverted.
      const uint8_t* p = line + 4 * x;
      red = static_cast<uint8_t>(p[0] * p[3] / 255);
      green = static_cast<uint8_t>(p[1] * p[3] / 255);
      blue = static_cast<uint8_t>(p[2] * p[3] / 255);
    } else {
      const uint8_t* p = line + 3 * x;
      red = p[0];
      green = p[1];
      blue = p[2];
    }
    row[3 * x] = blue;
    row[3 * x + 1] = green;
    row[3 * x + 2] = red;
  }
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error) {
  jpeg_decompress_struct info{};
  ErrorManager manager;
  jpeg_progress_mgr progress{};
  InstallErrorManager(reinterpret_cast<j_common_ptr>(&info), manager);
  // Locals changed after setjmp must not be cached in registers.
  platform::Bitmap* volatile target = &out;
  std::vector<uint8_t>* volatile line = new std::vector<uint8_t>;
  if (setjmp(manager.Jump)) {
    jpeg_destroy_decompress(&info);
    delete line;
    if (error) *error = manager.Message;
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxJpegWorkMemory;
  progress.progress_monitor = LimitScans;
  info.progress = &progress;
  if (size == 0) ERREXIT(&info, JERR_INPUT_EMPTY);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    info.out_color_space = JCS_CMYK;
  } else if (info.jpeg_color_space != JCS_GRAYSCALE) {
    info.out_color_space = JCS_RGB;
  }
  const uint16_t bitCount = info.out_color_space == JCS_GRAYSCALE ? 8 : 24;
  // A progressive file is decoded from coefficients held for the whole picture.
  const int64_t coefficientBytes = info.progressive_mode ? int64_t{info.num_components} * sizeof(JCOEF) : 0;
  if (!PictureSizeAllowed(info.image_width, info.image_height, bitCount, error, coefficientBytes)) {
    jpeg_destroy_decompress(&info);
    delete line;
    return false;
  }
  jpeg_start_decompress(&info);
  target->Reset(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height), bitCount);
  target->XPelsPerMeter = DotsPerInchToPerMetre(info.X_density, info.density_unit);
  target->YPelsPerMeter = DotsPerInchToPerMetre(info.Y_density, info.density_unit);
  line->resize(static_cast<size_t>(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {line->data()};
    const auto y = static_cast<int32_t>(info.output_scanline);
    jpeg_read_scanlines(&info, rows, 1);
    StoreRow(info, line->data(), *target, y);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  delete line;
  return true;
}

namespace {

bool EncodeJpegTo(FILE* file, const platform::Bitmap& bitmap, int quality) {
  jpeg_compress_struct info{};
  ErrorManager manager;
  InstallErrorManager(reinterpret_cast<j_common_ptr>(&info), manager);
  std::vector<uint8_t>* volatile line = new std::vector<uint8_t>;
  if (setjmp(manager.Jump)) {
    jpeg_destroy_compress(&info);
    delete line;
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(bitmap.Width());
  info.image_height = static_cast<JDIMENSION>(bitmap.Height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (bitmap.XPelsPerMeter > 0 && bitmap.YPelsPerMeter > 0) {
    info.density_unit = 1;
    info.X_density = static_cast<UINT16>(bitmap.XPelsPerMeter * kMetresPerInch + 0.5);
    info.Y_density = static_cast<UINT16>(bitmap.YPelsPerMeter * kMetresPerInch + 0.5);
  }
  jpeg_start_compress(&info, TRUE);
  line->resize(static_cast<size_t>(bitmap.Width()) * 3);
  while (info.next_scanline < info.image_height) {
    RowToRgb(bitmap, static_cast<int32_t>(info.next_scanline), line->data());
    JSAMPROW rows[1] = {line->data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  delete line;
  return true;
}

}  // namespace

bool WriteJpegFile(const std::string& path, const platform::Bitmap& bitmap, int quality) {
  if (bitmap.Empty()) return false;
  return platform::ReplaceFile(path, [&](const std::string& temporary) {
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool encoded = EncodeJpegTo(file, bitmap, quality);
    return (std::fclose(file) == 0) && encoded;
  });
}

}  // namespace formats
