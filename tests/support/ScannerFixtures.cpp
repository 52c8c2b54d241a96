// Scanners for the tests (see ScannerFixtures.h).
#include "support/ScannerFixtures.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/FormatsFixtures.h"

// SANE's test backend keeps a few strings and read buffers of every session
// (not ours to free). SANE's libraries stay loaded for the whole test
// (KeepSaneLoaded) and allocations record their whole call stack, so that
// those stacks name them and the suppression applies.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libsane\n";
}
extern "C" const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}

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

void KeepSaneLoaded() {
  static const bool loaded = [] {
    dlopen("libsane.so.1", RTLD_NOW | RTLD_NODELETE);
    dlopen(PELLAR_SANE_BACKENDS "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
    return true;
  }();
  (void)loaded;
}

const formatstest::ScratchDir& Folder() {
  static const formatstest::ScratchDir folder;
  return folder;
}

}  // namespace

SaneTestDevices::SaneTestDevices(bool withDevices, const std::vector<std::string>& testOptions) {
  KeepSaneLoaded();
  const formatstest::ScratchDir& folder = Folder();
  std::ofstream(folder.Path("dll.conf")) << (withDevices ? "test\n" : "");
  std::ofstream options(folder.Path("test.conf"));
  for (const std::string& line : testOptions) options << line << "\n";
  std::error_code ignored;
  std::filesystem::remove_all(folder.Path("config"), ignored);
  Remember("SANE_CONFIG_DIR", oldConfig_, hadConfig_);
  Remember("XDG_CONFIG_HOME", oldHome_, hadHome_);
  setenv("SANE_CONFIG_DIR", folder.Path("").c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.Path("config").c_str(), 1);
}

SaneTestDevices::~SaneTestDevices() {
  Restore("SANE_CONFIG_DIR", oldConfig_, hadConfig_);
  Restore("XDG_CONFIG_HOME", oldHome_, hadHome_);
}

std::string TwainLibraryPath() {
  return PELLAR_TWAIN_LIBRARY;
}

}  // namespace scanner_test
