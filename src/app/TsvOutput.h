// Tab-separated values, one row per page, per line and per character block,
// in the columns other OCR tools write: level page_num block_num par_num
// line_num word_num left top width height conf text. Level 1 is the page,
// 2 a text region (a block), 3 a paragraph, 4 a line, 5 a character; blocks
// are counted on the page, paragraphs in their block, lines in their
// paragraph and characters in their line, from 1. conf is the confidence in
// per cent for characters and -1 for the others.
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
