// Black and white from grey for pages whose light is uneven or whose paper
// is grey or coloured, where one threshold for the whole page loses the
// darker side: the page's local contrast decides, region by region.
#pragma once

#include "platform/Bitmap.h"

namespace app {

// `mono` becomes a monochrome page (palette white, black; ink bit 1) of the
// 8-bit grey page `grey`. False when the grey page cannot be processed.
bool AdaptiveThreshold(const platform::Bitmap& grey, platform::Bitmap& mono);

}  // namespace app
