// Preparing a page for recognition without a person at the controls, the
// way a user of the desktop program prepares one: black and white from grey
// or colour, a quarter turn, skew correction; and saving the prepared page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Bitmap.h"

namespace app {

struct Preparation {
  std::optional<int32_t> Threshold;  // one grey level for the whole page; none: adaptive
  int32_t Rotation = 0;              // clockwise degrees: 0, 90, 180 or 270; 0: as detected
  bool AutoRotate = true;            // detect a page lying on its side or upside down
  bool Deskew = true;                // straighten the page when its lines clearly slope
};

// Prepares the page in steps: black and white (a page that is not yet gets
// the threshold given, or else the adaptive threshold), upright (the turn
// given, or else the one detected; detecting needs the template library),
// straight (unless switched off; only a page whose lines clearly slope is
// turned).
bool PreparePage(platform::Bitmap& page, const Preparation& preparation, std::string& error);

// Saves the page as TIFF, BMP or JPEG after the extension of `path`.
bool SavePage(const std::string& path, const platform::Bitmap& page, std::string& error);

}  // namespace app
