// File helpers: reading a whole file into memory with a size cap, and
// replacing a file through a temporary file beside it, so that a failed write
// never destroys the old file (pictures, texts, ground-truth files, library
// tables).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// The largest picture file read into memory.
constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;

// Reads `path` into `data`; false (with `error`) when it cannot be opened,
// read, or is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string* error,
                   size_t maxBytes = kMaxPictureFileBytes);

// Runs `write` on a temporary name beside `path`, unique to the process;
// when it succeeds the temporary file is flushed to the disk and renamed over
// `path`, otherwise it is removed. True when `path` now holds the new file.
bool ReplaceFile(const std::string& path, const std::function<bool(const std::string& temporary)>& write);
// A file written piece by piece under a temporary name beside its target and
// renamed over the target by Commit; without a successful Commit the
// temporary file is removed and the target stays as it was.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string target);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  bool Write(const void* data, size_t size);
  // Closes, flushes to the disk and renames; false when any step failed.
  bool Commit();

 private:
  std::string target_;
  std::string temporary_;
  std::FILE* file_;
  bool failed_ = false;
  bool committed_ = false;
};

// Replaces `path` by these bytes.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);
inline bool WriteFileAtomically(const std::string& path, const std::string& content) {
  return WriteFileAtomically(path, content.data(), content.size());
}
inline bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& content) {
  return WriteFileAtomically(path, content.data(), content.size());
}

// The extension of `name` from its last dot (dot included) in lower case;
// empty when the last path component has no dot.
std::string LowerExtension(const std::string& name);

}  // namespace platform
