// A recognised page made by hand, for the output tests: 200 × 100 pixels,
// page 3 of "scan.png", with a line "今天 A" (今 accuracy 64 with a second
// candidate, 天 32, an unread block, then A 47 after a space) and a line
// whose only block shows no character. Every block's feature words are 123.
#pragma once

#include "app/Recognition.h"

namespace outputtest {

app::PageResult TwoLinePage();

}  // namespace outputtest
