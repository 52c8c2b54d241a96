// A page image file held in memory, read the way the open command reads a
// file and then page by page.
//
// The first page is decoded by the route the name's extension chooses
// (".jpg" through libjpeg, ".tif" through QVLoadImg, every other extension
// through the multi-format reader). When that fails, or the extension is
// unknown, the file's first bytes name the format (PNG, JPEG, TIFF, BMP,
// GIF, PDF ...) and that format's decoder is tried before giving up. The
// format that read the first page reads the others: every page of a TIFF
// file, every page of a PDF file (rendered at a chosen resolution); other
// formats have one page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/PdfReader.h"
#include "platform/Bitmap.h"

namespace input {

class PageFile {
 public:
  // Reads the file `name` and decodes its first page. False, with the reason
  // in English, when the file cannot be read or no decoder reads it.
  bool Open(const std::string& name, std::string& reason, int dotsPerInch = formats::kPdfDotsPerInch);
  // The same for the bytes of a file already in memory (standard input).
  // `name` gives the extension to go by; empty: the content alone decides.
  bool OpenData(std::vector<uint8_t> data, const std::string& name, std::string& reason,
                int dotsPerInch = formats::kPdfDotsPerInch);

  // After a successful Open: the number of pages (at least 1), and the
  // extension of the route that reads them (".png", ".tif", ".pdf" ...).
  int PageCount() const { return pageCount_; }
  const std::string& Format() const { return format_; }

  // Page `index` (0 for the first). False with the reason when that page
  // cannot be decoded.
  bool ReadPage(int index, platform::Bitmap& page, std::string& reason);

 private:
  bool DecodeFirstPage(std::string& reason);

  std::string name_;
  std::vector<uint8_t> data_;
  std::string format_;
  int pageCount_ = 0;
  int dotsPerInch_ = formats::kPdfDotsPerInch;
  platform::Bitmap first_;  // decoded by Open, handed out by the first ReadPage(0)
};

}  // namespace input
