// Shared pieces of the fuzz targets: hooks that drop every message (the
// headless ones would keep millions of them) and the extensions the
// whole-loader target chooses from with its first input byte.
#pragma once

#include <cstddef>

#include "platform/UiHooks.h"

namespace fuzzsupport {

class QuietUi : public platform::UiHooks {
 public:
  platform::Answer ShowMessage(const std::string&, platform::MessageIcon, platform::MessageButtons,
                               platform::QuestionId) override {
    return platform::Answer::Ok;
  }
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
};

// Index = first byte of a fuzz_load input modulo the count. The seed corpus
// script writes its files with the same order (keep them in step).
inline constexpr const char* kLoadExtensions[] = {
    ".jpg", ".tif", ".png", ".tiff", ".bmp", ".psd", ".pcx", ".tga",  ".gif", ".ppm",
    ".sgi", ".rla", ".pcd", ".cut",  ".ico", ".emf", ".wmf", ".jpeg", ".fax", ".win",
    ".pdf", ".dat",  // ".dat" has no decoder: the content chooses one
};
inline constexpr size_t kLoadExtensionCount = sizeof kLoadExtensions / sizeof kLoadExtensions[0];

}  // namespace fuzzsupport
