// The output formats and one output document: the pages of one or more
// files in one format, built page by page as they are recognised. Text
// separates pages with a form feed; JSON is one line per page; TSV, hOCR and
// ALTO are one table or XML document over all pages; a PDF has one page per
// page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/PageOutput.h"
#include "app/Recognition.h"

namespace app {

class SearchablePdf;

enum class OutputFormat { Text, Json, Pdf, Hocr, Alto, Tsv };

// A comma-separated list of format names (txt or text, json, pdf, hocr,
// alto, tsv) into formats in the order given, each once; false with a
// message on an unknown or empty name.
bool ParseFormats(const std::string& list, std::vector<OutputFormat>& formats, std::string& error);
// The extension of a file in the format, dot included.
std::string FormatExtension(OutputFormat format);
// Whether the format shows the page image (PageResult::Page must be kept).
bool ShowsPageImage(OutputFormat format);

struct OutputSettings {
  TextEncoding Encoding = TextEncoding::Utf8;  // of text output
  JsonFeatures Features = JsonFeatures::Omit;
};

class OutputDocument {
 public:
  OutputDocument(OutputFormat format, const OutputSettings& settings);
  ~OutputDocument();
  OutputDocument(const OutputDocument&) = delete;
  OutputDocument& operator=(const OutputDocument&) = delete;

  // Adds the next page; false with Error() when it could not be added.
  bool AddPage(const PageResult& page);
  // Passes over a page that could not be recognised: text keeps an empty
  // page in its place, and the pages after it keep their numbers.
  void SkipPage();
  // Ends the document. A document without pages stays empty.
  bool Finish();
  // The bytes completed since the last call: pages of text and markup
  // formats as they are added, a PDF only once finished.
  std::string TakeReady();
  const std::string& Error() const { return error_; }

 private:
  OutputFormat format_;
  OutputSettings settings_;
  int32_t pages_ = 0;  // added or passed over
  int32_t added_ = 0;
  std::string ready_;
  std::unique_ptr<SearchablePdf> pdf_;
  std::string error_;
};

}  // namespace app
