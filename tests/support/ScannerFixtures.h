// Scanners for the tests: SANE's `test` backend (two virtual devices) in a
// scratch configuration folder, or a machine without scanners, and the
// source manager library of this build.
#pragma once

#include <string>
#include <vector>

#include "support/FormatsFixtures.h"

namespace scanner_test {

// While it lives, SANE reads its configuration from a scratch folder whose
// dll.conf lists the `test` backend (or nothing, without devices), with the
// given lines in test.conf (for example "depth 1"), and the source manager
// remembers its default source in that folder too.
class SaneTestDevices {
 public:
  explicit SaneTestDevices(bool withDevices = true, const std::vector<std::string>& testOptions = {});
  ~SaneTestDevices();
  SaneTestDevices(const SaneTestDevices&) = delete;
  SaneTestDevices& operator=(const SaneTestDevices&) = delete;
  std::string Path(const std::string& name) const { return folder_.Path(name); }

 private:
  formatstest::ScratchDir folder_;
  std::string oldConfig_, oldHome_;
  bool hadConfig_ = false, hadHome_ = false;
};

// The full path of libpellar-twaindsm.so of this build.
std::string TwainLibraryPath();

}  // namespace scanner_test
