// Searchable PDF through libHaru (see SearchablePdf.h).
//
// The page image goes in as 1-bit DeviceGray samples (0 black) and libHaru
// compresses it. One pixel is 72/dpi points; PDF y grows upwards.
//
// The text is laid out the way PDF readers group text into lines and words:
// all characters of a line share its height (a run's font size makes the
// font's ascent-to-descent height equal to the line box's, its baseline sits
// the descent above the line's bottom), and each character spans its box
// horizontally, stretched by the text matrix (a flat dash is many times
// wider than its glyph is high). Where the recognised text has no space
// between two characters, the first one reaches on to the next, so that a
// reader does not see a gap and put a space into copied or searched text.
// A block's text is split into runs of ASCII, set in a standard font, and
// of double-byte characters, set in the Chinese font.
#include "app/SearchablePdf.h"

#include <hpdf.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/ProgramInfo.h"
#include "platform/Encoding.h"

namespace app {

namespace {

constexpr double kPointsPerInch = 72;
constexpr double kInchesPerMeter = 39.3701;
constexpr double kDefaultDpi = 300;
// libHaru's limits of a page side, in points.
constexpr double kMinPageSide = 3;
constexpr double kMaxPageSide = 14400;
constexpr double kEmUnits = 1000;
constexpr uint8_t kDoubleByteStart = 0x80;

const char* const kChineseFont = "SimSun";
const char* const kChineseEncoding = "GBK-EUC-H";
const char* const kLatinFont = "Helvetica";
const char* const kLatinEncoding = "WinAnsiEncoding";

// Dots per inch for the page: its own resolution, changed only where the
// page would not fit libHaru's page size limits.
bool PageScale(const PageResult& result, double& pointsPerPixel, std::string& error) {
  const int32_t longest = std::max(result.Width, result.Height);
  const int32_t shortest = std::min(result.Width, result.Height);
  double dpi = result.XPelsPerMeter > 0 ? result.XPelsPerMeter / kInchesPerMeter : kDefaultDpi;
  pointsPerPixel = kPointsPerInch / dpi;
  pointsPerPixel = std::min(pointsPerPixel, kMaxPageSide / longest);
  pointsPerPixel = std::max(pointsPerPixel, kMinPageSide / shortest);
  if (longest * pointsPerPixel > kMaxPageSide) {
    error = "the page is too long for a PDF page";
    return false;
  }
  return true;
}

// The page's samples as DeviceGray wants them: rows of (width + 7) / 8 bytes,
// 0 for ink and 1 for paper. The ink is whichever palette entry is darker.
std::vector<uint8_t> GraySamples(const platform::Bitmap& page) {
  const auto& palette = page.Palette();
  auto luminance = [&](size_t i) {
    if (i >= palette.size()) return i == 0 ? 255 : 0;  // no palette: 0 paper, 1 ink
    return palette[i].Red * 30 + palette[i].Green * 59 + palette[i].Blue * 11;
  };
  const bool oneIsInk = luminance(1) < luminance(0);
  const size_t rowBytes = (static_cast<size_t>(page.Width()) + 7) / 8;
  std::vector<uint8_t> samples(rowBytes * static_cast<size_t>(page.Height()));
  for (int32_t y = 0; y < page.Height(); ++y) {
    const uint8_t* row = page.Row(y);
    uint8_t* out = samples.data() + rowBytes * static_cast<size_t>(y);
    for (size_t i = 0; i < rowBytes; ++i) out[i] = oneIsInk ? static_cast<uint8_t>(~row[i]) : row[i];
  }
  return samples;
}

struct TextRun {
  std::string Bytes;  // GBK for double-byte runs, ASCII otherwise
  bool DoubleByte = false;
};

std::vector<TextRun> SplitRuns(const std::string& utf8) {
  const std::string gbk = platform::Utf8ToGbk(utf8);
  std::vector<TextRun> runs;
  for (size_t i = 0; i < gbk.size();) {
    const bool doubleByte = static_cast<uint8_t>(gbk[i]) >= kDoubleByteStart;
    const size_t length = doubleByte && i + 1 < gbk.size() ? 2 : 1;
    if (runs.empty() || runs.back().DoubleByte != doubleByte) runs.push_back(TextRun{"", doubleByte});
    runs.back().Bytes.append(gbk, i, length);
    i += length;
  }
  return runs;
}

// The first error libHaru reported.
struct HaruError {
  HPDF_STATUS Status = HPDF_OK;
  HPDF_STATUS Detail = 0;
};

void OnHaruError(HPDF_STATUS status, HPDF_STATUS detail, void* userData) {
  auto* error = static_cast<HaruError*>(userData);
  if (error->Status == HPDF_OK) *error = HaruError{status, detail};
}

}  // namespace

struct SearchablePdf::Document {
  HPDF_Doc Pdf = nullptr;
  HPDF_Font Chinese = nullptr;
  HPDF_Font Latin = nullptr;
  HaruError Error;

  ~Document() {
    if (Pdf) HPDF_Free(Pdf);
  }

  // False with a message when libHaru has reported an error.
  bool Good(std::string& message) const {
    if (Error.Status == HPDF_OK) return true;
    char text[96];
    std::snprintf(text, sizeof text, "the PDF library failed (error 0x%04X, detail %u)",
                  static_cast<unsigned>(Error.Status), static_cast<unsigned>(Error.Detail));
    message = text;
    return false;
  }

  // Font size and the baseline's distance above the box bottom, in points,
  // for text of the font that is `height` points tall.
  static void FitHeight(HPDF_Font font, double height, double& size, double& baselineLift) {
    const double ascent = HPDF_Font_GetAscent(font);
    const double descent = HPDF_Font_GetDescent(font);  // negative
    size = height * kEmUnits / (ascent - descent);
    baselineLift = -descent * size / kEmUnits;
  }

