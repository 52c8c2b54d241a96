// Scanners for the tests: SANE's `test` backend (two virtual devices) in a
// scratch configuration folder, or a machine without scanners, and the
// source manager library of this build.
#pragma once

#include <string>
#include <vector>

namespace scanner_test {

// While it lives, SANE reads its configuration from a scratch folder whose
// dll.conf lists the `test` backend (or nothing, without devices), with the
// given lines in test.conf (for example "depth 1"), and the source manager
// remembers its default source in that folder too (none at first). SANE
// reads the folder's name once per process, so every instance of a process
// uses the same folder and writes its files anew.
class SaneTestDevices {
 public:
  explicit SaneTestDevices(bool withDevices = true, const std::vector<std::string>& testOptions = {});
  ~SaneTestDevices();
  SaneTestDevices(const SaneTestDevices&) = delete;
  SaneTestDevices& operator=(const SaneTestDevices&) = delete;

 private:
  std::string oldConfig_, oldHome_;
  bool hadConfig_ = false, hadHome_ = false;
};

// The full path of libpellar-twaindsm.so of this build.
std::string TwainLibraryPath();

}  // namespace scanner_test
