// File helpers: reading a whole regular file into memory with a size cap,
// replacing a file through a temporary file beside it, so that a failed write
// never destroys the old file (pictures, texts, ground-truth files, library
// tables), and the pieces of writes that must survive a crash (files and
// folders forced to the disk, file stamps to notice changes by others).
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
// The largest data file (a library table, Word.Dat, a ground-truth file) read
// into memory; real ones are a few megabytes at most.
constexpr size_t kMaxDataFileBytes = size_t{64} << 20;

// How reading a whole file ended.
enum class FileRead {
  Read,
  CannotOpen,      // missing, or no permission
  NotRegularFile,  // a FIFO, a device, a socket or a folder
  TooLarge,        // larger than the cap
  Failed,          // a read error, or no memory for the contents
};
// The reason of a failed read, in English.
const char* FileReadText(FileRead result);

// Opens `path` for reading only when it is a regular file. Anything else is
// refused before it is opened (opening a FIFO waits for a writer, a device
// may never end); the file is opened non-blocking and checked again on the
// open descriptor. Returns the descriptor, or -1 and why in `failure`.
int OpenRegularFile(const std::string& path, FileRead* failure);

// Reads the regular file `path` into `data` when it has at most `maxBytes`;
// its size is checked before anything is allocated.
FileRead ReadRegularFile(const std::string& path, std::vector<uint8_t>& data, size_t maxBytes);
// The same with the reason as text: false (with `error`) when the file cannot
// be opened or read, is not a regular file, or is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string* error,
                   size_t maxBytes = kMaxPictureFileBytes);

// What identifies the contents of a file without reading it: a replaced or
// rewritten file gets a new inode, size or modification time.
struct FileStamp {
  bool Exists = false;
  uint64_t Device = 0;
  uint64_t Inode = 0;
  uint64_t Size = 0;
  int64_t ModifiedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// The temporary name beside `path` under which this process writes a file
// that is to replace it.
std::string TemporaryName(const std::string& path);
// Creates or truncates `path`, writes the bytes and forces them to the disk.
// False when any step failed (the file may then be incomplete).
bool WriteDurably(const std::string& path, const void* data, size_t size);
// Forces the entries of a folder (new names, renames, removals) to the disk.
bool FlushFolder(const std::string& folder);

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
