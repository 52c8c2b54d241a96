// The library's files on disk as one set. The 32 table files are only ever
// switched together: a save writes every changed table under a temporary
// name, writes a small commit record naming them last, and only then renames
// them into place; a load first finishes such a save (when its record is
// there) or throws its temporary files away (when it is not), so a crash at
// any moment leaves either the whole old or the whole new library.
//
// Loads and saves lock the folder while they work, and a learning run holds
// a second lock on it from load to save, so that two learners take turns
// instead of one losing the other's teaching. A save does not overwrite
// files that changed on disk since they were loaded unless told to.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace library {

// "ZEZID.Dnn", the file name of table `table`.
std::string TableFileName(int32_t table);

// The bytes of every table file, table by table; none where there is no file.
using TableImages = std::vector<std::optional<std::vector<uint8_t>>>;

enum class FolderRead {
  Read,
  NoLibraryFiles,  // no file whose name starts with "ZEZID.D0"
  Failed,
};
// Called for every table in turn while the folder is read, with the bytes of
// its file, which it may take, or nullptr when there is no file; a table can
// so be used while its bytes are still in the processor's caches.
using TableVisitor = std::function<void(int32_t table, std::vector<uint8_t>* bytes)>;
// Reads the table files of `folder` after finishing or discarding an
// interrupted save, and remembers what was read (see LibraryFilesChanged).
// A table file that cannot be opened is no table; one that is not a regular
// file or is larger than any real table fails the read (the tables before it
// have been visited).
FolderRead ReadLibraryFolder(const std::string& folder, const TableVisitor& visit, std::string* error);

// How a save ended.
enum class SaveResult {
  Saved,          // every table is on disk (or nothing was to be written)
  ChangedOnDisk,  // nothing written: the files changed since they were loaded
  Failed,         // nothing written: a file could not be written
};
enum class SaveMode {
  KeepChangedFiles,  // refuse to overwrite files that changed since loading
  Overwrite,         // write in any case (a new library, or the user said so)
};
// Writes the tables whose bytes differ from the files all or nothing.
SaveResult WriteLibraryFolder(const std::string& folder, const TableImages& tables, SaveMode mode,
                              std::string* error);

// True when a table file of the folder last read or written has been
// changed, replaced, created or removed by someone else since then.
bool LibraryFilesChanged();

// The lock a learning run holds on its library folder from load to save.
enum class LockResult { Locked, Busy, Failed };
struct LockWait {
  std::optional<std::chrono::milliseconds> Timeout;  // none: wait as long as it takes
  std::function<void()> Waiting;                     // called once when another run holds it
};
LockResult LockLibraryForLearning(const std::string& folder, const LockWait& wait, std::string* error);
void UnlockLibraryForLearning();
bool LibraryLockedForLearning();

}  // namespace library
