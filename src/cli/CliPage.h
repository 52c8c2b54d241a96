// Loading and preparing a page for recognition on the command line, the way
// a user of the desktop program would: colour to grey, grey to black and
// white, a quarter turn, skew correction, and saving the prepared page.
#pragma once

#include <string>

#include "cli/CliOptions.h"
#include "platform/Bitmap.h"

namespace cli {

// Reads a page image file. False with a message when it cannot be read or
// is not a picture.
bool LoadPage(const std::string& path, platform::Bitmap& page, std::string& error);

// Makes the page monochrome (with the threshold of the options or one from
// its histogram), then turns and straightens it as asked.
bool PreparePage(platform::Bitmap& page, const CliOptions& options, std::string& error);

// Saves the page as TIFF, BMP or JPEG after the extension of `path`.
bool SavePage(const std::string& path, const platform::Bitmap& page, std::string& error);

}  // namespace cli
