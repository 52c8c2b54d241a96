// A searchable PDF: every page shows the monochrome page image as it was
// recognised, and carries the recognised text as invisible text placed on
// each character's box (its columns, and the rows of its line), so that a
// PDF viewer finds, selects and copies the text where it is printed. Chinese characters are set in a Chinese
// CID font that the PDF names but does not embed (Adobe-GB1 glyphs in the GBK encoding, which every PDF
// reader maps to Unicode), ASCII in a standard font; invisible text needs no glyph shapes, so the file is
// little more than the compressed page images.
#pragma once

#include <memory>
#include <string>

#include "app/Recognition.h"

namespace app {

class SearchablePdf {
 public:
  SearchablePdf();
  ~SearchablePdf();
  SearchablePdf(const SearchablePdf&) = delete;
  SearchablePdf& operator=(const SearchablePdf&) = delete;

  // Adds the page: its image (result.Page, which must be 1 bit per pixel)
  // at its resolution (300 dpi when unknown) and its text. False with
  // Error() when it could not be added.
  bool AddPage(const PageResult& result);
  // The whole file; false with Error() when it could not be made.
  bool Save(std::string& bytes);
  const std::string& Error() const { return error_; }

 private:
  struct Document;
  std::unique_ptr<Document> document_;
  std::string error_;
};

}  // namespace app
