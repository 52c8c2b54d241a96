// Tab-separated values, one row per page, per line and per character block,
// in the columns other OCR tools write: level page_num block_num par_num
// line_num word_num left top width height conf text. Level 1 is the page,
// 4 a line, 5 a character; a page is one block and one paragraph. conf is
// the confidence in per cent for characters and -1 for pages and lines.
#pragma once

#include <cstdint>
#include <string>

#include "app/Recognition.h"

namespace app {

// The header row.
std::string TsvHeader();
// The rows of one page; `number` counts the pages of the document from 1.
std::string TsvPage(const PageResult& page, int32_t number);

}  // namespace app
