// Loading and preparing a page for recognition without a person at the
// controls, the way a user of the desktop program prepares one: colour to
// grey, grey to black and white, a quarter turn, skew correction; and saving
// the prepared page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Bitmap.h"

namespace app {

struct Preparation {
  std::optional<int32_t> Threshold;  // none: from the page's grey histogram
  int32_t Rotation = 0;              // clockwise degrees: 0, 90, 180 or 270
  bool Deskew = true;  // straighten the page when its lines clearly slope
};

// Reads a page image file. False with `error` when it cannot be read or is
// not a picture (the loader has shown its message through the hooks).
bool LoadPage(const std::string& path, platform::Bitmap& page, std::string& error);

// Makes the page monochrome (with the threshold given or one from its
// histogram), then turns and straightens it as asked.
bool PreparePage(platform::Bitmap& page, const Preparation& preparation, std::string& error);

// Saves the page as TIFF, BMP or JPEG after the extension of `path`.
bool SavePage(const std::string& path, const platform::Bitmap& page, std::string& error);

}  // namespace app
