// Shared pieces of the fuzz targets: hooks that drop every message (the
// headless ones would keep millions of them), a private scratch folder for
// targets that hand their input over as a file, and the file type of a
// whole-loader input, told by its contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// A folder of this process, in memory (/dev/shm) where there is one, so that
// files forced to the disk cost nothing; removed with its files at exit.
// Empty when it could not be made.
const std::string& ScratchFolder();
// Writes the bytes as `name` in the scratch folder; its path, or "" on failure.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);

// The extension a file with these bytes would carry: the format's signature
// where it has one (the last byte then picks between the two routes of TIFF
// and of JPEG), otherwise the last byte picks one of the formats without a
// signature (or ".dat", which no reader claims, so that the content decides).
// The seed corpus script appends that byte to such files.
std::string LoadExtensionOf(const uint8_t* data, size_t size);
inline constexpr const char* kUnsignedExtensions[] = {".tga", ".win", ".rla", ".cut", ".fax", ".pcd", ".dat"};
inline constexpr size_t kUnsignedExtensionCount = sizeof kUnsignedExtensions / sizeof kUnsignedExtensions[0];

}  // namespace fuzzsupport
