// ALTO 4 XML: the recognised pages as Page elements (measurement unit
// pixel), each with one PrintSpace and a TextBlock per text region holding
// its lines; a TextLine per line and a String per character block with its
// CONTENT, box and word confidence WC (0 to 1); SP elements where the text
// has spaces.
#pragma once

#include <cstdint>
#include <string>

#include "app/Recognition.h"

namespace app {

// The document's head; `sourceImage` is the file its pages came from.
std::string AltoBegin(const std::string& sourceImage);
// One page; `number` counts the pages of the document from 1.
std::string AltoPage(const PageResult& page, int32_t number);
std::string AltoEnd();

}  // namespace app
