// Advisory locks (see FileLock.h) through flock: the lock belongs to the open
// file description, so two FileLock objects conflict even in one process, and
// the descriptor is closed on exec. A wait with a time limit tries again every
// few milliseconds until the limit has passed.
#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kRetryInterval{20};

int OpenForLocking(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
}

int TryFlock(int fd, int operation) {
  int result;
  do {
    result = ::flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

FileLock::Result FileLock::Lock(const std::string& path, Mode mode,
                                std::optional<std::chrono::milliseconds> timeout, std::string* error) {
  Unlock();
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + " " + path + ": " + std::strerror(errno);
    Unlock();
    return Result::Failed;
  };
  fd_ = OpenForLocking(path);
  if (fd_ < 0) return fail("cannot open");
  const int operation = mode == Mode::Shared ? LOCK_SH : LOCK_EX;
  if (!timeout) {
    if (TryFlock(fd_, operation) != 0) return fail("cannot lock");
    return Result::Locked;
  }
  const auto deadline = std::chrono::steady_clock::now() + *timeout;
  for (;;) {
    if (TryFlock(fd_, operation | LOCK_NB) == 0) return Result::Locked;
    if (errno != EWOULDBLOCK) return fail("cannot lock");
    if (std::chrono::steady_clock::now() >= deadline) {
      Unlock();
      return Result::Busy;
    }
    std::this_thread::sleep_for(kRetryInterval);
  }
}

void FileLock::Unlock() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor releases the lock
  fd_ = -1;
}

}  // namespace platform
