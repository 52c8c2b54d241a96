// Scanners for the tests (see ScannerFixtures.h).
#include "support/ScannerFixtures.h"

#include <cstdlib>
#include <fstream>

namespace scanner_test {

namespace {

void Remember(const char* name, std::string& value, bool& had) {
  const char* current = std::getenv(name);
  had = current != nullptr;
  if (had) value = current;
}

void Restore(const char* name, const std::string& value, bool had) {
  if (had) {
    setenv(name, value.c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

SaneTestDevices::SaneTestDevices(bool withDevices, const std::vector<std::string>& testOptions) {
  std::ofstream(folder_.Path("dll.conf")) << (withDevices ? "test\n" : "");
  std::ofstream options(folder_.Path("test.conf"));
  for (const std::string& line : testOptions) options << line << "\n";
  Remember("SANE_CONFIG_DIR", oldConfig_, hadConfig_);
  Remember("XDG_CONFIG_HOME", oldHome_, hadHome_);
  setenv("SANE_CONFIG_DIR", folder_.Path("").c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder_.Path("config").c_str(), 1);
}

SaneTestDevices::~SaneTestDevices() {
  Restore("SANE_CONFIG_DIR", oldConfig_, hadConfig_);
  Restore("XDG_CONFIG_HOME", oldHome_, hadHome_);
}

std::string TwainLibraryPath() {
  return PELLAR_TWAIN_LIBRARY;
}

}  // namespace scanner_test
