// File helpers (see FileIo.h).
#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <new>

namespace platform {

namespace {
constexpr size_t kMegabyte = size_t{1} << 20;
}  // namespace

const char* FileReadText(FileRead result) {
  switch (result) {
    case FileRead::Read:
      return "read";
    case FileRead::CannotOpen:
      return "cannot open the file";
    case FileRead::NotRegularFile:
      return "not a regular file";
    case FileRead::TooLarge:
      return "the file is too large";
    case FileRead::Failed:
      break;
  }
  return "cannot read the file";
}

int OpenRegularFile(const std::string& path, FileRead* failure) {
  auto fail = [&](FileRead why) {
    if (failure) *failure = why;
    return -1;
  };
  struct stat before;
  if (::stat(path.c_str(), &before) != 0) return fail(FileRead::CannotOpen);
  if (!S_ISREG(before.st_mode)) return fail(FileRead::NotRegularFile);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(FileRead::CannotOpen);
  // The name may have been given to something else between the two calls.
  struct stat opened;
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    ::close(fd);
    return fail(FileRead::NotRegularFile);
  }
  return fd;
}

FileRead ReadRegularFile(const std::string& path, std::vector<uint8_t>& data, size_t maxBytes) {
  data.clear();
  FileRead failure = FileRead::Failed;
  const int fd = OpenRegularFile(path, &failure);
  if (fd < 0) return failure;
  struct stat info;
  FileRead result = FileRead::Read;
  if (::fstat(fd, &info) != 0) {
    result = FileRead::Failed;
  } else if (static_cast<uint64_t>(info.st_size) > maxBytes) {
    result = FileRead::TooLarge;
  } else {
    try {
      data.resize(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
      result = FileRead::Failed;
    }
  }
  // A file that shrinks while it is read gives what it still holds.
  size_t got = 0;
  while (result == FileRead::Read && got < data.size()) {
    const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = FileRead::Failed;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (result != FileRead::Read) {
    std::vector<uint8_t>().swap(data);
    return result;
  }
  data.resize(got);
  return result;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string* error, size_t maxBytes) {
  const FileRead result = ReadRegularFile(path, data, maxBytes);
  // A failed open leaves the system's reason in errno.
  const int openError = errno;
  if (result == FileRead::Read) return true;
  if (!error) return false;
  *error = FileReadText(result);
  if (result == FileRead::CannotOpen && openError) *error += std::string(": ") + std::strerror(openError);
  if (result == FileRead::TooLarge)
    *error = "the file is larger than " + (maxBytes >= kMegabyte ? std::to_string(maxBytes / kMegabyte) + " MB"
                                                                 : std::to_string(maxBytes) + " bytes");
  return false;
}

FileStamp StampOf(const std::string& path) {
  struct stat info;
  FileStamp stamp;
  if (::stat(path.c_str(), &info) != 0) return stamp;
  stamp.Exists = true;
  stamp.Device = info.st_dev;
  stamp.Inode = info.st_ino;
  stamp.Size = static_cast<uint64_t>(info.st_size);
  stamp.ModifiedNs = int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
  return stamp;
}

std::string TemporaryName(const std::string& path) {
  return path + ".tmp" + std::to_string(static_cast<long>(getpid()));
}

bool WriteDurably(const std::string& path, const void* data, size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t written = 0;
  while (written < size) {
    const ssize_t n = ::write(fd, bytes + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool flushed = written == size && ::fsync(fd) == 0;
  return ::close(fd) == 0 && flushed;
}

bool FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  return ::close(fd) == 0 && flushed;
}

namespace {

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
