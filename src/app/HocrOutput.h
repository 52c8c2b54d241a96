// hOCR: the recognised pages as XHTML, one "ocr_page" per page, one
// "ocr_carea" per text region, one "ocr_par" per paragraph, one "ocr_line"
// per line and one "ocrx_word" per character block (Chinese has no spaces
// to find words by), each with its "bbox" and, for characters, "x_wconf". Boxes are in page pixels with the right and bottom edges
// exclusive, as hOCR readers expect.
#pragma once

#include <cstdint>
#include <string>

#include "app/Recognition.h"

namespace app {

// The document's head; `title` names what it was made from.
std::string HocrBegin(const std::string& title);
// One page; `number` counts the pages of the document from 1.
std::string HocrPage(const PageResult& page, int32_t number);
std::string HocrEnd();

}  // namespace app
