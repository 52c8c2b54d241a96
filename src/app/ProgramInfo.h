// The name and version of the program, as output files record them.
#pragma once

#include <string>

namespace app {

std::string SoftwareName();
std::string SoftwareVersion();

}  // namespace app