  // Sets the block's text on its columns from block.Box.Left to `right`
  // (inclusive pixels) and the rows of its line.
  void PlaceBlock(HPDF_Page page, const BlockResult& block, int32_t right, const core::Box& line,
                  double scale, double pageHeight) {
    const std::vector<TextRun> runs = SplitRuns(block.Text);
    const double height = (line.Bottom - line.Top + 1) * scale;
    const double width = (right - block.Box.Left + 1) * scale;
    const double bottom = pageHeight - (line.Bottom + 1) * scale;
    double natural = 0;
    for (const TextRun& run : runs) {
      HPDF_Font font = run.DoubleByte ? Chinese : Latin;
      double size = 0, lift = 0;
      FitHeight(font, height, size, lift);
      natural += Advance(font, run, size);
    }
    if (natural <= 0) return;
    const double stretch = width / natural;
    double x = block.Box.Left * scale;
    for (const TextRun& run : runs) {
      HPDF_Font font = run.DoubleByte ? Chinese : Latin;
      double size = 0, lift = 0;
      FitHeight(font, height, size, lift);
      HPDF_Page_SetFontAndSize(page, font, static_cast<HPDF_REAL>(size));
      HPDF_Page_SetTextMatrix(page, static_cast<HPDF_REAL>(stretch), 0, 0, 1, static_cast<HPDF_REAL>(x),
                              static_cast<HPDF_REAL>(bottom + lift));
      HPDF_Page_ShowText(page, run.Bytes.c_str());
      x += Advance(font, run, size) * stretch;
    }
  }

  // The run's width at the font size, unstretched, in points.
  static double Advance(HPDF_Font font, const TextRun& run, double size) {
    const HPDF_TextWidth measured = HPDF_Font_TextWidth(
        font, reinterpret_cast<const HPDF_BYTE*>(run.Bytes.data()), static_cast<HPDF_UINT>(run.Bytes.size()));
    return measured.width * size / kEmUnits;
  }

  void PlaceLine(HPDF_Page page, const LineResult& line, double scale, double pageHeight) {
    std::vector<const BlockResult*> shown;
    for (const BlockResult& block : line.Blocks)
      if (!block.Text.empty()) shown.push_back(&block);
    for (size_t i = 0; i < shown.size(); ++i) {
      int32_t right = shown[i]->Box.Right;
      if (i + 1 < shown.size() && shown[i + 1]->SpacesBefore == 0)
        right = std::max(right, shown[i + 1]->Box.Left - 1);
      PlaceBlock(page, *shown[i], right, line.Box, scale, pageHeight);
    }
  }
};

SearchablePdf::SearchablePdf() : document_(std::make_unique<Document>()) {
  Document& d = *document_;
  d.Pdf = HPDF_New(OnHaruError, &d.Error);
  if (!d.Pdf) {
    d.Error.Status = HPDF_FAILD_TO_ALLOC_MEM;
    return;
  }
  HPDF_SetCompressionMode(d.Pdf, HPDF_COMP_ALL);
  HPDF_UseCNSFonts(d.Pdf);
  HPDF_UseCNSEncodings(d.Pdf);
  d.Chinese = HPDF_GetFont(d.Pdf, kChineseFont, kChineseEncoding);
  d.Latin = HPDF_GetFont(d.Pdf, kLatinFont, kLatinEncoding);
  const std::string producer = SoftwareName() + " " + SoftwareVersion();
  HPDF_SetInfoAttr(d.Pdf, HPDF_INFO_PRODUCER, producer.c_str());
  HPDF_SetInfoAttr(d.Pdf, HPDF_INFO_CREATOR, producer.c_str());
}

SearchablePdf::~SearchablePdf() = default;

bool SearchablePdf::AddPage(const PageResult& result) {
  Document& d = *document_;
  if (!d.Good(error_)) return false;
  const platform::Bitmap& image = result.Page;
  if (image.Empty() || image.BitCount() != 1 || image.Width() != result.Width ||
      image.Height() != result.Height) {
    error_ = "no black-and-white page image to show";
    return false;
  }
  double scale = 0;
  if (!PageScale(result, scale, error_)) return false;
  const std::vector<uint8_t> samples = GraySamples(image);
  HPDF_Image picture =
      HPDF_LoadRawImageFromMem(d.Pdf, samples.data(), static_cast<HPDF_UINT>(image.Width()),
                               static_cast<HPDF_UINT>(image.Height()), HPDF_CS_DEVICE_GRAY, 1);
  HPDF_Page page = HPDF_AddPage(d.Pdf);
  if (!d.Good(error_)) return false;
  const double width = image.Width() * scale;
  const double height = image.Height() * scale;
  HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(width));
  HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(height));
  HPDF_Page_DrawImage(page, picture, 0, 0, static_cast<HPDF_REAL>(width), static_cast<HPDF_REAL>(height));
  HPDF_Page_BeginText(page);
  HPDF_Page_SetTextRenderingMode(page, HPDF_INVISIBLE);
  for (const LineResult& line : result.Lines) d.PlaceLine(page, line, scale, height);
  HPDF_Page_EndText(page);
  return d.Good(error_);
}

bool SearchablePdf::Save(std::string& bytes) {
  Document& d = *document_;
  if (!d.Good(error_)) return false;
  HPDF_SaveToStream(d.Pdf);
  bytes.resize(HPDF_GetStreamSize(d.Pdf));
  HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
  HPDF_ResetStream(d.Pdf);
  HPDF_ReadFromStream(d.Pdf, reinterpret_cast<HPDF_BYTE*>(bytes.data()), &size);
  bytes.resize(size);
  return d.Good(error_);
}

}  // namespace app
