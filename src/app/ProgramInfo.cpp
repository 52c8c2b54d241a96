// The program's name and version (the version comes from the build).
#include "app/ProgramInfo.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "unknown"
#endif

namespace app {

std::string SoftwareName() {
  return "PellarOCR";
}

std::string SoftwareVersion() {
  return PELLAR_VERSION;
}

}  // namespace app
