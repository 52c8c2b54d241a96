// Advisory locks on a file or a folder, as cooperating processes use them to
// take turns with shared files: shared or exclusive, held by one FileLock
// object until Unlock or its end. Two objects conflict even inside one
// process; a program started from this one does not inherit the lock.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace platform {

class FileLock {
 public:
  enum class Mode { Shared, Exclusive };
  enum class Result {
    Locked,
    Busy,    // another holder kept it for the whole time allowed
    Failed,  // the path cannot be opened or locked at all
  };

  FileLock() = default;
  ~FileLock() { Unlock(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Locks `path`: a folder, or a file that is created when missing. Waits
  // up to `timeout` for another holder (none: as long as it takes; zero: not
  // at all). On Failed, `error` says why.
  Result Lock(const std::string& path, Mode mode, std::optional<std::chrono::milliseconds> timeout,
              std::string* error);
  void Unlock();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace platform
