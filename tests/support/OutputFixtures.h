// A recognised page made by hand, for the output tests: 200 × 100 pixels,
// page 3 of "scan.png", with a line "今天 A" (今 accuracy 64 with a second
// candidate, 天 32, an unread block, then A 47 after a space) and a line
// whose only block shows no character. Every block's feature words are 123.
#pragma once

#include "app/Recognition.h"

namespace outputtest {

app::PageResult TwoLinePage();

// A page of 300 × 200 pixels in two text regions: the first line of
// TwoLinePage three times down the left region (the first two one
// paragraph, the third, further down, another) and once in the right region,
// a paragraph of its own.
app::PageResult TwoRegionPage();

}  // namespace outputtest
