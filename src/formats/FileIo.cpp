// File helpers (see FileIo.h).
#include "formats/FileIo.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>

namespace formats {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string* error, size_t maxBytes) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    data.clear();
    return false;
  };
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return fail("cannot open the file");
  const std::streamoff size = in.tellg();
  if (size < 0) return fail("cannot read the file");
  if (static_cast<uint64_t>(size) > maxBytes) return fail("the file is too large");
  data.resize(static_cast<size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), size)) return fail("cannot read the file");
  return true;
}

bool ReplaceFile(const std::string& path, const std::function<bool(const std::string& temporary)>& write) {
  const std::string temporary = path + ".tmp" + std::to_string(static_cast<long>(getpid()));
  if (!write(temporary)) {
    std::remove(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::string LowerExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return {};
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace formats
