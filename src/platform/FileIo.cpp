// File helpers (see FileIo.h).
#include "platform/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fstream>

namespace platform {

namespace {
constexpr size_t kMegabyte = size_t{1} << 20;
}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string* error, size_t maxBytes) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    data.clear();
    return false;
  };
  errno = 0;
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  // The stream opens the file with the system's open, which leaves the reason in errno.
  if (!in) return fail(std::string("cannot open the file: ") + (errno ? std::strerror(errno) : "unknown error"));
  const std::streamoff size = in.tellg();
  if (size < 0) return fail("cannot read the file");
  if (static_cast<uint64_t>(size) > maxBytes)
    return fail("the file is larger than " + (maxBytes >= kMegabyte ? std::to_string(maxBytes / kMegabyte) + " MB"
                                                                     : std::to_string(maxBytes) + " bytes"));
  data.resize(static_cast<size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), size)) return fail("cannot read the file");
  return true;
}

namespace {

// A temporary name beside `path`, unique to the process.
std::string TemporaryName(const std::string& path) {
  return path + ".tmp" + std::to_string(static_cast<long>(getpid()));
}

// Forces the file's contents to the disk, so that a crash after the rename
// cannot leave an empty or partial file under the old name.
bool FlushToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  return ::close(fd) == 0 && flushed;
}

bool MoveIntoPlace(const std::string& temporary, const std::string& path) {
  if (FlushToDisk(temporary) && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

}  // namespace

bool ReplaceFile(const std::string& path, const std::function<bool(const std::string& temporary)>& write) {
  const std::string temporary = TemporaryName(path);
  if (!write(temporary)) {
    std::remove(temporary.c_str());
    return false;
  }
  return MoveIntoPlace(temporary, path);
}

ReplacingFile::ReplacingFile(std::string target)
    : target_(std::move(target)),
      temporary_(TemporaryName(target_)),
      file_(std::fopen(temporary_.c_str(), "wb")) {}

ReplacingFile::~ReplacingFile() {
  if (file_) std::fclose(file_);
  if (!committed_) std::remove(temporary_.c_str());
}

bool ReplacingFile::Write(const void* data, size_t size) {
  if (!file_ || failed_) return false;
  failed_ = size != 0 && std::fwrite(data, 1, size, file_) != size;
  return !failed_;
}

bool ReplacingFile::Commit() {
  if (!file_) return false;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  committed_ = closed && !failed_ && MoveIntoPlace(temporary_, target_);
  return committed_;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size) {
  ReplacingFile file(path);
  return file.Write(data, size) && file.Commit();
}

std::string LowerExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return {};
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace platform
