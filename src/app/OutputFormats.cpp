// Output formats and documents (see OutputFormats.h).
#include "app/OutputFormats.h"

#include <algorithm>

#include "app/AltoOutput.h"
#include "app/HocrOutput.h"
#include "app/SearchablePdf.h"
#include "app/TsvOutput.h"

namespace app {

namespace {

struct FormatName {
  const char* Name;
  OutputFormat Format;
};
constexpr FormatName kFormatNames[] = {
    {"txt", OutputFormat::Text}, {"text", OutputFormat::Text}, {"json", OutputFormat::Json},
    {"pdf", OutputFormat::Pdf},  {"hocr", OutputFormat::Hocr}, {"alto", OutputFormat::Alto},
    {"tsv", OutputFormat::Tsv},
};

constexpr char kFormFeed = '\f';

}  // namespace

bool ParseFormats(const std::string& list, std::vector<OutputFormat>& formats, std::string& error) {
  formats.clear();
  size_t start = 0;
  while (true) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string name = list.substr(start, comma - start);
    const auto known = std::find_if(std::begin(kFormatNames), std::end(kFormatNames),
                                    [&](const FormatName& entry) { return name == entry.Name; });
    if (known == std::end(kFormatNames)) {
      error = name.empty() ? "an empty format name" : "unknown format '" + name + "'";
      return false;
    }
    if (std::find(formats.begin(), formats.end(), known->Format) == formats.end())
      formats.push_back(known->Format);
    if (comma == list.size()) return true;
    start = comma + 1;
  }
}

std::string FormatExtension(OutputFormat format) {
  switch (format) {
    case OutputFormat::Text:
      return ".txt";
    case OutputFormat::Json:
      return ".json";
    case OutputFormat::Pdf:
      return ".pdf";
    case OutputFormat::Hocr:
      return ".hocr";
    case OutputFormat::Alto:
      return ".xml";
    case OutputFormat::Tsv:
      return ".tsv";
  }
  return {};
}

bool ShowsPageImage(OutputFormat format) {
  return format == OutputFormat::Pdf;
}

OutputDocument::OutputDocument(OutputFormat format, const OutputSettings& settings)
    : format_(format), settings_(settings) {
  if (format_ == OutputFormat::Pdf) pdf_ = std::make_unique<SearchablePdf>();
}

OutputDocument::~OutputDocument() = default;

bool OutputDocument::AddPage(const PageResult& page) {
  const bool first = added_++ == 0;
  const int32_t number = ++pages_;
  switch (format_) {
    case OutputFormat::Text:
      if (number > 1) ready_.push_back(kFormFeed);
      ready_ += PageText(page, settings_.Encoding);
      break;
    case OutputFormat::Json:
      ready_ += PageJson(page, settings_.Features);
      break;
    case OutputFormat::Pdf:
      if (!pdf_->AddPage(page)) {
        error_ = pdf_->Error();
        return false;
      }
      break;
    case OutputFormat::Hocr:
      if (first) ready_ += HocrBegin(page.Image);
      ready_ += HocrPage(page, number);
      break;
    case OutputFormat::Alto:
      if (first) ready_ += AltoBegin(page.Image);
      ready_ += AltoPage(page, number);
      break;
    case OutputFormat::Tsv:
      if (first) ready_ += TsvHeader();
      ready_ += TsvPage(page, number);
      break;
  }
  return true;
}

void OutputDocument::SkipPage() {
  if (format_ == OutputFormat::Text && pages_ > 0) ready_.push_back(kFormFeed);
  ++pages_;
}

bool OutputDocument::Finish() {
  if (added_ == 0) return true;
  switch (format_) {
    case OutputFormat::Pdf: {
      std::string bytes;
      if (!pdf_->Save(bytes)) {
        error_ = pdf_->Error();
        return false;
      }
      ready_ += bytes;
      break;
    }
    case OutputFormat::Hocr:
      ready_ += HocrEnd();
      break;
    case OutputFormat::Alto:
      ready_ += AltoEnd();
      break;
    case OutputFormat::Text:
    case OutputFormat::Json:
    case OutputFormat::Tsv:
      break;
  }
  return true;
}

std::string OutputDocument::TakeReady() {
  std::string bytes;
  bytes.swap(ready_);
  return bytes;
}

}  // namespace app
